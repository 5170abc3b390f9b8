// Companion programs started with CreateProcessW, not waited for, and each end reported with its
// exit code by the reaper.

#include "platform/windows/WindowsApi.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "platform/ProcessLauncher.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

std::filesystem::path SystemProgram(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::filesystem::path(std::wstring(folder, n)) / name;
}

TEST(ProcessLauncherTest, EachStartedProgramIsReportedWithItsExitCode) {
    const std::filesystem::path cmd = SystemProgram(L"cmd.exe");
    ProcessLauncher launcher;
    std::mutex mutex;
    std::map<ProcessId, ProcessExit> ended;
    launcher.SetExitHandler(
        [&](const std::filesystem::path& program, ProcessId pid, ProcessExit exit) {
            EXPECT_EQ(program, cmd);
            std::lock_guard lock(mutex);
            ended[pid] = exit;
        });
    // Exit codes are 32-bit: an access violation's 0xC0000005 is -1073741819 to cmd.exe.
    const std::pair<const char*, std::uint32_t> codes[] = {
        {"0", 0}, {"3", 3}, {"260", 260}, {"-1073741819", 0xC0000005u}};
    std::map<ProcessId, std::uint32_t> expected;
    for (const auto& [text, code] : codes) {
        int error = -1;
        const ProcessId pid = launcher.Start(cmd, {"/c", std::string("exit ") + text}, &error);
        ASSERT_NE(pid, kNoProcess) << "error " << error;
        EXPECT_EQ(error, 0);
        expected[pid] = code;
    }
    ASSERT_TRUE(test::WaitFor([&] {
        std::lock_guard lock(mutex);
        return ended.size() == expected.size();
    }));
    launcher.SetExitHandler(nullptr);
    for (const auto& [pid, code] : expected) {
        EXPECT_FALSE(ended[pid].bySignal);
        EXPECT_EQ(ended[pid].code, code) << "process " << pid;
    }
    EXPECT_EQ(launcher.RunningChildren(), 0u);
}

TEST(ProcessLauncherTest, ProgramWithoutArgumentsRunsOnAfterTheLauncher) {
    // Without arguments no command line is given: cmd.exe then waits for input, and outlives the
    // launcher that started it.
    const std::filesystem::path cmd = SystemProgram(L"cmd.exe");
    ProcessId pid = kNoProcess;
    {
        ProcessLauncher launcher;
        pid = launcher.Start(cmd);
        ASSERT_NE(pid, kNoProcess);
        EXPECT_EQ(launcher.RunningChildren(), 1u);
    }
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(::WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::TerminateProcess(process, 0);
    ::WaitForSingleObject(process, 5000);
    ::CloseHandle(process);
}

TEST(ProcessLauncherTest, MissingProgramReportsTheError) {
    ProcessLauncher launcher;
    int error = 0;
    EXPECT_EQ(launcher.Start("c:\\no\\such\\AgentZelt.exe", {}, &error), kNoProcess);
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
    EXPECT_EQ(launcher.RunningChildren(), 0u);
}

}  // namespace
}  // namespace vorn::platform
