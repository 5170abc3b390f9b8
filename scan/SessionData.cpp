#include "scan/SessionData.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <tinyxml2.h>

#include "app/DecimalText.h"
#include "platform/TextConversion.h"
#include "platform/XmlEscape.h"

namespace vorn {

namespace {

// A session document is a few hundred bytes; anything far beyond that is not one.
constexpr std::uintmax_t kMaxDocumentBytes = 1024 * 1024;

constexpr const char* kAuthenticityWords[] = {"AU", "CF"};
constexpr const char* kRotationWords[] = {"0deg", "180deg"};
constexpr const char* kSideWords[] = {"Face", "Back"};

const char* Word(std::int32_t value, const char* const (&words)[2]) {
    return value == 0 || value == 1 ? words[value] : "UNK";
}

std::int32_t FromWord(const char* text, const char* const (&words)[2]) {
    for (std::int32_t i = 0; i < 2; ++i) {
        if (std::string_view(text) == words[i]) {
            return i;
        }
    }
    return kSessionValueNotSet;
}

std::string Text(const std::wstring& value) {
    return platform::EscapeXml(platform::WideToUtf8(value), "&<>");
}

std::string Line(const char* element, const std::string& value) {
    return std::string("\t<") + element + ">" + value + "</" + element + ">\n";
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The six numbers of a time stamp, each separator skipped unchecked. Reading stops at the
// first number that is missing; the numbers read so far are kept.
void ReadTimestamp(std::string_view text, SessionTimestamp& stamp) {
    std::uint16_t* fields[] = {&stamp.year, &stamp.month,  &stamp.day,
                               &stamp.hour, &stamp.minute, &stamp.second};
    std::size_t i = 0;
    bool first = true;
    for (std::uint16_t* field : fields) {
        if (!first) {
            if (i >= text.size()) {
                return;
            }
            ++i;  // the separator, whatever it is
        }
        first = false;
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return;
        }
        unsigned value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = (value * 10 + static_cast<unsigned>(text[i] - '0')) & 0xFFFFu;
        }
        *field = static_cast<std::uint16_t>(value);
    }
}

std::size_t Utf16Length(const std::wstring& text) {
    return platform::WideToUtf16(text).size();
}

}  // namespace

std::string FormatSessionData(const SessionData& data) {
    const SessionTimestamp& t = data.timestamp;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%d.%02d.%02d %02d:%02d:%02d", int{t.year}, int{t.month},
                  int{t.day}, int{t.hour}, int{t.minute}, int{t.second});
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<SessionData>\n";
    text += Line("uin", Text(data.uin));
    text += Line("timestamp", stamp);
    text += Line("validity", Word(data.authenticity, kAuthenticityWords));
    text += Line("currency", Text(data.currency));
    text += Line("nominal", std::to_string(data.denomination));
    text += Line("release", std::to_string(data.year));
    text += Line("release_version", Text(data.version));
    text += Line("rotation_angle", Word(data.rotation, kRotationWords));
    text += Line("orientation", Word(data.side, kSideWords));
    text += Line("description", Text(data.comment));
    text += "</SessionData>\n";
    return text;
}

SessionData ParseSessionData(std::string_view document) {
    SessionData data;
    tinyxml2::XMLDocument xml;
    if (xml.Parse(document.data(), document.size()) != tinyxml2::XML_SUCCESS) {
        return data;
    }
    const tinyxml2::XMLElement* root = xml.RootElement();
    if (!root) {
        return data;
    }
    auto text = [root](const char* name) -> const char* {
        const tinyxml2::XMLElement* element = root->FirstChildElement(name);
        return element ? element->GetText() : nullptr;
    };
    auto wide = [&](const char* name, std::wstring& field) {
        if (const char* value = text(name)) {
            field = platform::Utf8ToWide(value);
        }
    };
    wide("uin", data.uin);
    wide("currency", data.currency);
    wide("release_version", data.version);
    wide("description", data.comment);
    if (const char* value = text("timestamp")) {
        ReadTimestamp(value, data.timestamp);
    }
    if (const char* value = text("validity")) {
        data.authenticity = FromWord(value, kAuthenticityWords);
    }
    if (const char* value = text("rotation_angle")) {
        data.rotation = FromWord(value, kRotationWords);
    }
    if (const char* value = text("orientation")) {
        data.side = FromWord(value, kSideWords);
    }
    if (const char* value = text("nominal")) {
        // Up to the unsigned top: the document holds the field as it was written.
        data.denomination =
            static_cast<std::uint32_t>(LeadingInteger(value, INT32_MIN, UINT32_MAX) & 0xFFFFFFFF);
    }
    if (const char* value = text("release")) {
        data.year = YearFromText(value);
    }
    return data;
}

SessionData LoadSessionData(const std::filesystem::path& file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxDocumentBytes) {
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {};
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ParseSessionData(bytes);
}

namespace {

template <class Text>
std::uint16_t Year(Text text) {
    return static_cast<std::uint16_t>(LeadingInteger(text, INT_MIN, INT_MAX) & 0xFFFF);
}

}  // namespace

// A long of 32 bits, as on the agent's platform; a negative number wraps into the unsigned field.
std::uint32_t DenominationFromText(std::wstring_view text) {
    return static_cast<std::uint32_t>(LeadingInteger(text, INT32_MIN, INT32_MAX) & 0xFFFFFFFF);
}

std::uint16_t YearFromText(std::string_view text) {
    return Year(text);
}

std::uint16_t YearFromText(std::wstring_view text) {
    return Year(text);
}

std::vector<std::wstring> SessionDataProblems(const SessionData& data) {
    std::vector<std::wstring> messages;
    auto check = [&](bool fails, const wchar_t* message) {
        if (fails) {
            messages.emplace_back(message);
        }
    };
    check(data.uin.empty(), L"\r\nНе указан серийный номер устройства;");
    check(data.authenticity == kSessionValueNotSet,
          L"\r\nНе указано значение подлинности банкнот;");
    check(Utf16Length(data.currency) != 3, L"\r\nКод валюты должен состоять из 3-ех символов;");
    check(data.denomination == 0, L"\r\nНеверное значение номинала;");
    check(data.year == 0 || data.year > 9999, L"\r\nНеверное значение года выпуска;");
    check(Utf16Length(data.version) != 1, L"\r\nВерсия должна состоять из одного символа;");
    check(data.rotation == kSessionValueNotSet, L"\r\nНе указано значение ориентации(разворот);");
    check(data.side == kSessionValueNotSet, L"\r\nНе указано значение ориентации(сторона);");
    return messages;
}

std::wstring ValidateSessionData(const SessionData& data) {
    std::wstring joined;
    for (const std::wstring& message : SessionDataProblems(data)) {
        joined += message;
    }
    return joined;
}

std::wstring SessionFolderName(const SessionData& data) {
    const SessionTimestamp& t = data.timestamp;
    wchar_t stamp[64];
    std::swprintf(stamp, std::size(stamp), L"_%d%02d%02d%02d%02d%02d", int{t.year}, int{t.month},
                  int{t.day}, int{t.hour}, int{t.minute}, int{t.second});
    return data.uin + stamp;
}

}  // namespace vorn
