#include "platform/windows/WindowsApi.h"

#include "platform/LocalPipe.h"
#include "platform/ReceiveVerdict.h"

#include <algorithm>
#include <array>
#include <thread>
#include <vector>

#include "platform/windows/PipeSecurity.h"

namespace vorn::platform {

namespace {

// Both directions of a served instance; a message larger than this is simply written and read
// in several pieces.
constexpr DWORD kInstanceBufferBytes = 64 * 1024;
constexpr std::size_t kReadChunkBytes = 64 * 1024;

DWORD TimeoutMs(std::optional<Deadline> deadline) {
    if (!deadline) {
        return INFINITE;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    return static_cast<DWORD>(std::clamp<long long>(left.count(), 0, INFINITE - 1));
}

// A manual-reset event for one overlapped operation.
class IoEvent {
public:
    IoEvent() : handle_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~IoEvent() {
        if (handle_) {
            ::CloseHandle(handle_);
        }
    }
    IoEvent(const IoEvent&) = delete;
    IoEvent& operator=(const IoEvent&) = delete;
    explicit operator bool() const { return handle_ != nullptr; }

    // A fresh OVERLAPPED that signals this event.
    OVERLAPPED Overlapped() const {
        ::ResetEvent(handle_);
        OVERLAPPED overlapped{};
        overlapped.hEvent = handle_;
        return overlapped;
    }

private:
    HANDLE handle_;
};

bool IsGone(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ||
           error == ERROR_NO_DATA;
}

}  // namespace

PipeHandle::PipeHandle(NativeHandle handle)
    : handle_(handle == INVALID_HANDLE_VALUE ? kNoHandle : handle) {}

void PipeHandle::reset(NativeHandle handle) {
    if (handle_ != kNoHandle) {
        ::CloseHandle(handle_);
    }
    handle_ = handle == INVALID_HANDLE_VALUE ? kNoHandle : handle;
}

PipeHandle ConnectPipe(std::string_view name, Deadline deadline, PipeStatus* status) {
    auto report = [status](PipeStatus s) {
        if (status) {
            *status = s;
        }
    };
    const std::wstring path = PipePath(name);
    for (;;) {
        // Identification only: the server may learn who we are but cannot act as us.
        PipeHandle pipe(::CreateFileW(
            path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        if (pipe) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            if (!::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr)) {
                report(PipeStatus::Failed);
                return {};
            }
            report(PipeStatus::Ok);
            return pipe;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            report(PipeStatus::NotFound);
            return {};
        }
        if (error != ERROR_PIPE_BUSY) {
            report(PipeStatus::Failed);
            return {};
        }
        // Every instance is busy with another client: wait for one to come free. A wait of 0
        // would mean the pipe's default time-out, so the last millisecond ends here.
        const DWORD left = TimeoutMs(deadline);
        if (left == 0) {
            report(PipeStatus::TimedOut);
            return {};
        }
        if (!::WaitNamedPipeW(path.c_str(), left)) {
            const DWORD waitError = ::GetLastError();
            if (waitError == ERROR_FILE_NOT_FOUND) {
                report(PipeStatus::NotFound);
                return {};
            }
            if (waitError != ERROR_SEM_TIMEOUT) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
    }
}

PipeStatus SendRecord(NativeHandle pipe, std::string_view bytes, std::optional<Deadline> deadline) {
    if (bytes.size() > MAXDWORD) {
        return PipeStatus::TooLarge;  // one write cannot carry it
    }
    IoEvent event;
    if (!event) {
        return PipeStatus::Failed;
    }
    OVERLAPPED overlapped = event.Overlapped();
    const auto size = static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
    // One write is one message, the empty one included.
    if (::WriteFile(pipe, bytes.data(), size, nullptr, &overlapped)) {
        ::GetOverlappedResult(pipe, &overlapped, &written, FALSE);
    } else {
        error = ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            switch (WaitForIo(pipe, overlapped, nullptr, TimeoutMs(deadline), written, error)) {
                case IoWait::Done:
                    break;
                case IoWait::TimedOut:
                    return PipeStatus::TimedOut;
                case IoWait::Stopped:
                case IoWait::Failed:
                    return PipeStatus::Failed;
            }
        }
    }
    if (error != ERROR_SUCCESS) {
        return IsGone(error) ? PipeStatus::Closed : PipeStatus::Failed;
    }
    return written == size ? PipeStatus::Ok : PipeStatus::Failed;
}

PipeStatus ReceiveRecord(NativeHandle pipe, std::string& out, std::optional<Deadline> deadline,
                         const StopSignal* stop, std::size_t maxBytes, std::size_t* messageBytes) {
    out.clear();
    if (messageBytes) {
        *messageBytes = 0;
    }
    std::size_t total = 0;
    bool refused = false;
    auto finish = [&](PipeStatus status) {
        return detail::FinishReceive(status, out, refused, total, messageBytes);
    };
    IoEvent event;
    if (!event) {
        return finish(PipeStatus::Failed);
    }
    const HANDLE stopHandle = stop ? stop->native() : nullptr;
    std::vector<char> chunk(kReadChunkBytes);
    // A message larger than the buffer comes in pieces, each read reporting more data until the
    // last one succeeds.
    for (;;) {
        OVERLAPPED overlapped = event.Overlapped();
        DWORD got = 0;
        DWORD error = ERROR_SUCCESS;
        if (::ReadFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), nullptr,
                       &overlapped)) {
            ::GetOverlappedResult(pipe, &overlapped, &got, FALSE);
        } else {
            error = ::GetLastError();
            if (error == ERROR_IO_PENDING) {
                switch (WaitForIo(pipe, overlapped, stopHandle, TimeoutMs(deadline), got, error)) {
                    case IoWait::Done:
                        break;
                    case IoWait::Stopped:
                        return finish(PipeStatus::Stopped);
                    case IoWait::TimedOut:
                        return finish(PipeStatus::TimedOut);
                    case IoWait::Failed:
                        return finish(PipeStatus::Failed);
                }
            } else if (error == ERROR_MORE_DATA) {
                got = static_cast<DWORD>(overlapped.InternalHigh);
            }
        }
        if (error != ERROR_SUCCESS && error != ERROR_MORE_DATA) {
            return finish(IsGone(error) ? PipeStatus::Closed : PipeStatus::Failed);
        }
        const std::size_t bytes = std::min<std::size_t>(got, chunk.size());
        total += bytes;
        // Past the cap the rest is only counted, so that the refusal can say how large it was.
        if (!refused && total > maxBytes) {
            refused = true;
            const std::size_t room =
                out.size() < kRefusedHeadBytes ? kRefusedHeadBytes - out.size() : 0;
            out.append(chunk.data(), std::min(room, bytes));
            out.resize(std::min(out.size(), kRefusedHeadBytes));
            out.shrink_to_fit();
        } else if (!refused) {
            out.append(chunk.data(), bytes);
        }
        if (error == ERROR_SUCCESS) {
            return finish(PipeStatus::Ok);
        }
    }
}

PipeListener PipeListener::Listen(std::string_view name, PipeStatus* status) {
    auto report = [status](PipeStatus s) {
        if (status) {
            *status = s;
        }
    };
    PipeHandle first(CreatePipeInstance(PipePath(name), true, kInstanceBufferBytes));
    if (!first) {
        // The first-instance flag fails with access denied when the name is served already.
        const DWORD error = ::GetLastError();
        report(error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY ? PipeStatus::AddressInUse
                                                                        : PipeStatus::Failed);
        return {};
    }
    report(PipeStatus::Ok);
    return PipeListener(std::move(first), std::string(name));
}

PipeHandle PipeListener::Accept(const StopSignal* stop, std::optional<Deadline> deadline,
                                WaitResult* result) {
    auto report = [result](WaitResult r) {
        if (result) {
            *result = r;
        }
    };
    if (!handle_ && !name_.empty()) {
        // Making the instance after the last connection failed; try again.
        handle_.reset(CreatePipeInstance(PipePath(name_), false, kInstanceBufferBytes));
    }
    IoEvent event;
    if (!handle_ || !event) {
        report(WaitResult::Failed);
        return {};
    }
    const HANDLE stopHandle = stop ? stop->native() : nullptr;
    {
        if (stopHandle && ::WaitForSingleObject(stopHandle, 0) == WAIT_OBJECT_0) {
            report(WaitResult::Stopped);
            return {};
        }
        OVERLAPPED overlapped = event.Overlapped();
        DWORD error = ERROR_SUCCESS;
        if (!::ConnectNamedPipe(handle_.get(), &overlapped)) {
            error = ::GetLastError();
        }
        if (error == ERROR_IO_PENDING) {
            DWORD ignored = 0;
            switch (WaitForIo(handle_.get(), overlapped, stopHandle, TimeoutMs(deadline), ignored,
                              error)) {
                case IoWait::Done:
                    break;
                case IoWait::Stopped:
                    report(WaitResult::Stopped);
                    return {};
                case IoWait::TimedOut:
                    report(WaitResult::TimedOut);
                    return {};
                case IoWait::Failed:
                    report(WaitResult::Failed);
                    return {};
            }
        }
        // No data: the client wrote and left before we looked; what it wrote can still be read.
        if (error == ERROR_SUCCESS || error == ERROR_PIPE_CONNECTED || error == ERROR_NO_DATA) {
            // The connected instance goes to the caller; a new one waits for the next client at
            // once, so that the name never looks absent to a client.
            PipeHandle client = std::move(handle_);
            handle_.reset(CreatePipeInstance(PipePath(name_), false, kInstanceBufferBytes));
            report(WaitResult::Ready);
            return client;
        }
        report(WaitResult::Failed);
        return {};
    }
}

}  // namespace vorn::platform
