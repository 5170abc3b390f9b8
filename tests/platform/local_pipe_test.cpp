#include "platform/LocalPipe.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
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
    // Far sooner than the call's own bound: no waiting for a listener to come.
    EXPECT_EQ(CallPipe("nobody", "<x/>", reply, 60s), PipeStatus::NotFound);
    EXPECT_LT(Clock::now() - started, 10s);
    EXPECT_TRUE(reply.empty());
}

TEST(LocalPipe, RecordsOfEverySizeArriveWhole) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("echo");
    ASSERT_TRUE(listener.IsListening());
    const std::vector<std::size_t> sizes = {0, 1, 2048, 2049, 4096, 4097, 100000, 300000, 5u << 20};
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

// Closing without a word after reading the whole request is an empty answer; closing before
// reading all of it (the client's bytes are still queued) resets the connection: a failure.
TEST(LocalPipe, HangUpIsAnEmptyReplyOnlyAfterTheWholeRequestWasRead) {
    struct Case {
        const char* name;
        std::size_t requestBytes;
        std::size_t serverReads;  // SIZE_MAX: to the end of the stream
        PipeStatus expected;
    };
    const Case cases[] = {
        {"read whole, small", 4, SIZE_MAX, PipeStatus::Ok},
        {"read whole, 5 MiB", 5u << 20, SIZE_MAX, PipeStatus::Ok},
        {"read nothing", 4, 0, PipeStatus::Closed},
        {"read part of 5 MiB", 5u << 20, 1000, PipeStatus::Closed},
    };
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("rude");
    for (const Case& c : cases) {
        std::thread server([&listener, &c] {
            UniqueFd client = listener.Accept(nullptr, Clock::now() + 5s);
            if (c.serverReads == SIZE_MAX) {
                std::string request;
                ReceiveRecord(client.get(), request, Clock::now() + 5s);
                return;
            }
            std::string part(c.serverReads, '\0');
            std::size_t got = 0;
            while (got < part.size() &&
                   vorn::platform::WaitReadable(client.get(), nullptr, Clock::now() + 5s) ==
                       WaitResult::Ready) {
                const ssize_t n = ::recv(client.get(), part.data() + got, part.size() - got, 0);
                if (n <= 0) {
                    break;
                }
                got += static_cast<std::size_t>(n);
            }
        });
        std::string reply = "stale";
        EXPECT_EQ(CallPipe("rude", std::string(c.requestBytes, 'q'), reply, 5000ms), c.expected)
            << c.name;
        EXPECT_EQ(reply, "") << c.name;
        server.join();
    }
}

// A reply over the cap is refused, whatever it holds, and its size is told; one that stops
// half-way ends the call at its bound.
TEST(LocalPipe, OversizedAndStalledRepliesFailTheCall) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("odd");
    const std::size_t oversized = vorn::platform::kMaxMessageBytes + (1u << 20);
    StopSignal callOver;
    std::thread server([&listener, &callOver, oversized] {
        UniqueFd client = listener.Accept(nullptr, Clock::now() + 5s);
        std::string request;
        ReceiveRecord(client.get(), request, Clock::now() + 5s);
        SendRecord(client.get(), std::string(oversized, 'x'), Clock::now() + 10s);

        UniqueFd stalling = listener.Accept(nullptr, Clock::now() + 5s);
        ReceiveRecord(stalling.get(), request, Clock::now() + 5s);
        ::send(stalling.get(), "<half", 5, MSG_NOSIGNAL);
        vorn::platform::WaitReadable(callOver.fd(), nullptr, Clock::now() + 5s);
    });
    std::string reply;
    std::size_t size = 0;
    EXPECT_EQ(CallPipe("odd", "<q/>", reply, 10000ms, vorn::platform::kMaxMessageBytes, &size),
              PipeStatus::TooLarge);
    EXPECT_EQ(size, oversized);
    EXPECT_TRUE(reply.empty());

    const auto started = Clock::now();
    EXPECT_EQ(CallPipe("odd", "<q/>", reply, 300ms), PipeStatus::TimedOut);
    EXPECT_LT(Clock::now() - started, 2s);
    EXPECT_TRUE(reply.empty());
    callOver.Signal();
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
    std::atomic<pid_t> waiting{0};
    std::thread waiter([&] {
        waiting = ::gettid();
        // Without a deadline: only the signal can end this wait.
        UniqueFd client = listener.Accept(&stop, std::nullopt, &result);
    });
    ASSERT_TRUE(vorn::test::WaitUntilThreadSleeps(waiting));  // inside Accept
    stop.Signal();
    waiter.join();
    EXPECT_EQ(result, WaitResult::Stopped);
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
