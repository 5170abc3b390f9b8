#pragma once

#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "logging/CBasicTransport.h"
#include "logging/CSettingsKeeper.h"
#include "logging/LogRecordFormat.h"
#include "logging/ModuleName.h"
#include "platform/ProgramLog.h"

namespace Kavro::Greywick {

// What the logger takes from its surroundings; tests replace these to get exact output.
struct LoggerEnvironment {
    std::function<LocalTime()> clock = CurrentLocalTime;
    std::string clientName = CBasicTransport::kClientName;
    std::chrono::milliseconds deliveryTimeout{15000};
    // The program's folder; empty means the folder of the running executable.
    std::filesystem::path programFolder;
    // Base of the last-resort folder "Quorin LLC"; empty means the user's local application
    // data folder ($XDG_DATA_HOME or ~/.local/share; CSIDL_LOCAL_APPDATA on Windows), or the
    // temporary folder when that is missing.
    std::filesystem::path fallbackBase;
};

// The program logger. A record whose level the settings enable is offered to the
// configuration client; when no client takes it, it is appended as one line to a daily file.
//
//   Kavro::Greywick::Logger logger;            // the program itself
//   logger.SetFolder(dataFolder / "logs");
//   logger.Log(50, "started, version %s", version);
class Logger {
public:
    // Log results: the record was not enabled or the client took it; delivery failed; no
    // client listens. In the last two cases the record went to the file.
    static constexpr int kDone = 0;
    static constexpr int kDeliveryFailed = CBasicTransport::kFailed;
    static constexpr int kNoClient = CBasicTransport::kNoClient;

    explicit Logger(ModulePath module = std::nullopt, bool suppressMonitoring = false,
                    LoggerEnvironment environment = {});
    ~Logger();

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // The folder of the log files; created (one level) when a record is written.
    void SetFolder(const std::filesystem::path& path);

    int Log(std::uint32_t level, const char* format, ...) VORN_PRINTF_FORMAT(3, 4);
    int LogV(std::uint32_t level, const char* format, va_list args) VORN_PRINTF_FORMAT(3, 0);

    // Appends one line, and the dump when data are given, to today's log file.
    void WriteRecord(RecordKind kind, std::string_view message, std::uint32_t level,
                     std::uint64_t threadId, const void* dump = nullptr,
                     std::size_t dumpLength = 0);

    const std::string& ModuleName() const { return moduleName_; }
    const std::string& RunId() const { return runId_; }
    std::filesystem::path FolderPath() const;
    std::string FolderName() const;
    // Where a record written now would go first (before any fallback).
    std::filesystem::path CurrentFilePath() const;
    const CSettingsKeeper& Keeper() const { return *keeper_; }

    static std::uint64_t CurrentThreadId();

private:
    std::filesystem::path FilePathFor(const LocalTime& date, bool createFolder) const;
    std::filesystem::path FallbackFolder() const;

    LoggerEnvironment environment_;
    std::unique_ptr<CBasicTransport> transport_;
    std::string moduleName_;
    std::unique_ptr<CSettingsKeeper> keeper_;
    std::string runId_;
    std::filesystem::path programFolder_;
    std::uint32_t processId_;

    // Serialises appends; also guards the folder, which SetFolder may change at any time.
    mutable std::mutex lock_;
    std::string folderName_;
    std::filesystem::path folderPath_;
};

}  // namespace Kavro::Greywick
