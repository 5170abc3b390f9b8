#include "app/AppProfile.h"

#include <mutex>

#include "platform/RegistryStore.h"
#include "platform/TextConversion.h"

namespace vorn {

namespace {

struct ProfileNames {
    std::mutex mutex;
    std::wstring registryKey = AppProfile::kDefaultRegistryKey;
    std::wstring appName = AppProfile::kDefaultAppName;
};

ProfileNames& Names() {
    static ProfileNames names;
    return names;
}

std::string SectionKey(const std::wstring& section) {
    return platform::WideToUtf8(AppProfile::SectionPath(section));
}

}  // namespace

void AppProfile::SetRegistryKey(const std::wstring& company) {
    std::lock_guard lock(Names().mutex);
    Names().registryKey = company;
}

void AppProfile::SetAppName(const std::wstring& name) {
    std::lock_guard lock(Names().mutex);
    Names().appName = name;
}

std::wstring AppProfile::RegistryKey() {
    std::lock_guard lock(Names().mutex);
    return Names().registryKey;
}

std::wstring AppProfile::AppName() {
    std::lock_guard lock(Names().mutex);
    return Names().appName;
}

std::wstring AppProfile::SectionPath(const std::wstring& section) {
    return L"Software\\" + RegistryKey() + L"\\" + AppName() + L"\\" + section;
}

std::wstring AppProfile::GetString(const std::wstring& section, const std::wstring& entry,
                                   const std::wstring& defaultValue) {
    platform::RegistryStore store(platform::RegistryRoot::CurrentUser);
    auto value = store.Read(SectionKey(section), platform::WideToUtf8(entry));
    if (!value || value->type != platform::RegistryValue::Type::String) {
        return defaultValue;
    }
    return platform::Utf8ToWide(value->data);
}

bool AppProfile::WriteString(const std::wstring& section, const std::wstring& entry,
                             const std::wstring& value) {
    platform::RegistryStore store(platform::RegistryRoot::CurrentUser);
    return store.WriteString(SectionKey(section), platform::WideToUtf8(entry),
                             platform::WideToUtf8(value));
}

int AppProfile::GetInt(const std::wstring& section, const std::wstring& entry, int defaultValue) {
    platform::RegistryStore store(platform::RegistryRoot::CurrentUser);
    auto value = store.ReadDword(SectionKey(section), platform::WideToUtf8(entry));
    return value ? static_cast<int>(*value) : defaultValue;
}

bool AppProfile::WriteInt(const std::wstring& section, const std::wstring& entry, int value) {
    platform::RegistryStore store(platform::RegistryRoot::CurrentUser);
    return store.WriteDword(SectionKey(section), platform::WideToUtf8(entry),
                            static_cast<std::uint32_t>(value));
}

std::wstring GetHttpServerName() {
    return AppProfile::GetString(kSpecificPlatforms, L"ServerName", L"127.0.0.1");
}

void SetHttpServerName(const std::wstring& name) {
    AppProfile::WriteString(kSpecificPlatforms, L"ServerName", name);
}

int GetHttpServerPort() {
    return AppProfile::GetInt(kSpecificPlatforms, L"ServerPort", 3000);
}

void SetHttpServerPort(int port) {
    AppProfile::WriteInt(kSpecificPlatforms, L"ServerPort", port);
}

std::wstring GetRenovexPath() {
    return AppProfile::GetString(kSpecificPlatforms, L"RenovexPath");
}

void SetRenovexPath(const std::wstring& folder) {
    AppProfile::WriteString(kSpecificPlatforms, L"RenovexPath", folder);
}

std::wstring GetBlackListPath() {
    return AppProfile::GetString(kSpecificPlatforms, L"BlackListPath");
}

std::wstring GetRamFilePath() {
    return AppProfile::GetString(kSpecificPlatforms, L"RamFilePath");
}

std::wstring GetLastRamFilename() {
    return AppProfile::GetString(kHistory, L"LastRamFilename");
}

void SetLastRamFilename(const std::wstring& name) {
    AppProfile::WriteString(kHistory, L"LastRamFilename", name);
}

std::wstring GetSerialNumbers() {
    return AppProfile::GetString(kHistory, L"SerialNumbers");
}

void SetSerialNumbers(const std::wstring& list) {
    AppProfile::WriteString(kHistory, L"SerialNumbers", list);
}

std::optional<std::wstring> FolderOfChosenPath(const std::wstring& path) {
    std::size_t cut = path.rfind(L'\\');
    if (cut == std::wstring::npos) {
        cut = path.rfind(L'/');
    }
    if (cut == std::wstring::npos) {
        return std::nullopt;
    }
    return path.substr(0, cut);
}

void RememberBlackListFolder(const std::wstring& chosenPath) {
    if (auto folder = FolderOfChosenPath(chosenPath)) {
        AppProfile::WriteString(kSpecificPlatforms, L"BlackListPath", *folder);
    }
}

void RememberRamFileFolder(const std::wstring& chosenPath) {
    if (auto folder = FolderOfChosenPath(chosenPath)) {
        AppProfile::WriteString(kSpecificPlatforms, L"RamFilePath", *folder);
    }
}

}  // namespace vorn
