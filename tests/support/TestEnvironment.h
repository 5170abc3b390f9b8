#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace vorn::test {

// Whether this build runs under ThreadSanitizer, where work-heavy loops run many times slower.
#if defined(__SANITIZE_THREAD__)
inline constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
inline constexpr bool kThreadSanitizer = __has_feature(thread_sanitizer);
#else
inline constexpr bool kThreadSanitizer = false;
#endif

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the lifetime of the object and restores the old value after.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Sets (or, without a value, removes) an environment variable of this process.
void SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value);

// A pipe namespace that no other test run uses: the process id plus a counter.
std::string UniquePipeNamespace();

// Sets VORN_PIPE_NS to a unique namespace for the lifetime of the object.
class PrivatePipeNamespace {
public:
    PrivatePipeNamespace() : ns_(UniquePipeNamespace()), env_("VORN_PIPE_NS", ns_) {}
    const std::string& name() const { return ns_; }

private:
    std::string ns_;
    ScopedEnv env_;
};

// Checks `condition` every few milliseconds until it holds; false when it did not within `limit`,
// which only catches a hang.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds limit = std::chrono::seconds(10));

// The system's id of the calling thread.
using ThreadId = std::int64_t;
ThreadId CurrentThreadId();

// The id of the running test process.
std::int64_t CurrentProcessId();

// Waits until the thread whose id `tid` comes to hold sleeps in the kernel (it is blocked in a
// wait, not running); false when it did not within `limit`.
bool WaitUntilThreadSleeps(const std::atomic<ThreadId>& tid,
                           std::chrono::milliseconds limit = std::chrono::seconds(10));

// Whether taking away a file's permissions stops this process reading it: not for the
// administrator on Linux, and never on Windows, where permissions only make a file read-only.
bool PermissionsCanDenyReading(const std::filesystem::path& folder);

// Reads a whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);
// Writes bytes to a file, replacing it.
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vorn::test
