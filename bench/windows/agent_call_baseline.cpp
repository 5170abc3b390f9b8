#include "platform/windows/WindowsApi.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "AgentCallBench.h"
#include "agent/AgentProtocol.h"

namespace vorn::bench {
namespace {

// The baseline: the same exchange as one CallNamedPipeW into a 2048-byte buffer.
void BM_RawCallNamedPipe(benchmark::State& state) {
    Agent().SetReplySize(static_cast<std::size_t>(state.range(0)));
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

}  // namespace
}  // namespace vorn::bench
