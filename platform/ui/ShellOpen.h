#pragma once

#include <filesystem>
#include <string>

namespace vorn::platform {

// Opens a document or starts a program the way the desktop does when the user opens it: on
// Windows the shell's "open" verb, without parameters or working folder, shown normally and
// owned by the program's main window; on Linux a program is started directly and a document
// handed to the desktop's default application. False, with `error` saying why, when it could
// not be opened. UI thread only.
bool ShellOpen(const std::filesystem::path& file, std::string& error);

}  // namespace vorn::platform
