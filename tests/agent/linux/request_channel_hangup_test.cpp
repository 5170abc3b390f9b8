// Where a reply ends on Linux: at the end of the agent's stream. An agent that takes the whole
// request and closes without a word has answered emptily there (a named pipe has no such
// answer: the agent must write a message, an empty one if it has nothing to say).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "agent/AgentProtocol.h"
#include "agent/RequestChannel.h"
#include "platform/LocalPipe.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

// One that leaves before taking the whole request did not answer at all.
TEST(RequestChannelTest, AgentLeavingWithoutReplySucceedsOnlyAfterReadingTheRequest) {
    test::PrivatePipeNamespace ns;
    platform::PipeListener listener = platform::PipeListener::Listen(kRequestPipeName);
    ASSERT_TRUE(listener.IsListening());
    for (const bool readsRequest : {true, false}) {
        std::thread agent([&listener, readsRequest] {
            platform::PipeHandle client = listener.Accept(nullptr, std::nullopt);
            std::string request;
            if (readsRequest) {
                platform::ReceiveRecord(client.get(), request, std::nullopt);
            }
        });
        std::string reply = "stale";
        EXPECT_EQ(CallAgent(request::Quit(), reply), readsRequest);
        EXPECT_EQ(reply, "");
        agent.join();
    }
}

}  // namespace
}  // namespace vorn
