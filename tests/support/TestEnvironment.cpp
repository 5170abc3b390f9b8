#include "support/TestEnvironment.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>

#include "platform/ThisProcess.h"

namespace vorn::test {

ThreadId CurrentThreadId() {
    return static_cast<ThreadId>(platform::CurrentThreadId());
}

std::int64_t CurrentProcessId() {
    return platform::CurrentProcessId();
}

TempDir::TempDir() {
    // A name nobody has: create_directory fails on one that exists, so two runs never share.
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("vorn-test-" + std::to_string(CurrentProcessId()) + "-" +
                                       std::to_string(counter++) + "-" + std::to_string(entropy()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        old_ = old;
    }
    SetEnvironmentValue(name_, value);
}

ScopedEnv::~ScopedEnv() {
    if (old_) {
        SetEnvironmentValue(name_, *old_);
    } else {
        SetEnvironmentValue(name_, std::nullopt);
    }
}

std::string UniquePipeNamespace() {
    static std::atomic<int> counter{0};
    return "vorn-test-" + std::to_string(CurrentProcessId()) + "-" + std::to_string(counter++) +
           "-";
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool PermissionsCanDenyReading(const std::filesystem::path& folder) {
    const auto probe = folder / ".permission-probe";
    WriteFileBytes(probe, "x");
    std::error_code error;
    std::filesystem::permissions(probe, std::filesystem::perms::none, error);
    const bool denied = !error && !std::ifstream(probe, std::ios::binary);
    std::filesystem::permissions(probe, std::filesystem::perms::owner_all, error);
    std::filesystem::remove(probe, error);
    return denied;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace vorn::test
