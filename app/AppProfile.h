#pragma once

// The application profile: settings that only this program uses, under
// HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>. The registry key is
// fixed once at start-up; the application name is the program's name.

#include <optional>
#include <string>

namespace vorn {

class AppProfile {
public:
    static constexpr const wchar_t* kDefaultRegistryKey = L"QUORIN";
    static constexpr const wchar_t* kDefaultAppName = L"Vorn_Update";

    static void SetRegistryKey(const std::wstring& company);
    static void SetAppName(const std::wstring& name);
    static std::wstring RegistryKey();
    static std::wstring AppName();
    // "Software\<registry key>\<application name>\<section>"
    static std::wstring SectionPath(const std::wstring& section);

    static std::wstring GetString(const std::wstring& section, const std::wstring& entry,
                                  const std::wstring& defaultValue = {});
    static bool WriteString(const std::wstring& section, const std::wstring& entry,
                            const std::wstring& value);
    // Integers are double words; text holding a decimal number is read as well.
    static int GetInt(const std::wstring& section, const std::wstring& entry, int defaultValue);
    static bool WriteInt(const std::wstring& section, const std::wstring& entry, int value);
};

inline constexpr const wchar_t* kSpecificPlatforms = L"SpecificPlatforms";
inline constexpr const wchar_t* kHistory = L"History";
inline constexpr int kMaxSerialNumberHistory = 20;

// The update server the program itself talks HTTP to (not the agent's ServerName).
std::wstring GetHttpServerName();
void SetHttpServerName(const std::wstring& name);
int GetHttpServerPort();
void SetHttpServerPort(int port);
std::wstring GetRenovexPath();
void SetRenovexPath(const std::wstring& folder);
std::wstring GetBlackListPath();
std::wstring GetRamFilePath();
std::wstring GetLastRamFilename();
void SetLastRamFilename(const std::wstring& name);
std::wstring GetSerialNumbers();
void SetSerialNumbers(const std::wstring& list);

// The folder part of a chosen file: everything before the last backslash or, when there is
// none, before the last "/". None when the path has neither.
std::optional<std::wstring> FolderOfChosenPath(const std::wstring& path);
// Store the folder of a chosen file; nothing is written when the path has no folder part.
void RememberBlackListFolder(const std::wstring& chosenPath);
void RememberRamFileFolder(const std::wstring& chosenPath);

}  // namespace vorn
