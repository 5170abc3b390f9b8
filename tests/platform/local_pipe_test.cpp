// Calls and serving through the pipe interface alone, as both platforms provide it.
#include "platform/LocalPipe.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/TestEnvironment.h"

using namespace std::chrono_literals;
using vorn::platform::CallPipe;
using vorn::platform::Clock;
using vorn::platform::kMaxMessageBytes;
using vorn::platform::PipeHandle;
using vorn::platform::PipeListener;
using vorn::platform::PipeStatus;
using vorn::platform::ReceiveRecord;
using vorn::platform::SendRecord;
using vorn::platform::StopSignal;
using vorn::platform::WaitResult;

namespace {

// Answers `count` calls on `listener`, each with `answer(request)`.
std::thread Serve(PipeListener& listener, int count,
                  std::function<std::string(const std::string&)> answer) {
    return std::thread([&listener, count, answer] {
        for (int i = 0; i < count; ++i) {
            PipeHandle client = listener.Accept(nullptr, Clock::now() + 5s);
            if (!client) {
                return;
            }
            std::string request;
            if (ReceiveRecord(client.get(), request, Clock::now() + 5s) == PipeStatus::Ok) {
                SendRecord(client.get(), answer(request), Clock::now() + 10s);
            }
        }
    });
}

std::string Pattern(std::size_t size) {
    std::string text(size, 'a');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    return text;
}

}  // namespace

TEST(LocalPipe, CallWithoutListenerFailsAtOnce) {
    vorn::test::PrivatePipeNamespace ns;
    std::string reply = "stale";
    const auto started = Clock::now();
    // Far sooner than the call's own bound: no waiting for a listener to come.
    EXPECT_EQ(CallPipe("nobody", "<x/>", reply, 60s), PipeStatus::NotFound);
    EXPECT_LT(Clock::now() - started, 10s);
    EXPECT_TRUE(reply.empty());
}

// Requests and replies on either side of the sizes a pipe buffer or a read buffer has.
TEST(LocalPipe, RecordsOfEverySizeArriveWhole) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("echo");
    ASSERT_TRUE(listener.IsListening());
    const std::vector<std::size_t> sizes = {0,    1,     2047,  2048,   2049,   4096,
                                            4097, 65536, 65537, 100000, 300000, 5u << 20};
    std::thread server = Serve(listener, static_cast<int>(sizes.size()),
                               [](const std::string& request) { return "[" + request + "]"; });
    for (std::size_t size : sizes) {
        const std::string request = Pattern(size);
        std::string reply;
        EXPECT_EQ(CallPipe("echo", request, reply, 5000ms), PipeStatus::Ok) << size;
        EXPECT_EQ(reply, "[" + request + "]") << size;
    }
    server.join();
}

// A reply over the caller's cap is refused whatever it holds, its size is told, and the reply
// stays empty.
TEST(LocalPipe, OversizedRepliesAreRefusedWithTheirSize) {
    struct Case {
        std::size_t replyBytes;
        std::size_t cap;
    };
    const Case cases[] = {
        {4097, 4096},
        {5000, 4096},
        {kMaxMessageBytes + (1u << 20), kMaxMessageBytes},
    };
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("big");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replyBytes);
        std::thread server =
            Serve(listener, 1, [&c](const std::string&) { return std::string(c.replyBytes, 'x'); });
        std::string reply = "stale";
        std::size_t size = 0;
        EXPECT_EQ(CallPipe("big", "<q/>", reply, 20000ms, c.cap, &size), PipeStatus::TooLarge);
        EXPECT_EQ(size, c.replyBytes);
        EXPECT_TRUE(reply.empty());
        server.join();
    }
}

TEST(LocalPipe, SilentServerEndsTheCallAtItsBound) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("silent");
    StopSignal callOver;
    // Takes the request and never answers.
    std::thread server([&] {
        PipeHandle client = listener.Accept(&callOver, Clock::now() + 5s);
        std::string request;
        ReceiveRecord(client.get(), request, Clock::now() + 5s, &callOver);
        callOver.WaitFor(10s);
    });
    std::string reply;
    const auto started = Clock::now();
    EXPECT_EQ(CallPipe("silent", "<q/>", reply, 300ms), PipeStatus::TimedOut);
    const auto took = Clock::now() - started;
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 3s);
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

// Without a deadline only the stop signal ends an accept; a deadline ends it by itself.
TEST(LocalPipe, AcceptEndsOnTheStopSignalOrItsDeadline) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("idle");
    StopSignal stop;
    WaitResult result = WaitResult::Ready;
    std::thread waiter([&] { PipeHandle client = listener.Accept(&stop, std::nullopt, &result); });
    std::this_thread::sleep_for(50ms);
    stop.Signal();
    waiter.join();
    EXPECT_EQ(result, WaitResult::Stopped);
    EXPECT_TRUE(stop.IsSignalled());
    stop.Clear();
    EXPECT_FALSE(stop.IsSignalled());

    const auto started = Clock::now();
    EXPECT_FALSE(listener.Accept(&stop, Clock::now() + 100ms, &result));
    EXPECT_EQ(result, WaitResult::TimedOut);
    EXPECT_LT(Clock::now() - started, 3s);
    // The listener still serves after both.
    std::thread server = Serve(listener, 1, [](const std::string& r) { return r; });
    std::string reply;
    EXPECT_EQ(CallPipe("idle", "<again/>", reply, 5000ms), PipeStatus::Ok);
    EXPECT_EQ(reply, "<again/>");
    server.join();
}

TEST(LocalPipe, ConnectionsQueueWhileTheServerIsBusy) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("queue");
    constexpr int kClients = 8;
    std::thread server = Serve(listener, kClients, [](const std::string& r) {
        std::this_thread::sleep_for(20ms);  // the others wait meanwhile
        return r + "!";
    });
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
