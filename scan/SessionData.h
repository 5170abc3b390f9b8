#pragma once

// The description of one banknote scanning session: the document that starts fetching scans,
// which the agent keeps as "SessionData.xml" beside the scans it stores.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Local date and time of a session's start; all zero while not set.
struct SessionTimestamp {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
};

// Value of the three enumerated fields that means "not set".
inline constexpr std::int32_t kSessionValueNotSet = 2;

struct SessionData {
    std::wstring uin;
    SessionTimestamp timestamp;
    std::int32_t authenticity = kSessionValueNotSet;  // 0 genuine, 1 counterfeit
    std::wstring currency;
    std::uint32_t denomination = 0;
    std::uint16_t year = 0;
    std::wstring version;
    std::int32_t rotation = kSessionValueNotSet;  // 0 not turned, 1 turned by 180 degrees
    std::int32_t side = kSessionValueNotSet;      // 0 face, 1 back
    std::wstring comment;
};

// The denomination and the year as the operator types them and as a session document holds
// them: read as atol and atoi read them on the agent's platform, where both are 32 bits; a
// negative denomination wraps into the unsigned field, the year keeps its low 16 bits. A
// document's denomination is also read up to the unsigned field's top, so that every value the
// document was written with (a typed -1 is written as 4294967295) is read back unchanged.
std::uint32_t DenominationFromText(std::wstring_view text);
std::uint16_t YearFromText(std::string_view text);
std::uint16_t YearFromText(std::wstring_view text);

// The session document, UTF-8, one element a line, each line ending in "\n". Text values are
// XML-escaped so that any comment reads back as it was typed.
std::string FormatSessionData(const SessionData& data);

// Reads a session document. Fields the document does not give keep their initial values; a
// document that does not parse gives a record of initial values.
SessionData ParseSessionData(std::string_view document);

// ParseSessionData of a file; a missing, unreadable or oversized file gives initial values.
SessionData LoadSessionData(const std::filesystem::path& file);

// The message of every failed check, in a fixed order, each starting with "\r\n"; none when
// the record is valid. Each is one text of the language files, so a window translates each
// before it joins them.
std::vector<std::wstring> SessionDataProblems(const SessionData& data);
// The messages of SessionDataProblems joined; empty when the record is valid.
std::wstring ValidateSessionData(const SessionData& data);

// UIN, "_", then the start time as YYYYMMDDhhmmss (the year unpadded).
std::wstring SessionFolderName(const SessionData& data);

}  // namespace vorn
