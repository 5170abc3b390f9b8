#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

#include "support/TestEnvironment.h"

namespace vorn::test {

void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

bool WaitUntilThreadSleeps(const std::atomic<ThreadId>& tid, std::chrono::milliseconds limit) {
    return WaitFor(
        [&] {
            // The state is the first field after the command name, which is in parentheses.
            const std::string stat =
                ReadFileBytes("/proc/self/task/" + std::to_string(tid.load()) + "/stat");
            const std::size_t close = stat.rfind(')');
            return tid.load() != 0 && close != std::string::npos && close + 2 < stat.size() &&
                   stat[close + 2] == 'S';
        },
        limit);
}

}  // namespace vorn::test
