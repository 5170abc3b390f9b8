#include "platform/KnownFolders.h"

#include "platform/windows/WindowsApi.h"
// After windows.h, which it needs.
#include <shlobj.h>

#include <string>

namespace vorn::platform {

namespace {

std::filesystem::path ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
        return {};
    }
    buffer[MAX_PATH] = L'\0';
    return std::filesystem::path(buffer);
}

}  // namespace

std::filesystem::path ProgramPath() {
    // GetModuleFileNameW cuts a long path short without saying so but by filling the buffer.
    std::wstring buffer(MAX_PATH, L'\0');
    while (buffer.size() <= 32768) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return {};
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::filesystem::path ProgramFolder() {
    return ProgramPath().parent_path();
}

std::filesystem::path HomeFolder() {
    return ShellFolder(CSIDL_PROFILE);
}

std::filesystem::path LocalAppDataFolder() {
    return ShellFolder(CSIDL_LOCAL_APPDATA);
}

std::filesystem::path DataFolder() {
    // Tests point the data folder elsewhere.
    wchar_t data[32768];
    const DWORD n = ::GetEnvironmentVariableW(L"VORN_DATA_DIR", data, 32768);
    if (n > 0 && n < 32768) {
        return std::filesystem::path(std::wstring(data, n));
    }
    const std::filesystem::path profile = HomeFolder();
    if (profile.empty()) {
        return {};
    }
    return profile / L"AppData" / L"Local" / L"Quorin" / L"Zelt";
}

std::filesystem::path DefaultDocumentFolder() {
    return L"c:\\";
}

std::filesystem::path DefaultLogSettingsFile() {
    return L"c:\\gwsettings.xml";
}

std::filesystem::path ExecutableFileName(std::string_view name) {
    return std::filesystem::path(std::string(name) + ".exe");
}

}  // namespace vorn::platform
