// Fuzz target for the session document the agent keeps beside the scans: any bytes are read as
// a document; what was read is written again and must read back the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scan/SessionData.h"

using namespace vorn;

namespace {

// The XML reader takes CR LF, LF CR and a lone CR each as one line feed, so a carriage return in
// a text does not come back (the writer writes it as it is, not as a character reference).
std::wstring LineEnds(const std::wstring& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c != L'\r' && c != L'\n') {
            out += c;
            continue;
        }
        out += L'\n';
        const wchar_t pair = c == L'\r' ? L'\n' : L'\r';
        if (i + 1 < text.size() && text[i + 1] == pair) {
            ++i;
        }
    }
    return out;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return LineEnds(a) == LineEnds(b);
}

bool Same(const SessionData& a, const SessionData& b) {
    return SameText(a.uin, b.uin) && a.timestamp.year == b.timestamp.year &&
           a.timestamp.month == b.timestamp.month && a.timestamp.day == b.timestamp.day &&
           a.timestamp.hour == b.timestamp.hour && a.timestamp.minute == b.timestamp.minute &&
           a.timestamp.second == b.timestamp.second && a.authenticity == b.authenticity &&
           SameText(a.currency, b.currency) && a.denomination == b.denomination &&
           a.year == b.year && SameText(a.version, b.version) && a.rotation == b.rotation &&
           a.side == b.side && SameText(a.comment, b.comment);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const SessionData read =
        ParseSessionData(std::string_view(reinterpret_cast<const char*>(data), size));
    ValidateSessionData(read);
    SessionFolderName(read);
    if (!Same(ParseSessionData(FormatSessionData(read)), read)) {
        std::abort();
    }
    return 0;
}
