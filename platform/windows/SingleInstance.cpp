#include "platform/windows/WindowsApi.h"

#include "platform/SingleInstance.h"

#include <cstdlib>

#include "platform/windows/PipeSecurity.h"

namespace vorn::platform {

namespace {

// The message the first instance's main window takes as "come back".
constexpr UINT kActivationMessage = WM_USER + 107;

// VORN_PIPE_NS goes behind the namespace prefix ("Global\"), which must stay in front.
std::wstring MutexName(const std::string& name) {
    const char* ns = std::getenv("VORN_PIPE_NS");
    if (ns == nullptr || *ns == '\0') {
        return WidenUtf8(name);
    }
    const auto slash = name.find('\\');
    const std::size_t split = slash == std::string::npos ? 0 : slash + 1;
    return WidenUtf8(name.substr(0, split) + ns + name.substr(split));
}

}  // namespace

// The guard is a named mutex, held (never waited on) for the process's whole life; the system
// drops it with the process.
struct SingleInstance::State {
    HANDLE mutex = nullptr;
};

SingleInstance::SingleInstance(std::string name)
    : name_(std::move(name)), state_(std::make_unique<State>()) {
    state_->mutex = ::CreateMutexW(nullptr, FALSE, MutexName(name_).c_str());
    const DWORD error = ::GetLastError();  // read at once: anything else may change it
    if (state_->mutex != nullptr && error != ERROR_ALREADY_EXISTS) {
        role_ = Role::First;
        lastError_ = 0;
    } else if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        // Access denied: another user's instance holds the name in the global namespace.
        role_ = Role::Second;
        lastError_ = static_cast<int>(error);
    } else {
        role_ = Role::Unguarded;
        lastError_ = static_cast<int>(error);
    }
    if (role_ != Role::First && state_->mutex != nullptr) {
        ::CloseHandle(state_->mutex);
        state_->mutex = nullptr;
    }
}

SingleInstance::~SingleInstance() {
    Stop();
    if (state_->mutex != nullptr) {
        ::CloseHandle(state_->mutex);
    }
}

// The request reaches the first instance's window as a message, which the window handles.
void SingleInstance::ServeActivations(std::function<void(const std::wstring&)> /*handler*/) {}

void SingleInstance::Stop() {}

bool SingleInstance::SendActivation(const std::wstring& title) const {
    const HWND window = ::FindWindowW(nullptr, title.c_str());
    if (window == nullptr || !::IsWindow(window)) {
        return false;
    }
    return ::PostMessageW(window, kActivationMessage, 0, 0) != FALSE;
}

}  // namespace vorn::platform
