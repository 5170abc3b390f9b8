// Agent notifications per second: through the event channel worker and notification handling
// into the device table, next to a bare accept-and-read loop on the same kind of socket.

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/AgentEventPipe.h"
#include "agent/EventChannelWorker.h"
#include "monitor/DeviceTable.h"
#include "monitor/MainWindowOperations.h"
#include "monitor/NotificationHandler.h"
#include "monitor/NotificationViews.h"
#include "platform/LocalPipe.h"
#include "platform/linux/LocalSocket.h"

namespace {

using namespace std::chrono_literals;
using vorn::platform::Clock;

constexpr int kBatch = 1000;

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Device information for one of 50 devices, about the size the agent sends.
std::string Notification(int i) {
    return "<deviceinfo id=\"" + std::to_string(i % 50 + 1) + "\" connect=\"2\" updates=\"" +
           std::to_string(i % 7) +
           "\" type=\"Q750M1\" name=\"0123456789ABCDEF\" msgtype=\"0\" message=\"\"/>";
}

void SendAll(const std::vector<std::string>& messages) {
    for (const auto& m : messages) {
        for (;;) {
            auto fd =
                vorn::platform::ConnectPipe(vorn::AgentEventPipe::kPipeName, Clock::now() + 5s);
            if (fd) {
                vorn::platform::SendRecord(fd.get(), m, Clock::now() + 5s);
                break;
            }
            std::this_thread::yield();
        }
    }
}

std::vector<std::string> Batch() {
    std::vector<std::string> messages;
    for (int i = 0; i < kBatch; ++i) {
        messages.push_back(Notification(i));
    }
    return messages;
}

// A window that does nothing but hold the table.
class QuietWindow : public vorn::MainWindowOperations,
                    public vorn::ScanSessionView,
                    public vorn::OfflineUpdateView,
                    public vorn::RamFileViews {
public:
    void ShowStatusMessage(std::int32_t, const std::wstring&) override {}
    void ShowTrayBalloon(const std::wstring&) override {}
    void ShowUpdateSummary() override {}
    void EnterTaskMode() override {}
    void LeaveTaskMode() override {}
    void LeaveTaskModeKeepingProgress() override {}
    void RefreshUpdateAllButton() override { benchmark::DoNotOptimize(table.AnyUpdateAvailable()); }
    void StoreErrorRecord(const vorn::AgentErrorRecord&) override {}
    void StoreDownloadAddress(const std::wstring&) override {}
    void ShowLastCheckTime(const std::wstring&) override {}
    void ShowNextCheckTime(const std::wstring&) override {}
    void ShowNewRevision(const std::wstring&, const std::wstring&) override {}
    std::optional<std::int32_t> SelectedDeviceId() override { return std::nullopt; }
    void ShowScanButton(bool) override {}
    void PlaceProgress(std::int32_t) override {}
    void SetProgressPosition(int) override {}
    bool IsProgressVisible() override { return false; }
    void HideLoadingWindow() override {}
    vorn::DeviceTable& Devices() override { return table; }
    vorn::ScanSessionView& ScanSession() override { return *this; }
    vorn::OfflineUpdateView& OfflineUpdate() override { return *this; }
    vorn::RamFileViews& RamFiles() override { return *this; }
    void OnScanProgress(std::int32_t, std::int32_t) override {}
    void OnUploadProgress(std::int32_t, std::int32_t) override {}
    void OnOfflineUpdateProgress(std::int32_t, std::int32_t, bool) override {}
    void ShowRamFileList(const std::wstring&) override {}
    std::filesystem::path RamFileFolder() override { return {}; }
    void RememberRamFileFolder(const std::filesystem::path&) override {}
    std::optional<std::filesystem::path> AskSavePath(const vorn::RamFileSaveQuestion&) override {
        return std::nullopt;
    }
    void ShowErrorBox(const std::wstring&) override {}

    vorn::DeviceTable table;
};

// Baseline: accept one connection, read its record whole, drop it; nothing else.
void BM_RawAcceptAndRead(benchmark::State& state) {
    auto listener = vorn::platform::PipeListener::Listen(vorn::AgentEventPipe::kPipeName);
    if (!listener.IsListening()) {
        state.SkipWithError("cannot listen");
        return;
    }
    const auto messages = Batch();
    std::string text;
    for (auto _ : state) {
        std::thread sender(SendAll, std::cref(messages));
        for (int i = 0; i < kBatch; ++i) {
            auto client = listener.Accept(nullptr, std::nullopt);
            vorn::platform::ReceiveRecord(client.get(), text, Clock::now() + 5s);
            benchmark::DoNotOptimize(text.data());
        }
        sender.join();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

// The program's road: worker thread, notification handling, device table.
void BM_WorkerIntoDeviceTable(benchmark::State& state) {
    QuietWindow window;
    std::mutex mutex;
    std::condition_variable handled;
    long count = 0;
    vorn::EventChannelWorker worker(
        [&](const std::string& message) {
            vorn::HandleNotification(message, window);
            std::lock_guard lock(mutex);
            ++count;
            handled.notify_one();
        },
        nullptr);
    worker.Start();
    const auto messages = Batch();
    long expected = 0;
    for (auto _ : state) {
        SendAll(messages);
        expected += kBatch;
        std::unique_lock lock(mutex);
        handled.wait(lock, [&] { return count >= expected; });
    }
    worker.Stop();
    if (window.table.Count() != 50) {
        state.SkipWithError("devices missing from the table");
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

// One notification of `size` bytes, sent as the agent does.
std::string LargeNotification(std::size_t size) {
    std::string message = "<ram_file_get id=\"1\" filename=\"big.zip\" content=\"";
    message.resize(size - 3, 'A');
    return message + "\"/>";
}

// Baseline for large messages: accept, then plain reads into a buffer of the right size until
// the end of the stream.
void BM_RawStreamRead(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    auto listener = vorn::platform::PipeListener::Listen(vorn::AgentEventPipe::kPipeName);
    if (!listener.IsListening()) {
        state.SkipWithError("cannot listen");
        return;
    }
    const std::vector<std::string> messages{LargeNotification(size)};
    std::vector<char> buffer(size + 1);
    for (auto _ : state) {
        std::thread sender(SendAll, std::cref(messages));
        auto client = listener.Accept(nullptr, std::nullopt);
        std::size_t got = 0;
        for (;;) {
            vorn::platform::WaitReadable(client.get(), nullptr, std::nullopt);
            const ssize_t n = ::recv(client.get(), buffer.data() + got, buffer.size() - got, 0);
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        sender.join();
        if (got != size) {
            state.SkipWithError("message cut short");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// The program's road for the same message: the event channel worker reads it whole and hands
// it on.
void BM_EventChannelLargeMessage(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::mutex mutex;
    std::condition_variable handled;
    long count = 0;
    std::size_t lastSize = 0;
    vorn::EventChannelWorker worker(
        [&](const std::string& message) {
            std::lock_guard lock(mutex);
            lastSize = message.size();
            ++count;
            handled.notify_one();
        },
        nullptr);
    worker.Start();
    const std::vector<std::string> messages{LargeNotification(size)};
    long expected = 0;
    for (auto _ : state) {
        SendAll(messages);
        ++expected;
        std::unique_lock lock(mutex);
        handled.wait(lock, [&] { return count >= expected; });
    }
    worker.Stop();
    if (lastSize != size) {
        state.SkipWithError("message cut short");
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// One notification sent while N clients hold connections open without a word (N = 0 is the
// baseline): the time until it is handled, and the process's peak resident memory. Each
// iteration opens its silent connections afresh; they are closed after the notification arrived.
void BM_NotificationBehindSilentConnections(benchmark::State& state) {
    const auto silent = static_cast<std::size_t>(state.range(0));
    std::mutex mutex;
    std::condition_variable handled;
    long count = 0;
    vorn::EventChannelWorker worker(
        [&](const std::string&) {
            std::lock_guard lock(mutex);
            ++count;
            handled.notify_one();
        },
        nullptr);
    worker.Start();
    SendAll({"<ok/>"});  // the worker listens from here on
    {
        std::unique_lock lock(mutex);
        handled.wait(lock, [&] { return count >= 1; });
    }
    long expected = 1;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<vorn::platform::PipeHandle> idle;
        for (std::size_t i = 0; i < silent; ++i) {
            // A listener busy with others has a full queue: connecting may take a while.
            auto fd =
                vorn::platform::ConnectPipe(vorn::AgentEventPipe::kPipeName, Clock::now() + 120s);
            if (!fd) {
                break;
            }
            idle.push_back(std::move(fd));
        }
        state.counters["silent_open"] = static_cast<double>(idle.size());
        state.ResumeTiming();
        SendAll({Notification(1)});
        ++expected;
        std::unique_lock lock(mutex);
        if (!handled.wait_for(lock, 200s, [&] { return count >= expected; })) {
            state.SkipWithError("the notification did not arrive within 200 s");
            break;
        }
    }
    worker.Stop();
    state.counters["peak_rss_KiB"] = static_cast<double>(PeakResidentKiB());
}

BENCHMARK(BM_RawStreamRead)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_EventChannelLargeMessage)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_NotificationBehindSilentConnections)
    ->Arg(0)
    ->Arg(10)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RawAcceptAndRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WorkerIntoDeviceTable)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // A namespace of our own, so that a running program or test never meets the benchmark.
    const std::string ns = "bench-notifications-" + std::to_string(::getpid()) + "-";
    ::setenv("VORN_PIPE_NS", ns.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
