// The Linux side of the local pipes: addresses, and where a stream message ends.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <thread>

#include "platform/LocalPipe.h"
#include "platform/linux/LocalSocket.h"
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

TEST(LocalSocket, AddressCarriesTheNamespace) {
    vorn::test::ScopedEnv ns("VORN_PIPE_NS", "test-ns-");
    EXPECT_EQ(vorn::platform::PipeAddress("pipe1"), std::string("\0test-ns-pipe1", 14));
}

// Closing without a word after reading the whole request is an empty answer; closing before
// reading all of it (the client's bytes are still queued) resets the connection: a failure.
TEST(LocalSocket, HangUpIsAnEmptyReplyOnlyAfterTheWholeRequestWasRead) {
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

// A reply that stops half-way ends the call at its bound.
TEST(LocalSocket, ReplyStalledHalfWayEndsTheCallAtItsBound) {
    vorn::test::PrivatePipeNamespace ns;
    PipeListener listener = PipeListener::Listen("odd");
    StopSignal callOver;
    std::thread server([&listener, &callOver] {
        UniqueFd stalling = listener.Accept(nullptr, Clock::now() + 5s);
        std::string request;
        ReceiveRecord(stalling.get(), request, Clock::now() + 5s);
        ::send(stalling.get(), "<half", 5, MSG_NOSIGNAL);
        callOver.WaitFor(5s);
    });
    std::string reply;
    const auto started = Clock::now();
    EXPECT_EQ(CallPipe("odd", "<q/>", reply, 300ms), PipeStatus::TimedOut);
    EXPECT_LT(Clock::now() - started, 2s);
    EXPECT_TRUE(reply.empty());
    callOver.Signal();
    server.join();
}
