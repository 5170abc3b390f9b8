#include "app/AgentStart.h"

#include "platform/KnownFolders.h"
#include "platform/ProcessLauncher.h"

namespace vorn {

std::filesystem::path AgentProgramPath() {
    return platform::ProgramFolder() / platform::ExecutableFileName(kAgentProgramName);
}

bool StartAgentProcess() {
    return platform::ProcessLauncher::Instance().Start(AgentProgramPath()) > 0;
}

}  // namespace vorn
