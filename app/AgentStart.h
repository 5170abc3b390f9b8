#pragma once

#include <filesystem>

namespace vorn {

inline constexpr const char* kAgentProgramName = "AgentZelt";

// Where the agent is started from: the program's folder followed by "/AgentZelt" (just
// "/AgentZelt" when the program's folder is unknown).
std::filesystem::path AgentProgramPath();

// Starts the agent service from the program's folder and does not wait for it. Whether an
// agent runs already is the agent's business. True when the process was started.
bool StartAgentProcess();

}  // namespace vorn
