// One request to the agent through CallAgent, next to the same exchange written with the bare
// system calls against the same local server (bench/<platform>/agent_call_baseline.cpp): what
// the call layer costs on top of them. On Linux the baseline is a stream socket; on Windows it is
// one CallNamedPipeW with a 2048-byte reply buffer, which cannot take the larger reply at all.
#include <benchmark/benchmark.h>

#include <string>

#include "AgentCallBench.h"
#include "agent/AgentProtocol.h"
#include "agent/RequestChannel.h"
#include "platform/ThisProcess.h"
#include "support/TestEnvironment.h"

namespace vorn::bench {

EchoAgent::EchoAgent() {
    test::SetEnvironmentValue("VORN_PIPE_NS",
                              "vorn-bench-" + std::to_string(platform::CurrentProcessId()) + "-");
    listener_ = platform::PipeListener::Listen(kRequestPipeName);
    thread_ = std::thread([this] { Serve(); });
}

EchoAgent::~EchoAgent() {
    stop_.Signal();
    thread_.join();
}

void EchoAgent::Serve() {
    std::string request;
    while (!stop_.IsSignalled()) {
        platform::PipeHandle client = listener_.Accept(&stop_, std::nullopt);
        if (client && platform::ReceiveRecord(client.get(), request, std::nullopt, &stop_) ==
                          platform::PipeStatus::Ok) {
            platform::SendRecord(client.get(), std::string(replySize_.load(), 'r'));
        }
    }
}

EchoAgent& Agent() {
    static EchoAgent agent;
    return agent;
}

namespace {

void BM_CallAgent(benchmark::State& state) {
    Agent().SetReplySize(static_cast<std::size_t>(state.range(0)));
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

BENCHMARK(BM_CallAgent)->Arg(64)->Arg(2048)->Arg(10000)->UseRealTime();

}  // namespace
}  // namespace vorn::bench

BENCHMARK_MAIN();
