#include "agent/RequestChannel.h"

#include "agent/AgentProtocol.h"
#include "platform/LocalPipe.h"

namespace vorn {

bool CallAgent(const std::string& request, std::string& reply) {
    reply.clear();
    return platform::CallPipe(kRequestPipeName, request, reply, kAgentCallTimeout) ==
           platform::PipeStatus::Ok;
}

}  // namespace vorn
