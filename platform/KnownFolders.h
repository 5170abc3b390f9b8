#pragma once

// Folders the program finds its files in.

#include <filesystem>

namespace vorn::platform {

// The folder of the running executable (from /proc/self/exe); empty when it cannot be read.
std::filesystem::path ProgramFolder();

// The user's home folder: $HOME, else the password database; empty when neither knows it.
std::filesystem::path HomeFolder();

// The program's data folder: $VORN_DATA_DIR, else $XDG_DATA_HOME/Quorin/Zelt, else
// ~/.local/share/Quorin/Zelt. Logs live in "logs/" under it, scans in "ScanData/".
std::filesystem::path DataFolder();

}  // namespace vorn::platform
