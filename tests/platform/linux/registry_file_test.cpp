#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/RegistryStore.h"
#include "support/TestEnvironment.h"

// The Linux stand-in's files: where they live, and writers in several processes at once.

namespace vorn::platform {
namespace {

using test::TempDir;
using test::WriteFileBytes;

constexpr const char* kKey = "Software\\Quorin\\Zelt\\AgentZelt";

class RegistryStoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "HKEY_CURRENT_USER.reg";
    RegistryStore store{file, "HKEY_CURRENT_USER"};
};

TEST_F(RegistryStoreTest, ConcurrentWritersInThreadsAndProcessesLoseNothing) {
    ASSERT_TRUE(store.WriteString(kKey, "Unknown", "kept"));
    constexpr int kThreads = 4;
    constexpr int kProcesses = 3;
    constexpr int kWrites = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            RegistryStore own(file, "HKEY_CURRENT_USER");
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                ok = own.WriteString(kKey, "p" + std::to_string(p) + "_" + std::to_string(i),
                                     std::to_string(i)) &&
                     ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            RegistryStore own(file, "HKEY_CURRENT_USER");
            for (int i = 0; i < kWrites; ++i) {
                EXPECT_TRUE(own.WriteDword(kKey, "t" + std::to_string(t) + "_" + std::to_string(i),
                                           static_cast<std::uint32_t>(i)));
                // Readers in between always see a whole file.
                EXPECT_EQ(own.ReadString(kKey, "Unknown"), "kept");
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(store.ReadString(kKey, "p" + std::to_string(p) + "_" + std::to_string(i)),
                      std::to_string(i));
        }
    }
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(store.ReadDword(kKey, "t" + std::to_string(t) + "_" + std::to_string(i)),
                      static_cast<std::uint32_t>(i));
        }
    }
    EXPECT_EQ(store.ReadString(kKey, "Unknown"), "kept");
}

// A writer renames a larger or a smaller file over the path while a reader reads: every read
// sees one whole file, never the start of the larger one cut at the size of the smaller.
TEST_F(RegistryStoreTest, ReadsRacingARenamingWriterAlwaysSeeAWholeFile) {
    const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string tail =
        "[HKEY_CURRENT_USER\\Software\\Quorin\\Zelt\\AgentZelt]\r\n"
        "\"ServerName\"=\"end\"\r\n";
    std::string padding;
    for (int i = 0; i < 2000; ++i) {
        padding += "[HKEY_CURRENT_USER\\Software\\Pad" + std::to_string(i) + "]\r\n\r\n";
    }
    const std::string small = head + tail;
    const std::string large = head + padding + tail;
    WriteFileBytes(file, small);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const auto temporary = dir / "next.reg";
        for (bool big = true; !done; big = !big) {
            WriteFileBytes(temporary, big ? large : small);
            std::filesystem::rename(temporary, file);
        }
    });
    // Every read parses a file of 2,000 sections, which ThreadSanitizer slows past the test's
    // time limit; a thousand reads still race the writer there.
    const int reads = test::kThreadSanitizer ? 1000 : 10000;
    int broken = 0;
    for (int i = 0; i < reads; ++i) {
        if (store.ReadString(kKey, "ServerName") != std::optional<std::string>("end")) {
            ++broken;
        }
    }
    done = true;
    writer.join();
    EXPECT_EQ(broken, 0);
}

TEST(RegistryFileTest, FollowsEnvironment) {
    {
        test::ScopedEnv env("VORN_REGISTRY_DIR", "/tmp/regs");
        EXPECT_EQ(RegistryFile(RegistryRoot::CurrentUser), "/tmp/regs/HKEY_CURRENT_USER.reg");
        EXPECT_EQ(RegistryFile(RegistryRoot::LocalMachine), "/tmp/regs/HKEY_LOCAL_MACHINE.reg");
    }
    test::ScopedEnv noDir("VORN_REGISTRY_DIR", "");
    test::ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(RegistryFile(RegistryRoot::CurrentUser), "/cfg/Quorin/HKEY_CURRENT_USER.reg");
    EXPECT_EQ(RegistryFile(RegistryRoot::LocalMachine), "/etc/Quorin/HKEY_LOCAL_MACHINE.reg");
}

TEST(RegistryFileTest, UserFileNeverDependsOnTheWorkingFolder) {
    test::ScopedEnv noDir("VORN_REGISTRY_DIR", "");
    {
        test::ScopedEnv relative("XDG_CONFIG_HOME", "cfg");
        test::ScopedEnv home("HOME", "/home/op");
        EXPECT_EQ(RegistryFile(RegistryRoot::CurrentUser),
                  "/home/op/.config/Quorin/HKEY_CURRENT_USER.reg");
    }
    test::ScopedEnv noXdg("XDG_CONFIG_HOME", "");
    test::ScopedEnv noHome("HOME", "");
    passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(RegistryFile(RegistryRoot::CurrentUser),
              std::filesystem::path(user->pw_dir) / ".config" / "Quorin" / "HKEY_CURRENT_USER.reg");
}

}  // namespace
}  // namespace vorn::platform
