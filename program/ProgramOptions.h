#pragma once

// The options a start of the program is asked for, read before the toolkit touches the display:
// "--help", "--version" and "--language=ID" are answered or stored here. The switch
// ENABLE_OTHERS is the window's business (CZeltCommandLineInfo) and passes through untouched, as
// does any argument that does not start with "-".

#include <optional>
#include <string>

namespace vorn {

struct ProgramOptions {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    // UsageError: what was wrong, for one line before the usage.
    std::string problem;
    // "--language=ID" or "--language ID", as written.
    std::optional<std::string> language;
};

// Reads argv[1..]. The first --help, --version or wrong option decides; an argument that contains
// ENABLE_OTHERS in any letter case is never an error, wherever its dashes are.
ProgramOptions ParseProgramOptions(int argc, const char* const* argv);

// The text --help prints.
std::string ProgramUsage();

}  // namespace vorn
