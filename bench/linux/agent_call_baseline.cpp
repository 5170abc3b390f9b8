#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "AgentCallBench.h"
#include "agent/AgentProtocol.h"
#include "platform/linux/LocalSocket.h"

namespace vorn::bench {
namespace {

// The baseline: the same exchange in the stream form with bare socket calls: socket, connect,
// send the request, shut down sending, read until the agent closes, close.
void BM_RawSocketRoundTrip(benchmark::State& state) {
    Agent().SetReplySize(static_cast<std::size_t>(state.range(0)));
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
        if (!ok || received != static_cast<std::size_t>(state.range(0))) {
            state.SkipWithError("raw round trip failed");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}

BENCHMARK(BM_RawSocketRoundTrip)->Arg(64)->Arg(2048)->Arg(10000)->UseRealTime();

}  // namespace
}  // namespace vorn::bench
