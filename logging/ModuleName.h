#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace Kavro::Greywick {

// A module is named by its file; no module means the running program.
using ModulePath = std::optional<std::filesystem::path>;

// Lower-cases ASCII letters and the Cyrillic capitals (Ё included) of UTF-8 text, the
// character set file names are given in here; other bytes are kept.
std::string LowerModuleName(std::string_view name);

// The module's file name (after the last separator, extension included) in UTF-8, lower-cased.
std::string ModuleFileName(const ModulePath& module);

// The folder of the running program's executable.
std::filesystem::path ProgramFolder();

}  // namespace Kavro::Greywick
