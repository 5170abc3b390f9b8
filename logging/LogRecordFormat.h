#pragma once

// The texts of one log record: the command offered to the configuration client and the line
// appended to the log file, byte for byte.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Kavro::Greywick {

struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The local time now, to the millisecond.
LocalTime CurrentLocalTime();

enum class RecordKind {
    Ordinary,  // " W; "
    Trace,     // " T; "
};

// "2026.03.07 09:05:01.042"
std::string FormatTimestamp(const LocalTime& time);

// "<" to "&lt;", ">" to "&gt;", '"' to "&quot;"; an ampersand is kept as it is, which is what
// the configuration client expects.
std::string EscapeCommandText(std::string_view message);

struct CommandFields {
    std::string_view moduleName;
    std::uint32_t level = 0;
    std::string_view message;  // as formatted; escaped here
    std::string_view timestamp;
    std::uint64_t threadId = 0;
    std::uint32_t processId = 0;
};
std::string BuildCommand(const CommandFields& fields);

// One file line, ended by CR LF; the message is written unescaped.
std::string BuildFileLine(RecordKind kind, std::string_view timestamp, std::uint32_t level,
                          std::uint64_t threadId, std::uint32_t processId,
                          std::string_view message);

// The dump after a line: a header, then sixteen bytes a line in hex and as characters.
std::string BuildDump(const void* data, std::size_t length);

// "<module>_YYYY.MM.DD_<runId>.log"
std::string LogFileName(std::string_view moduleName, const LocalTime& date, std::string_view runId);

}  // namespace Kavro::Greywick
