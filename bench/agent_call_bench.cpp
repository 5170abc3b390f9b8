// One request to the agent through CallAgent, next to the same exchange written with the bare
// system calls against the same local server: what the call layer costs on top of them. On
// Linux the baseline is a stream socket; on Windows it is one CallNamedPipeW with a 2048-byte
// reply buffer, which cannot take the larger reply at all.
#include <benchmark/benchmark.h>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "agent/AgentProtocol.h"
#include "agent/RequestChannel.h"
#include "platform/LocalPipe.h"
#if !defined(_WIN32)
#include "platform/linux/LocalSocket.h"
#endif

namespace {

using namespace vorn;

// Answers every request with a reply of the given size until the process ends.
class EchoAgent {
public:
    EchoAgent() {
#if defined(_WIN32)
        _putenv_s("VORN_PIPE_NS",
                  ("vorn-bench-" + std::to_string(::GetCurrentProcessId()) + "-").c_str());
#else
        setenv("VORN_PIPE_NS", ("vorn-bench-" + std::to_string(getpid()) + "-").c_str(), 1);
#endif
        listener_ = platform::PipeListener::Listen(kRequestPipeName);
        thread_ = std::thread([this] { Serve(); });
    }
    ~EchoAgent() {
        stop_.Signal();
        thread_.join();
    }
    void SetReplySize(size_t size) {
        replySize_ = size;
    }

private:
    void Serve() {
        std::string request;
        while (!stop_.IsSignalled()) {
            platform::PipeHandle client = listener_.Accept(&stop_, std::nullopt);
            if (client && platform::ReceiveRecord(client.get(), request, std::nullopt, &stop_) ==
                              platform::PipeStatus::Ok) {
                platform::SendRecord(client.get(), std::string(replySize_.load(), 'r'));
            }
        }
    }

    platform::PipeListener listener_;
    platform::StopSignal stop_;
    std::atomic<size_t> replySize_{64};
    std::thread thread_;
};

EchoAgent& Agent() {
    static EchoAgent agent;
    return agent;
}

void BM_CallAgent(benchmark::State& state) {
    Agent().SetReplySize(static_cast<size_t>(state.range(0)));
    const std::string request = request::GetAllDevInfo();
    std::string reply;
    for (auto _ : state) {
        if (!CallAgent(request, reply)) {
            state.SkipWithError("call failed");
            break;
        }
        benchmark::DoNotOptimize(reply.data());
    }
}

#if defined(_WIN32)

// The baseline: the same exchange as one CallNamedPipeW into a 2048-byte buffer.
void BM_RawCallNamedPipe(benchmark::State& state) {
    Agent().SetReplySize(static_cast<size_t>(state.range(0)));
    const char* ns = std::getenv("VORN_PIPE_NS");
    std::string name =
        std::string("\\\\.\\pipe\\") + (ns ? ns : "") + std::string(kRequestPipeName);
    const std::wstring wide(name.begin(), name.end());
    std::string request = request::GetAllDevInfo();
    char buffer[2048];
    for (auto _ : state) {
        DWORD read = 0;
        if (!::CallNamedPipeW(wide.c_str(), request.data(), static_cast<DWORD>(request.size()),
                              buffer, sizeof(buffer), &read, 5000) ||
            read != static_cast<DWORD>(state.range(0))) {
            state.SkipWithError("raw round trip failed");
            break;
        }
        benchmark::DoNotOptimize(buffer);
    }
}

BENCHMARK(BM_RawCallNamedPipe)->Arg(64)->Arg(2048)->UseRealTime();

#else

// The baseline: the same exchange in the stream form with bare socket calls: socket, connect,
// send the request, shut down sending, read until the agent closes, close.
void BM_RawSocketRoundTrip(benchmark::State& state) {
    Agent().SetReplySize(static_cast<size_t>(state.range(0)));
    const std::string address = platform::PipeAddress(kRequestPipeName);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, address.data(), address.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size());
    const std::string request = request::GetAllDevInfo();
    std::string buffer(1 << 20, '\0');
    for (auto _ : state) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), length) == 0 &&
                  send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                      static_cast<ssize_t>(request.size()) &&
                  shutdown(fd, SHUT_WR) == 0;
        std::size_t received = 0;
        while (ok) {
            const ssize_t got = recv(fd, buffer.data() + received, buffer.size() - received, 0);
            if (got == 0) {
                break;
            }
            ok = got > 0;
            received += ok ? static_cast<std::size_t>(got) : 0;
        }
        close(fd);
        if (!ok || received != static_cast<size_t>(state.range(0))) {
            state.SkipWithError("raw round trip failed");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}

BENCHMARK(BM_RawSocketRoundTrip)->Arg(64)->Arg(2048)->Arg(10000)->UseRealTime();

#endif
BENCHMARK(BM_CallAgent)->Arg(64)->Arg(2048)->Arg(10000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
