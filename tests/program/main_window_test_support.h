#pragma once

// What the main window's tests share: pumping the UI thread, an agent that records the
// requests it gets, and notifications sent the way the agent sends them.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <wx/app.h>

#include "agent/AgentEventPipe.h"
#include "agent/AgentProtocol.h"
#include "platform/LocalPipe.h"
#include "support/UiPump.h"

namespace vorn::test {

using namespace std::chrono_literals;
using platform::Clock;

// The agent's request channel: records every request and answers from a table ("<ok/>" for
// anything not in it).
class FakeAgent {
public:
    FakeAgent() {
        listener_ = platform::PipeListener::Listen(kRequestPipeName);
        thread_ = std::thread([this] { Run(); });
    }
    ~FakeAgent() {
        stop_.Signal();
        thread_.join();
    }

    void Reply(const std::string& request, const std::string& reply) {
        std::lock_guard lock(mutex_);
        replies_[request] = reply;
    }
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int Count(const std::string& request) const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count(requests_.begin(), requests_.end(), request));
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        requests_.clear();
    }

private:
    void Run() {
        while (!stop_.IsSignalled()) {
            platform::WaitResult result{};
            platform::PipeHandle client = listener_.Accept(&stop_, std::nullopt, &result);
            if (!client) {
                continue;
            }
            std::string request;
            if (platform::ReceiveRecord(client.get(), request, Clock::now() + 2s, &stop_) !=
                platform::PipeStatus::Ok) {
                continue;
            }
            std::string reply = "<ok/>";
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
                if (auto it = replies_.find(request); it != replies_.end()) {
                    reply = it->second;
                }
            }
            platform::SendRecord(client.get(), reply, Clock::now() + 2s);
        }
    }

    platform::PipeListener listener_;
    platform::StopSignal stop_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> replies_;
    std::vector<std::string> requests_;
};

// Sends one notification the way the agent does: connect to the event pipe, one record, close.
// Without pumpWhileSending nothing of the UI runs meanwhile (for messages that fit the socket).
inline void Notify(const std::string& message, bool pumpWhileSending = true) {
    const auto deadline = Clock::now() + 10s;
    for (;;) {
        platform::PipeStatus status{};
        platform::PipeHandle fd =
            platform::ConnectPipe(AgentEventPipe::kPipeName, Clock::now() + 1s, &status);
        if (fd && !pumpWhileSending) {
            // A small message fits the socket's buffer: sent at once, nothing of the UI runs.
            ASSERT_EQ(platform::SendRecord(fd.get(), message, Clock::now() + 10s),
                      platform::PipeStatus::Ok);
            return;
        }
        if (fd) {
            // The worker reads a message only after the previous one was handled, and that may
            // wait for the UI thread: a message larger than the socket's buffer is sent while
            // the UI goes on.
            std::atomic<bool> done{false};
            platform::PipeStatus sent = platform::PipeStatus::Failed;
            std::thread sender([&] {
                sent = platform::SendRecord(fd.get(), message, Clock::now() + 60s);
                done = true;
            });
            PumpUntil([&] { return done.load(); }, 60s);
            sender.join();
            ASSERT_EQ(sent, platform::PipeStatus::Ok);
            return;
        }
        ASSERT_LT(Clock::now(), deadline) << "event pipe not served";
        std::this_thread::sleep_for(10ms);
    }
}

}  // namespace vorn::test
