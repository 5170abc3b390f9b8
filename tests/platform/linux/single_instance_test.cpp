#include "platform/SingleInstance.h"

#include "platform/linux/LocalSocket.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

using namespace std::chrono_literals;

class Titles {
public:
    void Add(const std::wstring& title) {
        std::lock_guard lock(mutex_);
        titles_.push_back(title);
        changed_.notify_all();
    }
    bool WaitForCount(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return titles_.size() >= count; });
    }
    std::vector<std::wstring> Get() {
        std::lock_guard lock(mutex_);
        return titles_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::wstring> titles_;
};

TEST(SingleInstanceTest, SecondStartReachesTheFirstWithItsTitle) {
    test::PrivatePipeNamespace ns;
    Titles titles;
    {
        SingleInstance first;
        ASSERT_EQ(first.role(), SingleInstance::Role::First);
        EXPECT_EQ(first.lastError(), 0);
        first.ServeActivations([&](const std::wstring& title) { titles.Add(title); });

        SingleInstance second;
        EXPECT_EQ(second.role(), SingleInstance::Role::Second);
        EXPECT_EQ(second.lastError(), EADDRINUSE);
        EXPECT_TRUE(second.SendActivation(L"Vorn Update v2.2.1.2293"));
        ASSERT_TRUE(titles.WaitForCount(1));
        EXPECT_EQ(titles.Get()[0], L"Vorn Update v2.2.1.2293");
        second.Stop();  // a second instance serves nothing; stopping it is harmless
    }
    // The name is free again once the first instance is gone.
    SingleInstance next;
    EXPECT_EQ(next.role(), SingleInstance::Role::First);
}

TEST(SingleInstanceTest, SilentOversizedAndLateClientsDoNotStopTheService) {
    test::PrivatePipeNamespace ns;
    Titles titles;
    SingleInstance first;
    ASSERT_EQ(first.role(), SingleInstance::Role::First);
    first.ServeActivations([&](const std::wstring& title) { titles.Add(title); });

    // A client that connects and says nothing.
    UniqueFd silent =
        ConnectPipe(kSingleInstanceName, Clock::now() + 2s, nullptr, PipeKind::Records);
    ASSERT_TRUE(silent);
    // A record far larger than any title.
    UniqueFd large =
        ConnectPipe(kSingleInstanceName, Clock::now() + 2s, nullptr, PipeKind::Records);
    ASSERT_TRUE(large);
    EXPECT_EQ(SendRecord(large.get(), std::string(100000, 'x')), PipeStatus::Ok);
    SingleInstance second;
    EXPECT_TRUE(second.SendActivation(L"Заголовок"));
    ASSERT_TRUE(titles.WaitForCount(1));
    EXPECT_EQ(titles.Get(), std::vector<std::wstring>{L"Заголовок"});

    // Stopping returns promptly even with a client still connected.
    UniqueFd another =
        ConnectPipe(kSingleInstanceName, Clock::now() + 2s, nullptr, PipeKind::Records);
    auto start = std::chrono::steady_clock::now();
    first.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);  // only a hang fails
}

}  // namespace
}  // namespace vorn::platform
