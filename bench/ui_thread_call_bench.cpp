// How long a worker waits for its call to the window: a call carried through the UI-thread
// gate while the UI thread runs a real event loop that sleeps in the toolkit's poll, next to a
// bare hand-off of the same call to a thread sleeping on a condition variable. Each call is
// timed from the worker's call to its return; p50 and p99 are reported in microseconds. The
// worker pauses between calls, as notifications do, so that every call has to wake the UI
// thread. Runs under a display (xvfb-run).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/log.h>

#include "platform/ui/UiThreadCall.h"

wxIMPLEMENT_APP_NO_MAIN(wxApp);

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCalls = 1000;
constexpr auto kPause = std::chrono::microseconds(200);

// Times kCalls calls of `call`, each after a pause, into `latencies` (microseconds).
void TimeCalls(const std::function<void()>& call, std::vector<double>& latencies) {
    for (int i = 0; i < kCalls; ++i) {
        std::this_thread::sleep_for(kPause);
        const auto start = Clock::now();
        call();
        latencies.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
}

void Report(benchmark::State& state, std::vector<double>& latencies) {
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) {
        return latencies[static_cast<std::size_t>(q * static_cast<double>(latencies.size() - 1))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = latencies.back();
    state.SetItemsProcessed(static_cast<std::int64_t>(latencies.size()));
}

// Baseline: one job slot; the worker fills it and waits, the serving thread sleeps on the
// condition variable until a job comes, runs it and signals.
class BareHandOff {
public:
    void Run(const std::function<void()>& fn) {
        std::unique_lock lock(mutex_);
        job_ = &fn;
        done_ = false;
        changed_.notify_all();
        changed_.wait(lock, [&] { return done_; });
    }
    // Serves jobs until Stop.
    void Serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return job_ != nullptr || stop_; });
            if (job_ == nullptr) {
                return;
            }
            (*job_)();
            job_ = nullptr;
            done_ = true;
            changed_.notify_all();
        }
    }
    void Stop() {
        std::lock_guard lock(mutex_);
        stop_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* job_ = nullptr;
    bool done_ = true;
    bool stop_ = false;
};

void BM_BareHandOff(benchmark::State& state) {
    std::vector<double> latencies;
    long calls = 0;
    for (auto _ : state) {
        BareHandOff handOff;
        std::thread worker([&] {
            TimeCalls([&] { handOff.Run([&] { ++calls; }); }, latencies);
            handOff.Stop();
        });
        handOff.Serve();
        worker.join();
    }
    benchmark::DoNotOptimize(calls);
    Report(state, latencies);
}
BENCHMARK(BM_BareHandOff)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_UiThreadCallIntoSleepingLoop(benchmark::State& state) {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
    std::vector<double> latencies;
    long calls = 0;
    {
        vorn::platform::UiThreadCall gate(frame);
        for (auto _ : state) {
            wxGUIEventLoop loop;
            std::thread worker([&] {
                TimeCalls([&] { gate.Run([&] { ++calls; }); }, latencies);
                gate.Run([&] { loop.Exit(0); });
            });
            loop.Run();
            worker.join();
        }
        gate.Close();
    }
    benchmark::DoNotOptimize(calls);
    frame->Destroy();
    wxTheApp->ProcessPendingEvents();
    Report(state, latencies);
}
BENCHMARK(BM_UiThreadCallIntoSleepingLoop)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr, "cannot start wxWidgets (is DISPLAY set?)\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    wxEntryCleanup();
    return 0;
}
