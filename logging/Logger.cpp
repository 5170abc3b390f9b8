#include "logging/Logger.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "logging/GreywickRegistry.h"
#include "platform/FileWrite.h"
#include "platform/KnownFolders.h"
#include "platform/PathText.h"
#include "platform/ThisProcess.h"

namespace Kavro::Greywick {

namespace {

std::string DrawRunId() {
    // A private generator: seeding the process-wide one would disturb other users of rand().
    std::random_device device;
    std::mt19937 generator(
        device() ^
        static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int> digit(0, 15);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 10; ++i) {
        id += kDigits[digit(generator)];
    }
    return id;
}

// One level only; a folder that is there already counts as made.
bool MakeFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::create_directory(path, error) ||
           (!error && std::filesystem::is_directory(path, error));
}

bool IsFolder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::string FormatMessage(const char* format, va_list args) {
    if (format == nullptr) {
        return {};
    }
    char small[1024];
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) {
        return {};
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        return std::string(small, static_cast<std::size_t>(needed));
    }
    // Longer messages are formatted whole, in a buffer of exactly the size asked for.
    std::vector<char> large(static_cast<std::size_t>(needed) + 1);
    va_copy(copy, args);
    std::vsnprintf(large.data(), large.size(), format, copy);
    va_end(copy);
    return std::string(large.data(), static_cast<std::size_t>(needed));
}

}  // namespace

Logger::Logger(ModulePath module, bool suppressMonitoring, LoggerEnvironment environment)
    : environment_(std::move(environment)),
      transport_(std::make_unique<CBasicTransport>(0, environment_.clientName)),
      moduleName_(ModuleFileName(module)) {
    const bool suppressedByRegistry = ParseRegistryBool(
        ReadGreywickString("suppress_levels_monitoring_thread").value_or(""), false, false);
    keeper_ = std::make_unique<CSettingsKeeper>(std::move(module),
                                                suppressMonitoring || suppressedByRegistry);
    runId_ = DrawRunId();
    processId_ = static_cast<std::uint32_t>(vorn::platform::CurrentProcessId());
    programFolder_ =
        environment_.programFolder.empty() ? ProgramFolder() : environment_.programFolder;
    folderName_ = "lostlogs";
    folderPath_ = programFolder_ / folderName_;
}

Logger::~Logger() {
    keeper_.reset();
    transport_.reset();
}

void Logger::SetFolder(const std::filesystem::path& path) {
    std::lock_guard guard(lock_);
    folderPath_ = path;
    // A path without a separator leaves the name as it was.
    if (path.has_parent_path()) {
        folderName_ = vorn::platform::PathToUtf8(path.filename());
    }
}

std::filesystem::path Logger::FolderPath() const {
    std::lock_guard guard(lock_);
    return folderPath_;
}

std::string Logger::FolderName() const {
    std::lock_guard guard(lock_);
    return folderName_;
}

std::uint64_t Logger::CurrentThreadId() {
    return vorn::platform::CurrentThreadId();
}

int Logger::Log(std::uint32_t level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = LogV(level, format, args);
    va_end(args);
    return result;
}

int Logger::LogV(std::uint32_t level, const char* format, va_list args) {
    if (!keeper_->IsLevelEnabled(level)) {
        return kDone;
    }
    const std::string message = FormatMessage(format, args);
    const std::uint64_t threadId = CurrentThreadId();

    CommandFields fields;
    const std::string timestamp = FormatTimestamp(environment_.clock());
    fields.moduleName = moduleName_;
    fields.level = level;
    fields.message = message;
    fields.timestamp = timestamp;
    fields.threadId = threadId;
    fields.processId = processId_;
    const std::string command = BuildCommand(fields);

    const auto timeout = static_cast<std::uint32_t>(environment_.deliveryTimeout.count());
    const int result = transport_->Send(command.data(), command.size(), timeout);
    if (result == kDeliveryFailed || result == kNoClient) {
        WriteRecord(RecordKind::Ordinary, message, level, threadId);
    }
    return result;
}

std::filesystem::path Logger::FilePathFor(const LocalTime& date, bool createFolder) const {
    const std::filesystem::path fileName =
        vorn::platform::PathFromUtf8(LogFileName(moduleName_, date, runId_));
    bool usable = false;
    if (!folderName_.empty()) {
        usable = IsFolder(folderPath_) || (createFolder && MakeFolder(folderPath_));
    }
    return (usable ? folderPath_ : programFolder_) / fileName;
}

std::filesystem::path Logger::CurrentFilePath() const {
    std::lock_guard guard(lock_);
    return FilePathFor(environment_.clock(), false);
}

std::filesystem::path Logger::FallbackFolder() const {
    std::filesystem::path base = environment_.fallbackBase;
    if (base.empty()) {
        base = vorn::platform::LocalAppDataFolder();
        if (base.empty() || !base.is_absolute() || !IsFolder(base)) {
            std::error_code error;
            base = std::filesystem::temp_directory_path(error);
            if (error) {
                return {};
            }
        }
    }
    return base / "Quorin LLC";
}

void Logger::WriteRecord(RecordKind kind, std::string_view message, std::uint32_t level,
                         std::uint64_t threadId, const void* dump, std::size_t dumpLength) {
    const LocalTime now = environment_.clock();
    std::string bytes =
        BuildFileLine(kind, FormatTimestamp(now), level, threadId, processId_, message);
    bytes += BuildDump(dump, dumpLength);

    // One write per record, so that lines from several threads or processes never interleave.
    std::lock_guard guard(lock_);
    const std::filesystem::path path = FilePathFor(now, true);
    if (vorn::platform::AppendToFile(path, bytes)) {
        return;
    }
    const std::filesystem::path fallback = FallbackFolder();
    if (fallback.empty() || !MakeFolder(fallback)) {
        return;  // nowhere left to write: the record is lost, as the caller cannot act on it
    }
    vorn::platform::AppendToFile(fallback / path.filename(), bytes);
}

}  // namespace Kavro::Greywick
