#pragma once

// Writing files so that a failure is reported and never leaves a half-written file in place of
// a good one.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace vorn::platform {

// A temporary file of a whole-file replacement that is older than this was left by a writer that
// died; younger ones may still be in use by another process.
inline constexpr std::chrono::minutes kLeftoverAge{1};

// Whether a folder entry is named like the temporary file of a replacement of `fileName`:
// "." + fileName + "." + six letters or digits.
bool IsReplacementLeftover(std::string_view entryName, std::string_view fileName);

// Appends `bytes` to the file, creating it when it is missing. True only when every byte was
// written; a single write call carries the bytes when the system allows, so that records
// appended by several processes do not interleave.
bool AppendToFile(const std::filesystem::path& file, std::string_view bytes);

// Replaces the file with `bytes` whole or not at all: the bytes go to a new file in the same
// folder, are flushed to disk, and the new file takes the old one's place in one step (a rename
// on Linux, ReplaceFileW or MoveFileExW with write-through on Windows); the old file is never
// cut short in place. An existing file keeps its permissions; a failure leaves it as it was and
// removes the new one. Temporary files of this same pattern older than kLeftoverAge (left by a
// writer that was killed) are removed first.
bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// A file written from its start, for output that streams in pieces (unpacked archive entries).
// Creating it truncates an existing file but never follows a symbolic link at the last
// component.
class OutputFile {
public:
    // Empty (see ok()) with `error` set when the file cannot be created.
    OutputFile(const std::filesystem::path& file, std::error_code& error);
    // Closes the file if Close() was not called.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool ok() const;
    // Writes every byte, going on after short or interrupted writes.
    bool Write(std::string_view bytes);
    // Cuts the file back to nothing.
    bool Truncate();
    // True when the file was open and everything written reached the system.
    bool Close();

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

}  // namespace vorn::platform
