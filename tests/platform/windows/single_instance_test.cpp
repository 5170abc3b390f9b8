// The single-instance guard on Windows: a named mutex held by another process.
#include "platform/windows/WindowsApi.h"

#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

// Run again with this variable set, the test program holds the guard until told to end.
constexpr const char* kHolderVariable = "VORN_TEST_HOLD_INSTANCE";

std::wstring EventName(const char* what) {
    const char* ns = std::getenv("VORN_PIPE_NS");
    const std::string name = std::string("vorn-test-") + (ns ? ns : "") + what;
    return std::wstring(name.begin(), name.end());
}

// The holder: takes the guard, says so, and waits to be released.
const bool kRanAsHolder = [] {
    if (std::getenv(kHolderVariable) == nullptr) {
        return false;
    }
    int exitCode = 1;
    {
        SingleInstance instance;
        const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName("ready").c_str());
        const HANDLE release = ::OpenEventW(SYNCHRONIZE, FALSE, EventName("release").c_str());
        if (instance.role() == SingleInstance::Role::First && ready && release) {
            ::SetEvent(ready);
            ::WaitForSingleObject(release, 30000);
            exitCode = 0;
        }
    }
    ::ExitProcess(static_cast<UINT>(exitCode));
}();

TEST(SingleInstanceTest, GuardHeldByAnotherProcessMakesThisTheSecond) {
    test::PrivatePipeNamespace ns;
    const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, EventName("ready").c_str());
    const HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, EventName("release").c_str());
    ASSERT_TRUE(ready && release);

    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    test::ScopedEnv holder(kHolderVariable, "1");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\"";
    ASSERT_TRUE(::CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process));
    ASSERT_EQ(::WaitForSingleObject(ready, 20000), WAIT_OBJECT_0) << "the holder did not start";

    {
        SingleInstance second;
        EXPECT_EQ(second.role(), SingleInstance::Role::Second);
        EXPECT_EQ(second.lastError(), static_cast<int>(ERROR_ALREADY_EXISTS));
        // No window of that title: nothing to post to.
        EXPECT_FALSE(second.SendActivation(L"Vorn Update v0.0.0.0 (no such window)"));
        second.ServeActivations([](const std::wstring&) {});  // nothing to serve: harmless
        second.Stop();
    }

    ::SetEvent(release);
    ASSERT_EQ(::WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(ready);
    ::CloseHandle(release);

    // Once the holder is gone the guard is free again, and held for this object's life.
    SingleInstance first;
    EXPECT_EQ(first.role(), SingleInstance::Role::First);
    EXPECT_EQ(first.lastError(), 0);
    SingleInstance again;
    EXPECT_EQ(again.role(), SingleInstance::Role::Second);
}

}  // namespace
}  // namespace vorn::platform
