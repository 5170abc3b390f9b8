#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace vorn::sim {

// A request as one line of the record file: control characters and the backslash escaped as
// \n, \r, \t, \\ and \xNN (two lower-case hex digits); every other byte as it is.
std::string EscapeRequest(std::string_view request);

// Appends every request received to a file, one a line, flushed at once so that a reader sees
// each request as soon as it has been answered.
class RequestRecorder {
public:
    explicit RequestRecorder(std::filesystem::path file) : file_(std::move(file)) {}
    bool Append(std::string_view request);

private:
    std::filesystem::path file_;
    std::mutex mutex_;
};

}  // namespace vorn::sim
