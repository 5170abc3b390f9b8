// How much a worker's call to the window costs: a call carried through the UI-thread gate and
// the window's event queue, next to a bare hand-off of the same call between the same two
// threads through a mutex and a condition variable. Runs under a display (xvfb-run).

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/log.h>

#include "platform/ui/UiThreadCall.h"

wxIMPLEMENT_APP_NO_MAIN(wxApp);

namespace {

// Baseline: one job slot, the worker fills it and waits, the UI thread runs it and signals.
class BareHandOff {
public:
    void Run(const std::function<void()>& fn) {
        std::unique_lock lock(mutex_);
        job_ = &fn;
        done_ = false;
        changed_.notify_all();
        changed_.wait(lock, [&] { return done_; });
    }
    // UI thread: runs a waiting job, if any.
    bool Serve() {
        std::unique_lock lock(mutex_);
        if (job_ == nullptr) {
            return false;
        }
        (*job_)();
        job_ = nullptr;
        done_ = true;
        changed_.notify_all();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* job_ = nullptr;
    bool done_ = true;
};

void BM_BareHandOff(benchmark::State& state) {
    BareHandOff handOff;
    std::atomic<long> calls{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        while (!stop) {
            handOff.Run([&] { calls.fetch_add(1, std::memory_order_relaxed); });
        }
        finished = true;
    });
    for (auto _ : state) {
        const long target = calls + 1;
        while (calls < target) {
            handOff.Serve();
        }
    }
    stop = true;
    while (!finished) {
        handOff.Serve();
    }
    worker.join();
}
BENCHMARK(BM_BareHandOff)->UseRealTime();

void BM_UiThreadCall(benchmark::State& state) {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
    std::atomic<long> calls{0};
    std::atomic<bool> stop{false};
    {
        vorn::platform::UiThreadCall gate(frame);
        std::thread worker([&] {
            while (!stop && gate.Run([&] { calls.fetch_add(1, std::memory_order_relaxed); })) {
            }
        });
        for (auto _ : state) {
            const long target = calls + 1;
            while (calls < target) {
                wxTheApp->ProcessPendingEvents();
            }
        }
        stop = true;
        gate.Close();
        worker.join();
    }
    frame->Destroy();
    wxTheApp->ProcessPendingEvents();
}
BENCHMARK(BM_UiThreadCall)->UseRealTime();

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
