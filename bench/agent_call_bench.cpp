// One request to the agent through CallAgent, next to the same exchange written with bare
// socket calls against the same local server: what the call layer costs on top of the socket.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "agent/AgentProtocol.h"
#include "agent/RequestChannel.h"
#include "platform/LocalPipe.h"

namespace {

using namespace vorn;

// Answers every request with a reply of the given size until the process ends.
class EchoAgent {
public:
    EchoAgent() {
        setenv("VORN_PIPE_NS", ("vorn-bench-" + std::to_string(getpid()) + "-").c_str(), 1);
        listener_ = platform::PipeListener::Listen(kRequestPipeName);
        thread_ = std::thread([this] { Serve(); });
    }
    ~EchoAgent() {
        stop_.Signal();
        thread_.join();
    }
    void SetReplySize(size_t size) { replySize_ = size; }

private:
    void Serve() {
        std::string request;
        while (!stop_.IsSignalled()) {
            platform::UniqueFd client = listener_.Accept(&stop_, std::nullopt);
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
BENCHMARK(BM_CallAgent)->Arg(64)->Arg(2048)->Arg(10000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
