#include "platform/ui/UiThreadCall.h"

#include <condition_variable>
#include <mutex>

#include <wx/event.h>
#include <wx/thread.h>

namespace vorn::platform {

struct UiThreadCall::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
};

namespace {

struct Job {
    std::function<void()> fn;
    bool started = false;
    bool done = false;
};

}  // namespace

UiThreadCall::UiThreadCall(wxEvtHandler* handler)
    : handler_(handler), state_(std::make_shared<State>()) {}

UiThreadCall::~UiThreadCall() {
    Close();
}

bool UiThreadCall::Run(const std::function<void()>& fn) {
    if (wxThread::IsMain()) {
        if (IsClosed()) {
            return false;
        }
        fn();
        return true;
    }
    auto job = std::make_shared<Job>();
    job->fn = fn;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->closed) {
            return false;
        }
    }
    // The queued functor holds only shared state: if the window goes away with the call still
    // queued, the functor is deleted with its queue and nothing dangles.
    handler_->CallAfter([state = state_, job] {
        {
            std::lock_guard lock(state->mutex);
            if (state->closed) {
                return;
            }
            job->started = true;
        }
        job->fn();
        std::lock_guard lock(state->mutex);
        job->done = true;
        state->changed.notify_all();
    });
    std::unique_lock lock(state_->mutex);
    // A call already running keeps the worker waiting even after Close: fn may refer to the
    // worker's stack.
    state_->changed.wait(lock, [&] { return job->done || (state_->closed && !job->started); });
    return job->done;
}

void UiThreadCall::Close() {
    std::lock_guard lock(state_->mutex);
    state_->closed = true;
    state_->changed.notify_all();
}

bool UiThreadCall::IsClosed() const {
    std::lock_guard lock(state_->mutex);
    return state_->closed;
}

}  // namespace vorn::platform
