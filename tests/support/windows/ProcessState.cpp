#include "platform/windows/WindowsApi.h"

#include <stdlib.h>

#include <thread>

#include "support/TestEnvironment.h"

namespace vorn::test {

void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
    // _putenv_s keeps the C runtime's copy and the process environment in step; an empty value
    // removes the variable there, so an empty one is set through the system directly.
    if (!value) {
        ::_putenv_s(name.c_str(), "");
        return;
    }
    ::_putenv_s(name.c_str(), value->c_str());
    if (value->empty()) {
        ::SetEnvironmentVariableA(name.c_str(), "");
    }
}

namespace {

std::uint64_t ThreadCpuTime(HANDLE thread) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
        return 0;
    }
    const auto join = [](FILETIME t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return join(kernel) + join(user);
}

}  // namespace

bool WaitUntilThreadSleeps(const std::atomic<ThreadId>& tid, std::chrono::milliseconds limit) {
    // Windows tells no thread state cheaply; a thread whose processor time stands still over a
    // while is blocked in a wait.
    return WaitFor(
        [&] {
            if (tid.load() == 0) {
                return false;
            }
            HANDLE thread = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE,
                                         static_cast<DWORD>(tid.load()));
            if (thread == nullptr) {
                return false;
            }
            const std::uint64_t before = ThreadCpuTime(thread);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const std::uint64_t after = ThreadCpuTime(thread);
            ::CloseHandle(thread);
            return before == after;
        },
        limit);
}

}  // namespace vorn::test
