#pragma once

// Folders the program finds its files in.

#include <filesystem>
#include <string_view>

namespace vorn::platform {

// The running executable: /proc/self/exe on Linux, GetModuleFileNameW on Windows; empty when it
// cannot be read.
std::filesystem::path ProgramPath();

// The file name of a program called `name`: the name itself on Linux, with ".exe" on Windows.
std::filesystem::path ExecutableFileName(std::string_view name);

// The folder of the running executable; empty when it cannot be read.
std::filesystem::path ProgramFolder();

// The user's home folder. Linux: $HOME, else the password database. Windows: the profile
// folder (CSIDL_PROFILE). Empty when it is not known.
std::filesystem::path HomeFolder();

// The user's folder for local application data. Linux: $XDG_DATA_HOME when absolute, else
// ~/.local/share. Windows: CSIDL_LOCAL_APPDATA. Empty when it is not known.
std::filesystem::path LocalAppDataFolder();

// The program's data folder: $VORN_DATA_DIR, else on Linux $XDG_DATA_HOME/Quorin/Zelt (or
// ~/.local/share/Quorin/Zelt), on Windows the profile folder + "\AppData\Local\Quorin\Zelt".
// Logs live in "logs/" under it, scans in "ScanData/".
std::filesystem::path DataFolder();

// The folder offered where the operator has not chosen one yet: the home folder on Linux,
// "c:\" on Windows.
std::filesystem::path DefaultDocumentFolder();

// The log settings file read when the registry names none: /etc/gwsettings.xml on Linux,
// c:\gwsettings.xml on Windows.
std::filesystem::path DefaultLogSettingsFile();

}  // namespace vorn::platform
