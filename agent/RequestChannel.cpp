#include "agent/RequestChannel.h"

#include "agent/AgentProtocol.h"
#include "platform/LocalPipe.h"
#include "platform/ProgramLog.h"

namespace vorn {

bool CallAgent(const std::string& request, std::string& reply) {
    reply.clear();
    std::size_t replyBytes = 0;
    const platform::PipeStatus status =
        platform::CallPipe(kRequestPipeName, request, reply, kAgentCallTimeout,
                           platform::kMaxMessageBytes, &replyBytes);
    if (status == platform::PipeStatus::TooLarge) {
        platform::ProgramLog("request channel: a reply of %zu bytes or more refused (limit %zu)",
                             replyBytes, platform::kMaxMessageBytes);
        reply.clear();
    }
    return status == platform::PipeStatus::Ok;
}

}  // namespace vorn
