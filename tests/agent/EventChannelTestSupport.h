#pragma once

// The event channel's worker on a private pipe namespace, and a client that behaves as the agent
// does, for the event channel tests of every platform.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/AgentEventPipe.h"
#include "agent/EventChannelWorker.h"
#include "platform/LocalPipe.h"
#include "support/TestEnvironment.h"

namespace vorn::test {

using namespace std::chrono_literals;
using platform::Clock;
using platform::PipeStatus;

// Connects to the event address as the agent does (waiting for the worker to listen), sends one
// record and leaves.
inline bool SendNotification(const std::string& bytes) {
    const auto deadline = Clock::now() + 5s;
    for (;;) {
        PipeStatus status = PipeStatus::Failed;
        platform::PipeHandle fd =
            platform::ConnectPipe(AgentEventPipe::kPipeName, deadline, &status);
        if (fd) {
            return platform::SendRecord(fd.get(), bytes, deadline) == PipeStatus::Ok;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
}

// Connects and leaves without a word.
inline void ConnectAndLeave() {
    const auto deadline = Clock::now() + 5s;
    while (!platform::ConnectPipe(AgentEventPipe::kPipeName, deadline) && Clock::now() < deadline) {
        std::this_thread::sleep_for(2ms);
    }
}

// Connects once the worker listens, and stays.
inline platform::PipeHandle ConnectWhenListening() {
    const auto deadline = Clock::now() + 5s;
    for (;;) {
        platform::PipeHandle fd = platform::ConnectPipe(AgentEventPipe::kPipeName, deadline);
        if (fd || Clock::now() >= deadline) {
            return fd;
        }
        std::this_thread::sleep_for(2ms);
    }
}

class EventChannelTest : public testing::Test {
protected:
    EventChannelTest()
        : worker_([this](const std::string& m) { Received(m); },
                  [this](const std::wstring& text) {
                      std::lock_guard lock(mutex_);
                      failures_.push_back(text);
                      changed_.notify_all();
                  }) {}

    void Received(const std::string& message) {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
        changed_.notify_all();
    }

    // Waits until `count` messages arrived; returns a copy of all of them.
    std::vector<std::string> WaitForMessages(std::size_t count,
                                             std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
        return messages_;
    }

    PrivatePipeNamespace ns_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
    std::vector<std::wstring> failures_;
    EventChannelWorker worker_;
};

inline std::string Filled(std::size_t size, char seed) {
    std::string s(size, ' ');
    for (std::size_t i = 0; i < size; ++i) {
        s[i] = static_cast<char>('a' + (static_cast<std::size_t>(seed) + i) % 26);
    }
    return s;
}

}  // namespace vorn::test
