#include "platform/SingleInstance.h"

#include <cerrno>
#include <chrono>

#include "platform/TextConversion.h"

namespace vorn::platform {

namespace {

constexpr std::size_t kMaxTitleBytes = 4096;
constexpr auto kClientWait = std::chrono::seconds(1);
constexpr auto kSendWait = std::chrono::seconds(2);

}  // namespace

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)) {
    PipeStatus status = PipeStatus::Failed;
    errno = 0;
    listener_ = PipeListener::Listen(name_, &status, PipeKind::Records);
    if (status == PipeStatus::Ok && listener_.IsListening()) {
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
    listener_.Close();
}

void SingleInstance::ServeActivations(std::function<void(const std::wstring&)> handler) {
    if (role_ != Role::First || worker_.joinable()) {
        return;
    }
    stop_.Clear();
    worker_ = std::thread([this, handler = std::move(handler)] {
        while (true) {
            WaitResult result = WaitResult::Failed;
            UniqueFd client = listener_.Accept(&stop_, std::nullopt, &result);
            if (result == WaitResult::Stopped || stop_.IsSignalled()) {
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
                                              &stop_, kMaxTitleBytes);
            if (status == PipeStatus::Ok && handler) {
                handler(Utf8ToWide(record));
            }
        }
    });
}

void SingleInstance::Stop() {
    stop_.Signal();
    if (worker_.joinable()) {
        worker_.join();
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
