// How long the operator waits from starting Vorn_Update until its main window is on screen,
// and how much memory it holds while idle with 50 devices listed. The baseline is a bare
// wxWidgets dialog program, started and watched the same way: this bench program itself,
// started with --baseline-dialog.
//
// A window counts as on screen when the X server maps it (MapNotify on the root window). Run
// under Xvfb without a tray host, where the main window stays visible; without a display the
// bench starts an Xvfb of its own for both programs.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/TestEnvironment.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const fs::path kBin = VORN_BIN_DIR;
constexpr const char* kMainTitle = "Vorn Update v2.2.1.2293";
constexpr const char* kBaselineTitle = "Startup baseline";
constexpr const char* kBaselineFlag = "--baseline-dialog";

// The baseline program: one dialog with a few controls, shown at once, until SIGTERM.
class BaselineApp : public wxApp {
public:
    bool OnInit() override {
        auto* dialog = new wxDialog(nullptr, wxID_ANY, kBaselineTitle);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(new wxStaticText(dialog, wxID_ANY, "Baseline"), 0, wxALL, 8);
        sizer->Add(new wxButton(dialog, wxID_OK, "OK"), 0, wxALL, 8);
        dialog->SetSizerAndFit(sizer);
        dialog->Show();
        SetSignalHandler(SIGTERM, [](int) { wxTheApp->ExitMainLoop(); });
        return true;
    }
};

pid_t Spawn(const fs::path& program, std::vector<std::string> args) {
    args.insert(args.begin(), program.string());
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// Watches the root window for top-level windows being mapped.
// The display named by DISPLAY, waited for a few seconds: a server started just before this
// process (xvfb-run) may not take clients at once.
Display* OpenDisplaySoon() {
    if (std::getenv("DISPLAY") == nullptr) {
        return nullptr;
    }
    const auto deadline = Clock::now() + 5s;
    for (;;) {
        if (Display* display = XOpenDisplay(nullptr)) {
            return display;
        }
        if (Clock::now() >= deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(50ms);
    }
}

class MapWatcher {
public:
    MapWatcher() : display_(OpenDisplaySoon()) {
        if (display_ != nullptr) {
            XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
            XSync(display_, False);
        }
    }
    ~MapWatcher() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    bool ok() const { return display_ != nullptr; }

    // Waits until a window with exactly this title is mapped; false after `limit`.
    bool WaitForMapped(const char* title, std::chrono::milliseconds limit) {
        auto deadline = Clock::now() + limit;
        int fd = ConnectionNumber(display_);
        while (Clock::now() < deadline) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == MapNotify && HasTitle(event.xmap.window, title)) {
                    return true;
                }
            }
            fd_set set;
            FD_ZERO(&set);
            FD_SET(fd, &set);
            timeval tv{0, 20000};
            select(fd + 1, &set, nullptr, nullptr, &tv);
        }
        return false;
    }

private:
    bool HasTitle(Window window, const char* title) {
        // The toolkit may map a frame around the client window; look at both levels.
        if (NameIs(window, title)) {
            return true;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        bool found = false;
        if (XQueryTree(display_, window, &root, &parent, &children, &count) != 0) {
            for (unsigned int i = 0; i < count && !found; ++i) {
                found = NameIs(children[i], title);
            }
            if (children != nullptr) {
                XFree(children);
            }
        }
        return found;
    }
    bool NameIs(Window window, const char* title) {
        XTextProperty property{};
        if (XGetWMName(display_, window, &property) == 0 || property.value == nullptr) {
            return false;
        }
        bool same = std::strcmp(reinterpret_cast<const char*>(property.value), title) == 0;
        XFree(property.value);
        return same;
    }

    Display* display_;
};

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// A private world for Vorn_Update: its own pipe namespace, registry and data folders, and a
// simulator that already holds the agent's pipes.
class ProgramWorld {
public:
    explicit ProgramWorld(int devices) {
        agent_ = Spawn(kBin / "AgentZelt", {"--idle", "--devices", std::to_string(devices)});
        std::this_thread::sleep_for(300ms);
    }
    ~ProgramWorld() { Stop(agent_); }

private:
    vorn::test::PrivatePipeNamespace ns_;
    vorn::test::TempDir registry_;
    vorn::test::TempDir data_;
    vorn::test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    vorn::test::ScopedEnv dataEnv_{"VORN_DATA_DIR", data_.path().string()};
    pid_t agent_ = -1;
};

fs::path SelfPath() {
    return fs::read_symlink("/proc/self/exe");
}

// Starts the program and waits for its window; the wall time from spawn to map, or nothing.
std::optional<double> StartOnce(MapWatcher& watcher, const fs::path& program,
                                const std::vector<std::string>& args, const char* title) {
    auto start = Clock::now();
    pid_t pid = Spawn(program, args);
    bool mapped = watcher.WaitForMapped(title, 20s);
    auto elapsed = std::chrono::duration<double>(Clock::now() - start);
    Stop(pid);
    if (!mapped) {
        return std::nullopt;
    }
    return elapsed.count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Each iteration starts the baseline dialog and then Vorn_Update, one right after the other, so
// that both meet the same load on the machine; a shared machine's load swings by tens of
// percent within seconds. The iteration time is Vorn_Update's; the counters give both medians
// and the median of the per-pair ratios, which is the figure the start-up goal is stated in.
void BM_Startup_VornUpdateBesideBaselineDialog(benchmark::State& state) {
    MapWatcher watcher;
    if (!watcher.ok()) {
        state.SkipWithError("no X display");
        return;
    }
    ProgramWorld world(0);
    std::vector<double> baseline;
    std::vector<double> program;
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto bare = StartOnce(watcher, SelfPath(), {kBaselineFlag}, kBaselineTitle);
        const auto ours = StartOnce(watcher, kBin / "Vorn_Update", {}, kMainTitle);
        if (!bare || !ours) {
            state.SkipWithError("a window did not appear");
            return;
        }
        baseline.push_back(*bare);
        program.push_back(*ours);
        ratios.push_back(*ours / *bare);
        state.SetIterationTime(*ours);
    }
    state.counters["baseline_ms"] = Median(baseline) * 1000.0;
    state.counters["vorn_ms"] = Median(program) * 1000.0;
    state.counters["ratio"] = Median(ratios);
}

// Resident memory after the window is up and the start-up requests are done.
std::optional<long> IdleMemoryKiB(MapWatcher& watcher, const fs::path& program,
                                  const std::vector<std::string>& args, const char* title) {
    pid_t pid = Spawn(program, args);
    if (!watcher.WaitForMapped(title, 20s)) {
        Stop(pid);
        return std::nullopt;
    }
    std::this_thread::sleep_for(4s);  // past the 3000 ms revision request
    const long kib = ResidentKiB(pid);
    Stop(pid);
    return kib;
}

// The baseline dialog and Vorn_Update with 50 devices, one after the other on the same display.
void BM_IdleMemory_VornUpdate50DevicesBesideBaselineDialog(benchmark::State& state) {
    MapWatcher watcher;
    if (!watcher.ok()) {
        state.SkipWithError("no X display");
        return;
    }
    ProgramWorld world(50);
    for (auto _ : state) {
        const auto bare = IdleMemoryKiB(watcher, SelfPath(), {kBaselineFlag}, kBaselineTitle);
        const auto ours = IdleMemoryKiB(watcher, kBin / "Vorn_Update", {}, kMainTitle);
        if (!bare || !ours) {
            state.SkipWithError("a window did not appear");
            return;
        }
        state.counters["baseline_rss_KiB"] = static_cast<double>(*bare);
        state.counters["vorn_rss_KiB"] = static_cast<double>(*ours);
        state.counters["ratio"] = static_cast<double>(*ours) / static_cast<double>(*bare);
    }
}

// When this process has no display, both programs get one of their own: an Xvfb that it starts
// and ends. Nothing when a display is there or none could be started.
class PrivateDisplay {
public:
    PrivateDisplay() {
        if (Display* display = OpenDisplaySoon()) {
            XCloseDisplay(display);
            return;
        }
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args = {"Xvfb", "-displayfd",   fd,          "-screen",
                                         "0",    "1280x1024x24", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&server_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) {
            server_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        // The server writes its display number once it accepts clients.
        std::string number;
        char c = 0;
        while (server_ > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') {
            number.push_back(c);
        }
        ::close(fds[0]);
        if (!number.empty()) {
            ::setenv("DISPLAY", (":" + number).c_str(), 1);
        }
    }
    ~PrivateDisplay() { Stop(server_); }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

private:
    pid_t server_ = -1;
};

BENCHMARK(BM_Startup_VornUpdateBesideBaselineDialog)
    ->UseManualTime()
    ->Iterations(25)
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
    // Everything this bench starts, the baseline included, meets no running program or agent:
    // a pipe namespace, registry and data folders of its own, and a display the two share.
    vorn::test::PrivatePipeNamespace ns;
    vorn::test::TempDir registry;
    vorn::test::TempDir data;
    vorn::test::ScopedEnv registryEnv{"VORN_REGISTRY_DIR", registry.path().string()};
    vorn::test::ScopedEnv dataEnv{"VORN_DATA_DIR", data.path().string()};
    PrivateDisplay display;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
