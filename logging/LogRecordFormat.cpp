#include "logging/LogRecordFormat.h"

#include "platform/LocalTime.h"
#include "platform/XmlEscape.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace Kavro::Greywick {

namespace {

// Appends a number padded with zeros to `width` digits.
void AppendPadded(std::string& out, long long value, int width) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, "%0*lld", width, value);
    if (n > 0) {
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

LocalTime CurrentLocalTime() {
    const auto now = std::chrono::system_clock::now();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - seconds).count();
    const std::tm local = vorn::platform::ToLocalTime(std::chrono::system_clock::to_time_t(seconds))
                              .value_or(std::tm{});
    LocalTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.millisecond = static_cast<int>(milliseconds);
    return t;
}

std::string FormatTimestamp(const LocalTime& time) {
    std::string out;
    out.reserve(23);
    AppendPadded(out, time.year, 4);
    out += '.';
    AppendPadded(out, time.month, 2);
    out += '.';
    AppendPadded(out, time.day, 2);
    out += ' ';
    AppendPadded(out, time.hour, 2);
    out += ':';
    AppendPadded(out, time.minute, 2);
    out += ':';
    AppendPadded(out, time.second, 2);
    out += '.';
    AppendPadded(out, time.millisecond, 3);
    return out;
}

std::string EscapeCommandText(std::string_view message) {
    // The command format escapes these three only; an ampersand travels as it is.
    return vorn::platform::EscapeXml(message, "<>\"");
}

std::string BuildCommand(const CommandFields& fields) {
    std::string out;
    out.reserve(fields.message.size() + fields.moduleName.size() + 200);
    out += "<command id=\"Warning\">\r\n";
    out += "\t<module val=\"";
    out += fields.moduleName;
    out += "\" />\r\n\t<level val=\"";
    out += std::to_string(fields.level);
    out += "\" />\r\n\t<message val=\"";
    out += EscapeCommandText(fields.message);
    out += "\" />\r\n\t<timestamp val=\"";
    out += fields.timestamp;
    out += "\" />\r\n\t<thread id=\"";
    out += std::to_string(fields.threadId);
    out += "\" />\r\n\t<process id=\"";
    out += std::to_string(fields.processId);
    out += "\" />\r\n</command>";
    return out;
}

std::string BuildFileLine(RecordKind kind, std::string_view timestamp, std::uint32_t level,
                          std::uint64_t threadId, std::uint32_t processId,
                          std::string_view message) {
    std::string out;
    out.reserve(timestamp.size() + message.size() + 64);
    out += timestamp;
    out += '\x9B';
    out += kind == RecordKind::Trace ? " T; " : " W; ";
    out += "L=";
    out += std::to_string(level);
    out += "; [tid=";
    out += std::to_string(threadId);
    out += "; pid=";
    out += std::to_string(processId);
    out += "]; ";
    out += message;
    out += "\r\n";
    return out;
}

std::string BuildDump(const void* data, std::size_t length) {
    std::string out;
    if (data == nullptr || length == 0) {
        return out;
    }
    out += "\tDump: (data length = " + std::to_string(length) + ")\r\n";
    const auto* bytes = static_cast<const unsigned char*>(data);
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t run = 0; run < length; run += 16) {
        const std::size_t count = length - run < 16 ? length - run : 16;
        out += '\t';
        for (std::size_t i = 0; i < count; ++i) {
            out += kHex[bytes[run + i] >> 4];
            out += kHex[bytes[run + i] & 0x0F];
            out += ' ';
        }
        out.append(3 * (16 - count), ' ');
        out += "| ";
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned char c = bytes[run + i];
            out += c < 32 ? '.' : static_cast<char>(c);
        }
        out += "\r\n";
    }
    return out;
}

std::string LogFileName(std::string_view moduleName, const LocalTime& date,
                        std::string_view runId) {
    std::string out(moduleName);
    out += '_';
    AppendPadded(out, date.year, 4);
    out += '.';
    AppendPadded(out, date.month, 2);
    out += '.';
    AppendPadded(out, date.day, 2);
    out += '_';
    out += runId;
    out += ".log";
    return out;
}

}  // namespace Kavro::Greywick
