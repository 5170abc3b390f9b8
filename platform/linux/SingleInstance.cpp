#include "platform/SingleInstance.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/LocalPipe.h"
#include "platform/StopSignal.h"
#include "platform/TextConversion.h"
#include "platform/linux/LocalSocket.h"

namespace vorn::platform {

namespace {

constexpr std::size_t kMaxTitleBytes = 4096;
constexpr auto kClientWait = std::chrono::seconds(1);
constexpr auto kSendWait = std::chrono::seconds(2);

}  // namespace

// The first instance listens on a record socket named for the guard; a second start connects
// and sends the title it looks for.
struct SingleInstance::State {
    PipeListener listener;
    StopSignal stop;
    std::thread worker;
};

SingleInstance::SingleInstance(std::string name)
    : name_(std::move(name)), state_(std::make_unique<State>()) {
    PipeStatus status = PipeStatus::Failed;
    errno = 0;
    state_->listener = ListenPipe(name_, &status, PipeKind::Records);
    if (status == PipeStatus::Ok && state_->listener.IsListening()) {
        role_ = Role::First;
        lastError_ = 0;
    } else if (status == PipeStatus::AddressInUse) {
        role_ = Role::Second;
        lastError_ = EADDRINUSE;
    } else {
        role_ = Role::Unguarded;
        lastError_ = errno != 0 ? errno : EIO;
    }
}

SingleInstance::~SingleInstance() {
    Stop();
    state_->listener.Close();
}

void SingleInstance::ServeActivations(std::function<void(const std::wstring&)> handler) {
    if (role_ != Role::First || state_->worker.joinable()) {
        return;
    }
    State& state = *state_;
    state.stop.Clear();
    state.worker = std::thread([&state, handler = std::move(handler)] {
        while (true) {
            WaitResult result = WaitResult::Failed;
            UniqueFd client = state.listener.Accept(&state.stop, std::nullopt, &result);
            if (result == WaitResult::Stopped || state.stop.IsSignalled()) {
                return;
            }
            if (!client) {
                if (result == WaitResult::Failed) {
                    return;
                }
                continue;
            }
            std::string record;
            PipeStatus status = ReceiveRecord(client.get(), record, Clock::now() + kClientWait,
                                              &state.stop, kMaxTitleBytes);
            if (status == PipeStatus::Ok && handler) {
                handler(Utf8ToWide(record));
            }
        }
    });
}

void SingleInstance::Stop() {
    state_->stop.Signal();
    if (state_->worker.joinable()) {
        state_->worker.join();
    }
}

bool SingleInstance::SendActivation(const std::wstring& title) const {
    auto deadline = Clock::now() + kSendWait;
    UniqueFd fd = ConnectPipe(name_, deadline, nullptr, PipeKind::Records);
    if (!fd) {
        return false;
    }
    return SendRecord(fd.get(), WideToUtf8(title), deadline) == PipeStatus::Ok;
}

}  // namespace vorn::platform
