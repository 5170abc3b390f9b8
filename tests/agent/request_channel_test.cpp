#include "agent/RequestChannel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "agent/AgentProtocol.h"
#include "platform/LocalPipe.h"
#include "platform/ProgramLog.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using test::kThreadSanitizer;

using namespace std::chrono_literals;
using platform::PipeStatus;

// A stand-in agent on the request pipe: serves one connection per call to `answer`, which
// gets the request and returns the reply to send, or nothing to stay silent until stopped.
class RequestServer {
public:
    using Answer = std::function<std::optional<std::string>(const std::string& request)>;

    explicit RequestServer(Answer answer) : answer_(std::move(answer)) {
        PipeStatus status = PipeStatus::Failed;
        listener_ = platform::PipeListener::Listen(kRequestPipeName, &status);
        EXPECT_EQ(status, PipeStatus::Ok);
        thread_ = std::thread([this] { Run(); });
    }
    ~RequestServer() {
        stop_.Signal();
        thread_.join();
    }

    std::string lastRequest() const { return lastRequest_; }
    int requests() const { return requests_; }

private:
    void Run() {
        while (!stop_.IsSignalled()) {
            platform::PipeHandle client = listener_.Accept(&stop_, std::nullopt);
            if (!client) {
                continue;
            }
            std::string request;
            if (platform::ReceiveRecord(client.get(), request, std::nullopt, &stop_) !=
                PipeStatus::Ok) {
                continue;
            }
            lastRequest_ = request;
            ++requests_;
            if (auto reply = answer_(request)) {
                platform::SendRecord(client.get(), *reply);
            } else {
                stop_.WaitFor(std::chrono::hours(24));
            }
        }
    }

    Answer answer_;
    platform::PipeListener listener_;
    platform::StopSignal stop_;
    std::string lastRequest_;  // read only after the call that set it returned
    int requests_ = 0;
    std::thread thread_;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(RequestChannelTest, NoAgentFailsAtOnceWithEmptyReply) {
    test::PrivatePipeNamespace ns;
    std::string reply = "left over";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CallAgent(request::GetAllDevInfo(), reply));
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_EQ(reply, "");
}

TEST(RequestChannelTest, RepliesOfAnyLengthArriveWhole) {
    test::PrivatePipeNamespace ns;
    std::string next;
    RequestServer server([&next](const std::string&) { return next; });
    for (size_t size :
         {size_t{1}, size_t{2047}, size_t{2048}, size_t{2049}, size_t{200000}, size_t{5} << 20}) {
        next.assign(size, 'x');
        if (size > 0) {
            next.back() = 'z';
        }
        std::string reply = "stale";
        ASSERT_TRUE(CallAgent(request::GetAllDevInfo(), reply)) << size;
        EXPECT_EQ(reply, next) << size;
    }
    EXPECT_EQ(server.lastRequest(), "<getalldevinfo/>");
}

TEST(RequestChannelTest, RequestBytesReachTheAgentExactly) {
    test::PrivatePipeNamespace ns;
    RequestServer server([](const std::string& request) { return "echo:" + request; });
    std::string reply;
    const std::string update = request::UpdateDevice(-1);
    ASSERT_TRUE(CallAgent(update, reply));
    EXPECT_EQ(server.lastRequest(), update);
    EXPECT_EQ(reply, "echo:" + update);
    ASSERT_TRUE(CallAgent("", reply));
    EXPECT_EQ(server.lastRequest(), "");
    EXPECT_EQ(reply, "echo:");
    EXPECT_EQ(server.requests(), 2);
}

// An agent may answer with an empty message and hang up at once; the call still succeeded.
TEST(RequestChannelTest, EmptyReplyIsASuccess) {
    test::PrivatePipeNamespace ns;
    RequestServer server([](const std::string&) { return std::string(); });
    for (int i = 0; i < 50; ++i) {
        std::string reply = "stale";
        ASSERT_TRUE(CallAgent(request::CheckUpdate(), reply)) << i;
        EXPECT_EQ(reply, "");
    }
}

TEST(RequestChannelTest, SilentAgentEndsTheCallAtTheBound) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the 5 s bound is measured once, in the plain build";
#endif
    test::PrivatePipeNamespace ns;
    RequestServer server([](const std::string&) { return std::nullopt; });
    std::string reply = "stale";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CallAgent(request::GetOptions(), reply));
    const double elapsed = SecondsSince(start);
    EXPECT_GE(elapsed, 4.9);
    EXPECT_LT(elapsed, 10.0);  // the bound, not a wait without end
    EXPECT_EQ(reply, "");
}

TEST(RequestChannelTest, OversizedReplyFailsTheCallAndIsLogged) {
    if (kThreadSanitizer) {
        GTEST_SKIP() << "65 MiB within the channel's 5 s bound is beyond a ThreadSanitizer build";
    }
    test::PrivatePipeNamespace ns;
    std::vector<std::string> lines;
    platform::SetProgramLogSink([&lines](const std::string& line) { lines.push_back(line); });
    const std::size_t size = platform::kMaxMessageBytes + (1u << 20);
    // Made before the call, so that only the transfer counts against the call's bound.
    const std::string oversized(size, 'r');
    platform::PipeListener listener = platform::PipeListener::Listen(kRequestPipeName);
    ASSERT_TRUE(listener.IsListening());
    std::thread agent([&listener, &oversized] {
        platform::PipeHandle client = listener.Accept(nullptr, std::nullopt);
        std::string request;
        platform::ReceiveRecord(client.get(), request, std::nullopt);
        platform::SendRecord(client.get(), oversized, platform::Clock::now() + 10s);
    });
    std::string reply = "stale";
    EXPECT_FALSE(CallAgent(request::GetAllDevInfo(), reply));
    EXPECT_EQ(reply, "");
    agent.join();
    platform::SetProgramLogSink({});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("request channel"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(std::to_string(size)), std::string::npos) << lines[0];
}

}  // namespace
}  // namespace vorn
