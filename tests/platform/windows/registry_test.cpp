// The store on the system's registry, checked against the registry calls themselves: what the
// store writes is what RegQueryValueExW reads, and what RegSetValueExW writes the store reads.

#include "platform/windows/WindowsApi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/RegistryStore.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

// A key of its own for each run, under the program's key and under its application profile.
const std::string kAgentKey =
    "Software\\Quorin\\Zelt\\VornTest" + std::to_string(::GetCurrentProcessId());
const std::string kProfileKey =
    "Software\\QUORIN\\Vorn_Update_Test" + std::to_string(::GetCurrentProcessId());

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& key : {kAgentKey, kProfileKey}) {
            ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(key).c_str());
            ::RegDeleteKeyW(HKEY_CURRENT_USER, Wide(key).c_str());
        }
    }

    // The raw value as the system keeps it.
    static bool Query(const std::string& key, const std::wstring& name, DWORD& type,
                      std::vector<BYTE>& data) {
        HKEY handle = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ, &handle) !=
            ERROR_SUCCESS) {
            return false;
        }
        DWORD size = 0;
        LSTATUS rc = ::RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &size);
        data.assign(size, 0);
        if (rc == ERROR_SUCCESS) {
            rc = ::RegQueryValueExW(handle, name.c_str(), nullptr, &type, data.data(), &size);
        }
        ::RegCloseKey(handle);
        return rc == ERROR_SUCCESS;
    }

    static bool Set(const std::string& key, const std::wstring& name, DWORD type, const void* data,
                    DWORD size) {
        HKEY handle = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &handle, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const bool ok = ::RegSetValueExW(handle, name.c_str(), 0, type,
                                         static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
        ::RegCloseKey(handle);
        return ok;
    }

    RegistryStore store{RegistryRoot::CurrentUser};
};

struct StringCase {
    std::string name;       // UTF-8, as the program gives it
    std::wstring wideName;  // as the system keeps it
    std::string utf8;
    std::wstring utf16;
};

const StringCase kStrings[] = {
    {"ServerName", L"ServerName", "updates.example", L"updates.example"},
    {"ExtractionHotFolder", L"ExtractionHotFolder", "c:\\Счётчик\\Горячая папка",
     L"c:\\Счётчик\\Горячая папка"},
    {"Пустое", L"Пустое", "", L""},
    {"MainWindowTitle", L"MainWindowTitle", "Vorn Update v2.2.1.2293", L"Vorn Update v2.2.1.2293"},
    {"@", L"", "значение по умолчанию", L"значение по умолчанию"},
};

TEST_F(RegistryTest, StringsWrittenByTheStoreAreRegSzWithTheirNul) {
    EXPECT_TRUE(store.file().empty());
    for (const StringCase& c : kStrings) {
        ASSERT_TRUE(store.WriteString(kAgentKey, c.name, c.utf8)) << c.name;
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(Query(kAgentKey, c.wideName, type, data)) << c.name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << c.name;
        ASSERT_EQ(data.size(), (c.utf16.size() + 1) * sizeof(wchar_t)) << c.name;
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data()), c.utf16.size()),
                  c.utf16)
            << c.name;
        EXPECT_EQ(store.ReadString(kAgentKey, c.name), c.utf8) << c.name;
    }
}

TEST_F(RegistryTest, StringsWrittenByTheSystemReadThroughTheStore) {
    for (const StringCase& c : kStrings) {
        ASSERT_TRUE(Set(kAgentKey, c.wideName, REG_SZ, c.utf16.c_str(),
                        static_cast<DWORD>((c.utf16.size() + 1) * sizeof(wchar_t))))
            << c.name;
        EXPECT_EQ(store.ReadString(kAgentKey, c.name), c.utf8) << c.name;
    }
    // Stored without its NUL, with an odd byte count, or with text after a NUL: the text up to
    // the first NUL, never past the data.
    const std::wstring withNul(L"до\0после", 8);
    struct Raw {
        std::wstring name;
        const void* data;
        DWORD size;
        std::string expected;
    };
    const Raw raws[] = {
        {L"NoNul", L"Заря", 8, "Заря"},
        {L"OddSize", L"Заря", 7, "Зар"},
        {L"EmbeddedNul", withNul.c_str(), static_cast<DWORD>(withNul.size() * 2), "до"},
    };
    for (const Raw& r : raws) {
        ASSERT_TRUE(Set(kAgentKey, r.name, REG_SZ, r.data, r.size));
        EXPECT_EQ(store.ReadString(kAgentKey, std::string(r.name.begin(), r.name.end())),
                  r.expected);
    }
}

TEST_F(RegistryTest, DwordsAndBinaryBothWays) {
    const std::string section = kProfileKey + "\\SpecificPlatforms";
    for (const std::uint32_t value : {0u, 3000u, 11u, 0xFFFFFFFFu}) {
        ASSERT_TRUE(store.WriteDword(section, "ServerPort", value));
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(Query(section, L"ServerPort", type, data));
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        ASSERT_EQ(data.size(), 4u);
        DWORD stored = 0;
        std::memcpy(&stored, data.data(), 4);
        EXPECT_EQ(stored, value);

        const DWORD other = value ^ 0x5A5A5A5Au;
        ASSERT_TRUE(Set(section, L"Other", REG_DWORD, &other, sizeof other));
        EXPECT_EQ(store.ReadDword(section, "Other"), other);
        EXPECT_EQ(store.ReadString(section, "Other"), std::to_string(other));
    }
    const BYTE bytes[] = {1, 0, 0xFF, 'a'};
    ASSERT_TRUE(Set(section, L"Blob", REG_BINARY, bytes, sizeof bytes));
    const auto blob = store.Read(section, "Blob");
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->type, RegistryValue::Type::Binary);
    EXPECT_EQ(blob->data, std::string("\x01\x00\xFF"
                                      "a",
                                      4));
    EXPECT_EQ(store.ReadString(section, "Blob"), "\x01");
}

TEST_F(RegistryTest, MissingKeysAndValuesAndKeyPaths) {
    EXPECT_FALSE(store.KeyExists(kAgentKey));
    EXPECT_EQ(store.ReadString(kAgentKey, "ServerName"), std::nullopt);
    EXPECT_EQ(store.ReadDword(kAgentKey + "\\Nowhere", "ServerPort"), std::nullopt);

    ASSERT_TRUE(store.CreateKey(kAgentKey + "\\Empty"));
    EXPECT_TRUE(store.KeyExists(kAgentKey));
    EXPECT_TRUE(store.KeyExists(kAgentKey + "\\Empty"));
    EXPECT_EQ(store.ReadString(kAgentKey + "\\Empty", "ServerName"), std::nullopt);

    // A doubled backslash names the same key; value names ignore case, as the system's do.
    std::string doubled = kAgentKey;
    for (std::size_t at = doubled.find('\\'); at != std::string::npos;
         at = doubled.find('\\', at + 2)) {
        doubled.insert(at, "\\");
    }
    ASSERT_TRUE(store.WriteString(doubled, "LoadTimeout", "30"));
    EXPECT_EQ(store.ReadString(kAgentKey, "loadtimeout"), "30");

    // Names that cannot be stored are refused and leave nothing behind.
    EXPECT_FALSE(store.WriteString(kAgentKey, std::string("a\0b", 3), "x"));
    EXPECT_FALSE(store.WriteString("", "x", "y"));
}

// The store on an explicit file locks it with LockFileEx and replaces it whole: writers in
// several threads lose nothing, and readers in between always see a whole file.
TEST(RegistryFileStoreTest, ConcurrentWritersLoseNothing) {
    test::TempDir dir;
    const auto file = dir / "HKEY_CURRENT_USER.reg";
    RegistryStore store(file, "HKEY_CURRENT_USER");
    const std::string key = "Software\\Quorin\\Zelt\\AgentZelt";
    ASSERT_TRUE(store.WriteString(key, "Unknown", "kept"));
    constexpr int kThreads = 4;
    constexpr int kWrites = 15;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            RegistryStore own(file, "HKEY_CURRENT_USER");
            for (int i = 0; i < kWrites; ++i) {
                EXPECT_TRUE(own.WriteString(key, "t" + std::to_string(t) + "_" + std::to_string(i),
                                            "Значение " + std::to_string(i)));
                EXPECT_EQ(own.ReadString(key, "Unknown"), "kept");
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(store.ReadString(key, "t" + std::to_string(t) + "_" + std::to_string(i)),
                      "Значение " + std::to_string(i));
        }
    }
}

}  // namespace
}  // namespace vorn::platform
