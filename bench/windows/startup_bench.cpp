// How long the operator waits from starting Vorn_Update.exe until its main window exists, and
// the memory it holds while idle with 50 devices listed, under Wine. The baseline is a bare
// wxWidgets dialog program built the same way (static wxWidgets, MinGW-w64): this bench program
// itself, started with --baseline-dialog.
//
// The main window starts hidden in the notification area, so "ready" is the moment a top-level
// window with the program's title exists (FindWindowW), for both programs alike: by then the
// program has read its settings, loaded its language, started the agent link and built every
// control of the window.

#include "platform/windows/WindowsApi.h"

#include <psapi.h>

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ThisProcess.h"
#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using vorn::test::ChildProcess;

const fs::path kBin = VORN_BIN_DIR;
constexpr wchar_t kMainTitle[] = L"Vorn Update v2.2.1.2293";
constexpr wchar_t kBaselineTitle[] = L"Startup baseline";
constexpr const char* kBaselineFlag = "--baseline-dialog";

// The baseline program: one dialog with a few controls, shown at once, until asked to end.
class BaselineApp : public wxApp {
public:
    bool OnInit() override {
        auto* dialog = new wxDialog(nullptr, wxID_ANY, kBaselineTitle);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(new wxStaticText(dialog, wxID_ANY, "Baseline"), 0, wxALL, 8);
        sizer->Add(new wxButton(dialog, wxID_OK, "OK"), 0, wxALL, 8);
        dialog->SetSizerAndFit(sizer);
        dialog->Show();
        // The bench ends it as it ends Vorn_Update: through the process's termination event.
        vorn::platform::TakeTerminationRequests();
        std::thread([] {
            vorn::platform::WaitForTerminationRequest();
            wxTheApp->CallAfter([] { wxTheApp->ExitMainLoop(); });
        }).detach();
        return true;
    }
};

fs::path SelfPath() {
    wchar_t path[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return path;
}

// Starts the program and waits until its window exists; the wall time, or nothing. `idle` keeps
// it running that long afterwards and gives its working set in KiB.
struct Run {
    double seconds = 0;
    long workingSetKiB = -1;
};
std::optional<Run> StartOnce(const fs::path& program, const std::vector<std::string>& args,
                             const wchar_t* title, std::chrono::milliseconds idle = 0ms) {
    const auto start = Clock::now();
    ChildProcess child(program, args);
    if (!child.started()) {
        return std::nullopt;
    }
    const auto deadline = start + 30s;
    while (::FindWindowW(nullptr, title) == nullptr && Clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    Run run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (::FindWindowW(nullptr, title) == nullptr) {
        return std::nullopt;
    }
    if (idle > 0ms) {
        std::this_thread::sleep_for(idle);
        if (HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                                           static_cast<DWORD>(child.id()))) {
            PROCESS_MEMORY_COUNTERS counters{};
            if (::GetProcessMemoryInfo(process, &counters, sizeof counters)) {
                run.workingSetKiB = static_cast<long>(counters.WorkingSetSize / 1024);
            }
            ::CloseHandle(process);
        }
    }
    child.Terminate(20s);
    // The window is gone with the process; the next start must not find this one.
    while (::FindWindowW(nullptr, title) != nullptr && Clock::now() < deadline + 20s) {
        std::this_thread::sleep_for(10ms);
    }
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A simulator holding the agent's pipes, so that the program's own agent start finds them
// taken, as on an operator's machine with the agent service running.
class Agent {
public:
    explicit Agent(int devices)
        : child_(kBin / "AgentZelt.exe", {"--idle", "--devices", std::to_string(devices)}) {
        std::this_thread::sleep_for(500ms);
    }

private:
    ChildProcess child_;
};

// Each iteration starts the baseline dialog and then Vorn_Update.exe, one right after the
// other, so that both meet the same load on the machine. The iteration time is Vorn_Update's;
// the counters give both medians and the median of the per-pair ratios.
void BM_Startup_VornUpdateBesideBaselineDialog(benchmark::State& state) {
    Agent agent(0);
    std::vector<double> baseline;
    std::vector<double> program;
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto bare = StartOnce(SelfPath(), {kBaselineFlag}, kBaselineTitle);
        const auto ours = StartOnce(kBin / "Vorn_Update.exe", {}, kMainTitle);
        if (!bare || !ours) {
            state.SkipWithError("a window did not appear");
            return;
        }
        baseline.push_back(bare->seconds);
        program.push_back(ours->seconds);
        ratios.push_back(ours->seconds / bare->seconds);
        state.SetIterationTime(ours->seconds);
    }
    state.counters["baseline_ms"] = Median(baseline) * 1000.0;
    state.counters["vorn_ms"] = Median(program) * 1000.0;
    state.counters["ratio"] = Median(ratios);
}

// The working set after the start-up requests are done (past the 3000 ms revision request).
void BM_IdleMemory_VornUpdate50DevicesBesideBaselineDialog(benchmark::State& state) {
    Agent agent(50);
    for (auto _ : state) {
        const auto bare = StartOnce(SelfPath(), {kBaselineFlag}, kBaselineTitle, 4s);
        const auto ours = StartOnce(kBin / "Vorn_Update.exe", {}, kMainTitle, 4s);
        if (!bare || !ours || bare->workingSetKiB <= 0 || ours->workingSetKiB <= 0) {
            state.SkipWithError("a window did not appear or its memory could not be read");
            return;
        }
        state.counters["baseline_ws_KiB"] = static_cast<double>(bare->workingSetKiB);
        state.counters["vorn_ws_KiB"] = static_cast<double>(ours->workingSetKiB);
        state.counters["ratio"] =
            static_cast<double>(ours->workingSetKiB) / static_cast<double>(bare->workingSetKiB);
    }
}

BENCHMARK(BM_Startup_VornUpdateBesideBaselineDialog)
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleMemory_VornUpdate50DevicesBesideBaselineDialog)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], kBaselineFlag) == 0) {
        wxApp::SetInstance(new BaselineApp);
        return wxEntry(argc, argv);
    }
    // Everything this bench starts meets no running program or agent: a pipe namespace,
    // registry and data folders of its own.
    vorn::test::PrivatePipeNamespace ns;
    vorn::test::TempDir registry;
    vorn::test::TempDir data;
    vorn::test::ScopedEnv registryEnv{"VORN_REGISTRY_DIR", registry.path().string()};
    vorn::test::ScopedEnv dataEnv{"VORN_DATA_DIR", data.path().string()};
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
