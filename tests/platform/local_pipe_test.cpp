#include "platform/LocalPipe.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/TestEnvironment.h"

using namespace std::chrono_literals;
using vorn::platform::CallPipe;
using vorn::platform::Clock;
using vorn::platform::PipeListener;
using vorn::platform::PipeStatus;
using vorn::platform::ReceiveRecord;
using vorn::platform::SendRecord;
using vorn::platform::StopSignal;
using vorn::platform::UniqueFd;
using vorn::platform::WaitResult;

namespace {

// Answers `count` calls on `name`, each with `answer(request)`.
std::thread Serve(PipeListener& listener, int count,
                  std::function<std::string(const std::string&)> answer) {
    return std::thread([&listener, count, answer] {
        for (int i = 0; i < count; ++i) {
            UniqueFd client = listener.Accept(nullptr, Clock::now() + 5s);
            if (!client) {
                return;
            }
            std::string request;
            if (ReceiveRecord(client.get(), request, Clock::now() + 5s) == PipeStatus::Ok) {
                SendRecord(client.get(), answer(request));
            }
        }
    });
}

}  // namespace

TEST(LocalPipe, AddressCarriesTheNamespace) {
    vorn::test::ScopedEnv ns("VORN_PIPE_NS", "test-ns-");
    EXPECT_EQ(vorn::platform::PipeAddress("pipe1"), std::string("\0test-ns-pipe1", 14));
}

TEST(LocalPipe, CallWithoutListenerFailsAtOnce) {
    vorn::test::PrivatePipeNamespace ns;
    std::string reply = "stale";
    const auto started = Clock::now();
    EXPECT_EQ(CallPipe("nobody", "<x/>", reply, 5000ms), PipeStatus::NotFound);
    EXPECT_LT(Clock::now() - started, 500ms);
    EXPECT_TRUE(reply.empty());
}

TEST(LocalPipe, RecordsOfEverySizeArriveWhole) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("echo");
    ASSERT_TRUE(listener.IsListening());
    const std::vector<std::size_t> sizes = {0, 1, 2048, 2049, 4096, 4097, 100000, 300000};
    // The reply is framed so that an empty request still gets a non-empty answer: an empty
    // record followed at once by a hang-up cannot be told from a bare hang-up.
    std::thread server = Serve(listener, static_cast<int>(sizes.size()),
                               [](const std::string& request) { return "[" + request + "]"; });
    for (std::size_t size : sizes) {
        std::string request(size, 'a');
        for (std::size_t i = 0; i < size; ++i) {
            request[i] = static_cast<char>('a' + i % 26);
        }
        std::string reply;
        EXPECT_EQ(CallPipe("echo", request, reply, 5000ms), PipeStatus::Ok) << size;
        EXPECT_EQ(reply, "[" + request + "]") << size;
    }
    server.join();
}

TEST(LocalPipe, OversizedReplyIsRefusedAndLeavesReplyEmpty) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("big");
    std::thread server =
        Serve(listener, 1, [](const std::string&) { return std::string(5000, 'x'); });
    std::string reply;
    EXPECT_EQ(CallPipe("big", "<q/>", reply, 5000ms, 4096), PipeStatus::TooLarge);
    EXPECT_TRUE(reply.empty());
    server.join();
}

TEST(LocalPipe, SilentServerEndsTheCallAtItsBound) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("silent");
    std::string reply;
    const auto started = Clock::now();
    EXPECT_EQ(CallPipe("silent", "<q/>", reply, 300ms), PipeStatus::TimedOut);
    const auto took = Clock::now() - started;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 2s);
}

TEST(LocalPipe, ServerThatHangsUpIsReportedClosed) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("rude");
    std::thread server([&listener] {
        UniqueFd client = listener.Accept(nullptr, Clock::now() + 5s);
        std::string request;
        ReceiveRecord(client.get(), request, Clock::now() + 5s);
    });
    std::string reply;
    EXPECT_EQ(CallPipe("rude", "<q/>", reply, 5000ms), PipeStatus::Closed);
    server.join();
}

TEST(LocalPipe, SecondListenerOnTheSameNameIsRefused) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener first = PipeListener::Listen("taken");
    ASSERT_TRUE(first.IsListening());
    PipeStatus status = PipeStatus::Ok;
    PipeListener second = PipeListener::Listen("taken", &status);
    EXPECT_FALSE(second.IsListening());
    EXPECT_EQ(status, PipeStatus::AddressInUse);
}

TEST(LocalPipe, StopSignalWakesAWaitingAccept) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("idle");
    StopSignal stop;
    WaitResult result = WaitResult::Ready;
    Clock::time_point woke;
    std::thread waiter([&] {
        UniqueFd client = listener.Accept(&stop, std::nullopt, &result);
        woke = Clock::now();
    });
    std::this_thread::sleep_for(50ms);
    const auto signalled = Clock::now();
    stop.Signal();
    waiter.join();
    EXPECT_EQ(result, WaitResult::Stopped);
    EXPECT_LT(woke - signalled, 100ms);
    EXPECT_TRUE(stop.IsSignalled());
    stop.Clear();
    EXPECT_FALSE(stop.IsSignalled());
}

TEST(LocalPipe, ConnectionsQueueWhileTheServerIsBusy) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("queue");
    constexpr int kClients = 8;
    std::thread server = Serve(listener, kClients, [](const std::string& r) { return r + "!"; });
    std::vector<std::thread> clients;
    std::vector<std::string> replies(kClients);
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([i, &replies] {
            CallPipe("queue", std::to_string(i), replies[static_cast<std::size_t>(i)], 5000ms);
        });
    }
    for (auto& c : clients) {
        c.join();
    }
    server.join();
    for (int i = 0; i < kClients; ++i) {
        EXPECT_EQ(replies[static_cast<std::size_t>(i)], std::to_string(i) + "!");
    }
}
