#include "platform/windows/WindowsApi.h"

#include <gtest/gtest.h>

#include <string>

#include "app/AppProfile.h"

namespace vorn {
namespace {

// The application profile lives in the real registry, under the company and program names, where
// the agent and earlier versions find it: HKCU\Software\<company>\<program>\<section>.
TEST(AppProfileOnWindows, EntriesAreRegistryValuesOfTheSectionKey) {
    const std::wstring app = L"Vorn_Update_Test" + std::to_wstring(::GetCurrentProcessId());
    AppProfile::SetAppName(app);
    const std::wstring key = L"Software\\QUORIN\\" + app + L"\\Раздел";

    ASSERT_TRUE(AppProfile::WriteString(L"Раздел", L"Папка", L"c:\\Сканы\\новые"));
    wchar_t text[64] = {};
    DWORD size = sizeof text;
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Папка", RRF_RT_REG_SZ, nullptr, text,
                             &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(text), L"c:\\Сканы\\новые");

    const DWORD number = 42;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Число", REG_DWORD, &number,
                                sizeof number),
              ERROR_SUCCESS);
    EXPECT_EQ(AppProfile::GetInt(L"Раздел", L"Число", -1), 42);
    EXPECT_EQ(AppProfile::GetInt(L"Раздел", L"Нет", -1), -1);

    ::RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\QUORIN\\" + app).c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\QUORIN\\" + app).c_str());
    AppProfile::SetAppName(AppProfile::kDefaultAppName);
}

}  // namespace
}  // namespace vorn
