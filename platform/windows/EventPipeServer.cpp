#include "platform/windows/WindowsApi.h"

#include "platform/EventPipeServer.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/EventPipeMessages.h"
#include "platform/ProgramLog.h"
#include "platform/windows/PipeSecurity.h"

namespace vorn::platform {

namespace {

// The pipe's own buffers; a longer message is read in pieces, the pipe reporting more data.
constexpr DWORD kPipeBufferBytes = 4096;
constexpr std::size_t kReadChunkBytes = 64 * 1024;
// One wait covers the stop signal, the instance waiting for a client and every connection.
constexpr std::size_t kMaxOpen =
    std::min<std::size_t>(EventPipeServer::kMaxConnections, MAXIMUM_WAIT_OBJECTS - 2);
// Connection attempts on the waiting instance before a pass gives up.
constexpr int kConnectAttempts = 5;
constexpr std::chrono::milliseconds kBusyPause{200};
// After an instance could not be made, the next try waits this long.
constexpr std::chrono::milliseconds kCreateRetryPause{100};

DWORD MillisecondsUntil(Deadline deadline, Deadline now) {
    if (deadline <= now) {
        return 0;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    return static_cast<DWORD>(std::min<long long>(left.count(), INFINITE - 1));
}

// A pipe instance with the event and OVERLAPPED of its one outstanding operation. Its address
// must not change while an operation is outstanding, so instances live on the heap.
struct Instance {
    PipeHandle pipe;
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    bool pending = false;
    bool connectedAtOnce = false;  // a connection wait that found its client already there

    Instance() = default;
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    ~Instance() {
        Cancel();
        if (event) {
            ::CloseHandle(event);
        }
    }

    OVERLAPPED* Fresh() {
        ::ResetEvent(event);
        overlapped = {};
        overlapped.hEvent = event;
        return &overlapped;
    }
    bool Completed() const { return pending && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }
    // Ends the outstanding operation, if any, and waits until the system is done with it.
    void Cancel() {
        if (pending && pipe && !connectedAtOnce) {
            ::CancelIoEx(pipe.get(), &overlapped);
            DWORD ignored = 0;
            ::GetOverlappedResult(pipe.get(), &overlapped, &ignored, TRUE);
        }
        pending = false;
    }
};

}  // namespace

struct EventPipeServer::State {
    struct Connection {
        Instance instance;
        std::vector<char> chunk = std::vector<char>(kReadChunkBytes);
        std::string text;
        std::size_t received = 0;  // every byte, also past the cap
        Deadline deadline;
        Deadline lastActivity;
        bool ended = false;
    };
    enum class Ending { EndOfMessage, Broken, TimedOut, PushedOut };

    PipeStatus Create(std::string_view name);
    WaitOutcome WaitForMessage(const StopSignal& stop);
    bool ReadMessage(std::string& text, std::size_t* refusedBytes);
    void Close();

    bool StartConnect(Deadline now);
    void Accepted(Deadline now);
    void StartRead(Connection& connection);
    void Completed(Connection& connection, Deadline now);
    void End(Connection& connection, Ending how);
    void PushOutIdlest();
    void RemoveEnded();

    std::wstring path;
    std::unique_ptr<Instance> waiting;  // the instance a client connects to next
    std::vector<std::unique_ptr<Connection>> connections;
    detail::EventPipeMessages finished;
    std::optional<Deadline> leftAt;
    std::optional<Deadline> createPausedUntil;
};

EventPipeServer::EventPipeServer() : state_(std::make_unique<State>()) {}

EventPipeServer::~EventPipeServer() = default;

PipeStatus EventPipeServer::Create(std::string_view name) {
    return state_->Create(name);
}

bool EventPipeServer::IsCreated() const {
    return !state_->path.empty();
}

EventPipeServer::WaitOutcome EventPipeServer::WaitForMessage(const StopSignal& stop) {
    return state_->WaitForMessage(stop);
}

bool EventPipeServer::ReadMessage(std::string& text, std::size_t* refusedBytes) {
    return state_->ReadMessage(text, refusedBytes);
}

std::size_t EventPipeServer::OpenConnections() const {
    return state_->connections.size();
}

void EventPipeServer::Close() {
    state_->Close();
}

PipeStatus EventPipeServer::State::Create(std::string_view name) {
    Close();
    const std::wstring wanted = PipePath(name);
    auto first = std::make_unique<Instance>();
    first->pipe.reset(CreatePipeInstance(wanted, true, kPipeBufferBytes));
    if (!first->pipe || !first->event) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY ? PipeStatus::AddressInUse
                                                                        : PipeStatus::Failed;
    }
    path = wanted;
    waiting = std::move(first);
    return PipeStatus::Ok;
}

// Leaves a connection wait outstanding on the waiting instance (making the instance first when
// there is none). False when the attempts ran out; a client that is already there is taken.
bool EventPipeServer::State::StartConnect(Deadline now) {
    if (waiting && waiting->pending) {
        return true;
    }
    if (!waiting) {
        if (createPausedUntil && now < *createPausedUntil) {
            return true;  // the wait below ends when the pause does
        }
        createPausedUntil.reset();
        auto next = std::make_unique<Instance>();
        next->pipe.reset(CreatePipeInstance(path, false, kPipeBufferBytes));
        if (!next->pipe || !next->event) {
            createPausedUntil = now + kCreateRetryPause;
            return true;
        }
        waiting = std::move(next);
    }
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        DWORD error = ERROR_SUCCESS;
        if (!::ConnectNamedPipe(waiting->pipe.get(), waiting->Fresh())) {
            error = ::GetLastError();
        }
        switch (error) {
            case ERROR_IO_PENDING:
                waiting->pending = true;
                waiting->connectedAtOnce = false;
                return true;
            case ERROR_SUCCESS:
            case ERROR_PIPE_CONNECTED:
            case ERROR_NO_DATA:
                // A client connected between the instance's creation and this call, and may even
                // have written its message and left already (no data): what it wrote is still
                // there to be read, so it is as much a client as one that connects later.
                waiting->pending = true;
                waiting->connectedAtOnce = true;
                ::SetEvent(waiting->event);
                return true;
            case ERROR_PIPE_BUSY:
                std::this_thread::sleep_for(kBusyPause);
                break;
            default:
                break;
        }
    }
    return false;
}

void EventPipeServer::State::Accepted(Deadline now) {
    DWORD ignored = 0;
    const bool connected =
        waiting->connectedAtOnce ||
        ::GetOverlappedResult(waiting->pipe.get(), &waiting->overlapped, &ignored, FALSE) ||
        ::GetLastError() == ERROR_PIPE_CONNECTED || ::GetLastError() == ERROR_NO_DATA;
    waiting->pending = false;
    if (!connected) {
        ::DisconnectNamedPipe(waiting->pipe.get());  // and wait on the same instance again
        return;
    }
    if (connections.size() >= kMaxOpen) {
        PushOutIdlest();
    }
    auto connection = std::make_unique<Connection>();
    connection->instance.pipe = std::move(waiting->pipe);
    std::swap(connection->instance.event, waiting->event);
    waiting.reset();
    connection->deadline = now + kReadTimeout;
    connection->lastActivity = now;
    StartRead(*connection);
    connections.push_back(std::move(connection));
}

void EventPipeServer::State::StartRead(Connection& connection) {
    Instance& instance = connection.instance;
    instance.connectedAtOnce = false;
    // Completed or not, the read signals the event; what it brought is looked at after the wait.
    if (::ReadFile(instance.pipe.get(), connection.chunk.data(),
                   static_cast<DWORD>(connection.chunk.size()), nullptr, instance.Fresh()) ||
        ::GetLastError() == ERROR_IO_PENDING || ::GetLastError() == ERROR_MORE_DATA) {
        instance.pending = true;
        return;
    }
    End(connection, Ending::Broken);
}

void EventPipeServer::State::Completed(Connection& connection, Deadline now) {
    Instance& instance = connection.instance;
    DWORD got = 0;
    DWORD error = ERROR_SUCCESS;
    if (!::GetOverlappedResult(instance.pipe.get(), &instance.overlapped, &got, FALSE)) {
        error = ::GetLastError();
    }
    instance.pending = false;
    if (error != ERROR_SUCCESS && error != ERROR_MORE_DATA) {
        // A client that leaves without ending a message (or without writing at all) sent none.
        End(connection, Ending::Broken);
        return;
    }
    const std::size_t bytes = std::min<std::size_t>(got, connection.chunk.size());
    connection.lastActivity = now;
    const bool pastTheCapBefore = connection.received > kMaxMessageBytes;
    connection.received += bytes;
    if (!pastTheCapBefore) {
        connection.text.append(connection.chunk.data(), bytes);
        if (connection.received > kMaxMessageBytes) {
            // Past the cap only the beginning is kept and the rest counted, so that the refusal
            // can say how large the message was and what it began with.
            connection.text.resize(std::min(connection.text.size(), kRefusedHeadBytes));
            connection.text.shrink_to_fit();
        }
    }
    if (error == ERROR_SUCCESS) {
        End(connection, Ending::EndOfMessage);
        return;
    }
    StartRead(connection);
}

EventPipeServer::WaitOutcome EventPipeServer::State::WaitForMessage(const StopSignal& stop) {
    if (path.empty()) {
        return WaitOutcome::Failed;
    }
    if (leftAt) {
        // While the caller handled the last message nobody was read: that time is not theirs.
        const auto away = Clock::now() - *leftAt;
        for (auto& connection : connections) {
            connection->deadline += away;
        }
        leftAt.reset();
    }
    std::vector<HANDLE> handles;
    for (;;) {
        if (!finished.empty()) {
            leftAt = Clock::now();
            return WaitOutcome::MessageReady;
        }
        const auto before = Clock::now();
        if (!StartConnect(before) && connections.empty()) {
            leftAt = Clock::now();
            return WaitOutcome::Failed;
        }
        handles.clear();
        handles.push_back(stop.native());
        DWORD timeout = INFINITE;  // nothing open: wait for ever, no periodic wake-up
        if (waiting && waiting->pending) {
            handles.push_back(waiting->event);
        } else if (createPausedUntil) {
            timeout = MillisecondsUntil(*createPausedUntil, before);
        }
        for (const auto& connection : connections) {
            handles.push_back(connection->instance.event);
            timeout = std::min(timeout, MillisecondsUntil(connection->deadline, before));
        }
        const DWORD rc = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                  handles.data(), FALSE, timeout);
        if (rc == WAIT_OBJECT_0) {
            leftAt = Clock::now();
            return WaitOutcome::Stopped;
        }
        if (rc == WAIT_FAILED) {
            leftAt = Clock::now();
            return WaitOutcome::Failed;
        }
        const auto now = Clock::now();
        // Oldest first, so that messages come out in the order their writers ended them.
        for (auto& connection : connections) {
            if (!connection->ended && connection->instance.Completed()) {
                Completed(*connection, now);
            }
        }
        if (waiting && waiting->Completed()) {
            Accepted(now);
        }
        for (auto& connection : connections) {
            if (!connection->ended && connection->deadline <= now) {
                End(*connection, Ending::TimedOut);
            }
        }
        RemoveEnded();
    }
}

void EventPipeServer::State::End(Connection& connection, Ending how) {
    connection.ended = true;
    connection.instance.Cancel();
    connection.instance.pipe.reset();
    finished.ConnectionEnded(connection.text, connection.received, how == Ending::EndOfMessage);
}

void EventPipeServer::State::PushOutIdlest() {
    auto idlest = std::min_element(
        connections.begin(), connections.end(),
        [](const auto& a, const auto& b) { return a->lastActivity < b->lastActivity; });
    if (idlest != connections.end()) {
        End(**idlest, Ending::PushedOut);
        connections.erase(idlest);
    }
}

void EventPipeServer::State::RemoveEnded() {
    std::erase_if(connections, [](const auto& c) { return c->ended; });
}

bool EventPipeServer::State::ReadMessage(std::string& text, std::size_t* refusedBytes) {
    return finished.Take(text, refusedBytes);
}

void EventPipeServer::State::Close() {
    connections.clear();
    waiting.reset();
    finished.clear();
    leftAt.reset();
    createPausedUntil.reset();
    path.clear();
}

}  // namespace vorn::platform
