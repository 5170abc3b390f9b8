#include "blacklist/BlackListItem.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "blacklist/BlackListEntryEditor.h"

namespace vorn::blacklist {

namespace {

std::wstring Trim(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t\r\n\v\f");
    if (first == std::wstring::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(L" \t\r\n\v\f");
    return text.substr(first, last - first + 1);
}

// A token of decimal digits only, up to `limit`; anything else throws as decimal conversion
// does, so that "-1", "12abc" or a value too wide for its field never reaches a node.
unsigned long ReadDecimal(const std::wstring& token, unsigned long limit) {
    if (token.empty() || token.find_first_not_of(L"0123456789") != std::wstring::npos) {
        throw std::invalid_argument("not a decimal number");
    }
    const unsigned long value = std::stoul(token);
    if (value > limit) {
        throw std::out_of_range("decimal number too large");
    }
    return value;
}

}  // namespace

bool BlackListItem::EditWithDialog(BlackListEntryEditor&) {
    return false;
}

bool BlackListItem::ParseText(const std::wstring&) {
    return false;
}

std::wstring BlackListItem::CommentSuffix() const {
    return comment.empty() ? std::wstring() : L" // " + comment;
}

std::wstring BlackListItem::SplitComment(const std::wstring& line) {
    comment.clear();
    const auto mark = line.find(L"//");
    if (mark == std::wstring::npos) {
        return line;
    }
    comment = Trim(line.substr(mark + 2));
    return line.substr(0, mark);
}

bool BlackListCurrency::EditWithDialog(BlackListEntryEditor& editor) {
    std::wstring name = currencyName;
    std::wstring text = comment;
    if (!editor.EditCurrency(name, text)) {
        return false;
    }
    currencyName = std::move(name);
    comment = std::move(text);
    return true;
}

bool BlackListCurrency::ParseText(const std::wstring& line) {
    currencyName = Trim(SplitComment(line));
    return true;
}

std::wstring BlackListNominal::GetText() const {
    std::wstring text = nominal == kAnyNominal ? L"*" : std::to_wstring(nominal);
    text += TranslateNodeText(L", Год: ");
    text += year == kAnyYear ? L"*" : std::to_wstring(year);
    text += TranslateNodeText(L", Версия. ");
    text += version == kAnyVersion ? std::wstring(L"*") : std::wstring(1, wchar_t(version));
    return text + CommentSuffix();
}

bool BlackListNominal::EditWithDialog(BlackListEntryEditor& editor) {
    NominalEntry entry;
    entry.nominal = nominal;
    entry.year = year;
    entry.version = version;
    entry.comment = comment;
    if (!editor.EditNominal(entry)) {
        return false;
    }
    nominal = entry.anyNominal ? kAnyNominal : entry.nominal;
    year = entry.anyYear ? kAnyYear : static_cast<std::uint16_t>(entry.year);
    version = entry.version;
    comment = std::move(entry.comment);
    return true;
}

bool BlackListNominal::ParseText(const std::wstring& line) {
    const std::wstring saved = comment;
    std::wstring rest = SplitComment(line);
    // The space before " // " belongs to the comment mark, not to the numbers.
    if (rest.size() != line.size()) {
        rest.erase(rest.find_last_not_of(L' ') + 1);
    }
    std::vector<std::wstring> tokens;
    std::size_t start = 0;
    for (;;) {
        const auto space = rest.find(L' ', start);
        tokens.push_back(rest.substr(start, space - start));
        if (space == std::wstring::npos) {
            break;
        }
        start = space + 1;
    }
    if (tokens.size() != 3) {
        comment = saved;
        return false;
    }
    unsigned long newNominal = 0;
    unsigned long newYear = 0;
    unsigned long newVersion = 0;
    try {
        newNominal = ReadDecimal(tokens[0], kAnyNominal);
        newYear = ReadDecimal(tokens[1], kAnyYear);
        newVersion = tokens[2] == L"*" ? kAnyVersion : ReadDecimal(tokens[2], kAnyVersion);
    } catch (...) {
        comment = saved;  // a bad number leaves the node as it was
        throw;
    }
    nominal = static_cast<std::uint32_t>(newNominal);
    year = static_cast<std::uint16_t>(newYear);
    version = static_cast<std::uint8_t>(newVersion);
    return true;
}

bool BlackListSub::EditWithDialog(BlackListEntryEditor& editor) {
    std::wstring value = text;
    std::wstring note = comment;
    if (!editor.EditSubstring(value, note)) {
        return false;
    }
    text = std::move(value);
    comment = std::move(note);
    return true;
}

bool BlackListSub::ParseText(const std::wstring& line) {
    text = Trim(SplitComment(line));
    return true;
}

}  // namespace vorn::blacklist
