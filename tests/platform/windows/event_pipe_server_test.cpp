// The event pipe server on named pipes: messages longer than the pipe's 4096-byte buffer, and
// several clients at once, each on its own instance. (The event channel's own tests cover the
// stop signal, the cap and a name served already, on every platform.)
#include "platform/EventPipeServer.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/LocalPipe.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kName = "events";

std::string Filled(std::size_t size, char seed) {
    std::string s(size, ' ');
    for (std::size_t i = 0; i < size; ++i) {
        s[i] = static_cast<char>('a' + (static_cast<std::size_t>(seed) + i) % 26);
    }
    return s;
}

bool Send(const std::string& bytes) {
    PipeHandle pipe = ConnectPipe(kName, Clock::now() + 5s);
    return pipe && SendRecord(pipe.get(), bytes, Clock::now() + 20s) == PipeStatus::Ok;
}

// Waits for the next message; `read` stays false when the wait ended otherwise.
struct Next {
    bool read = false;
    std::string text;
    std::size_t refusedBytes = 0;
};
Next NextMessage(EventPipeServer& server, StopSignal& stop) {
    Next next;
    if (server.WaitForMessage(stop) != EventPipeServer::WaitOutcome::MessageReady) {
        return next;
    }
    next.read = server.ReadMessage(next.text, &next.refusedBytes);
    return next;
}

class EventPipeServerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(server_.Create(kName), PipeStatus::Ok);
        // A lost message must fail the test, not hang it.
        watchdog_ = std::thread([this] {
            if (!done_.WaitFor(60s)) {
                stop_.Signal();
            }
        });
    }
    void TearDown() override {
        done_.Signal();
        if (watchdog_.joinable()) {
            watchdog_.join();
        }
    }

    test::PrivatePipeNamespace ns_;
    EventPipeServer server_;
    StopSignal stop_;
    StopSignal done_;
    std::thread watchdog_;
};

// Around the 4096-byte buffer, 1 MiB and 5 MiB: each read whole, in the order sent.
TEST_F(EventPipeServerTest, MessagesLongerThanTheBufferArriveWhole) {
    const std::vector<std::string> sent = {Filled(4096, 1), Filled(4097, 2), Filled(1u << 20, 3),
                                           Filled(5u << 20, 4), "<ok/>"};
    std::thread sender([&] {
        for (const auto& m : sent) {
            EXPECT_TRUE(Send(m));
        }
    });
    for (const auto& m : sent) {
        const Next next = NextMessage(server_, stop_);
        ASSERT_TRUE(next.read);
        EXPECT_EQ(next.text.size(), m.size());
        EXPECT_TRUE(next.text == m);
    }
    sender.join();
}

// A client that connects and says nothing holds back nobody else, and is dropped at the time
// limit.
TEST_F(EventPipeServerTest, SilentClientsHoldBackNobodyAndAreDropped) {
    // The clients connect while the server serves, as the agent finds it.
    std::vector<PipeHandle> silent;
    std::thread sender([&silent] {
        for (int i = 0; i < 3; ++i) {
            silent.push_back(ConnectPipe(kName, Clock::now() + 5s));
        }
        EXPECT_TRUE(Send("<devremove id=\"3\"/>"));
    });
    const Next next = NextMessage(server_, stop_);
    sender.join();
    for (const auto& pipe : silent) {
        ASSERT_TRUE(pipe);
    }
    ASSERT_TRUE(next.read);
    EXPECT_EQ(next.text, "<devremove id=\"3\"/>");
    EXPECT_EQ(server_.OpenConnections(), 3u);

    // Nothing more comes; after the limit the silent ones are gone.
    std::thread stopper([this] {
        std::this_thread::sleep_for(EventPipeServer::kReadTimeout + 1s);
        stop_.Signal();
    });
    EXPECT_EQ(server_.WaitForMessage(stop_), EventPipeServer::WaitOutcome::Stopped);
    stopper.join();
    EXPECT_EQ(server_.OpenConnections(), 0u);
    std::string reply;
    for (auto& pipe : silent) {
        // The server closed its end: nothing can be read from it any more.
        EXPECT_EQ(ReceiveRecord(pipe.get(), reply, Clock::now() + 1s), PipeStatus::Closed);
    }
}

}  // namespace
}  // namespace vorn::platform
