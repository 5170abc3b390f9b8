#pragma once

#include <functional>
#include <string>
#include <thread>

#include "platform/LocalPipe.h"

namespace vorn {

// Serves the event pipe on a thread of its own: reads every agent connection at once, and hands
// each whole message to the message handler on that same thread, one at a time, in the order the
// messages were completed. Idle, it sleeps until a connection or a stop request arrives.
class EventChannelWorker {
public:
    // Called on the worker thread with each message; no connection is read while it runs. An
    // exception it throws drops that message only.
    using MessageHandler = std::function<void(const std::string& message)>;
    // Called on the worker thread, once, when the event address cannot be served (another
    // process holds it); the text is untranslated. The worker ends after it returns.
    using FailureHandler = std::function<void(const std::wstring& text)>;

    // Called on the worker thread with the beginning of a message that was refused for its
    // size (already logged), so that the operator can be told what was lost.
    using RefusalHandler = std::function<void(const std::string& head)>;

    static constexpr const wchar_t* kCreateFailedText = L"Не удалось создать канал с УЗПО";

    EventChannelWorker(MessageHandler onMessage, FailureHandler onFailure,
                       RefusalHandler onRefused = {});
    ~EventChannelWorker();
    EventChannelWorker(const EventChannelWorker&) = delete;
    EventChannelWorker& operator=(const EventChannelWorker&) = delete;

    // Starts the thread; does nothing if it runs already.
    void Start();
    // Asks the thread to end; safe from any thread, returns at once.
    void RequestStop();
    // Asks the thread to end and waits for it. A message being handled is finished first.
    void Stop();
    bool IsRunning() const { return thread_.joinable(); }

private:
    void Run();

    MessageHandler onMessage_;
    FailureHandler onFailure_;
    RefusalHandler onRefused_;
    platform::StopSignal stop_;
    std::thread thread_;
};

}  // namespace vorn
