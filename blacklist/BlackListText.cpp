#include "blacklist/BlackListText.h"

#include <stdexcept>
#include <vector>

namespace vorn::blacklist {

namespace {

// The version as the editor shows it: its letter, "*" for any, else its code.
std::wstring VersionText(std::uint8_t version) {
    if (version == kAnyVersion) {
        return L"*";
    }
    if (version >= 'A' && version <= 'Z') {
        return std::wstring(1, static_cast<wchar_t>(version));
    }
    return std::to_wstring(version);
}

std::wstring NodeLine(const BlackListItem& item) {
    if (IsAnyNominal(&item)) {
        return kAnyNominalLine;
    }
    std::wstring line;
    if (item.Kind() == kNominalKind) {
        const auto& nominal = static_cast<const BlackListNominal&>(item);
        line = nominal.nominal == kAnyNominal ? L"*" : std::to_wstring(nominal.nominal);
        line += L' ';
        line += nominal.year == kAnyYear ? L"*" : std::to_wstring(nominal.year);
        line += L' ';
        line += VersionText(nominal.version);
    } else if (item.Kind() == kCurrencyKind) {
        line = static_cast<const BlackListCurrency&>(item).Value();
    } else if (item.Kind() == kSubKind) {
        line = static_cast<const BlackListSub&>(item).Value();
    }
    if (!item.Comment().empty()) {
        line += L" // " + item.Comment();
    }
    return line;
}

void AppendBranch(std::wstring& out, const BlackListNode& node, std::size_t level) {
    for (const BlackListNode& child : node.children) {
        out.append(2 * level, L' ');
        out += NodeLine(*child.item);
        out += L'\n';
        AppendBranch(out, child, level + 1);
    }
}

// ParseText reads three decimal numbers and "*" only for the version; the text also has "*"
// for any nominal and any year, and a version letter A to Z for its code.
std::wstring NumbersForParse(const std::wstring& line) {
    const auto mark = line.find(L"//");
    std::wstring numbers = line.substr(0, mark);
    std::wstring rest;
    if (mark != std::wstring::npos) {
        // The spaces before " // " belong to the comment mark.
        const std::size_t end = numbers.find_last_not_of(L' ') + 1;
        rest = numbers.substr(end) + line.substr(mark);
        numbers.erase(end);
    }
    std::vector<std::wstring> tokens;
    for (std::size_t start = 0;;) {
        const auto space = numbers.find(L' ', start);
        tokens.push_back(numbers.substr(start, space - start));
        if (space == std::wstring::npos) {
            break;
        }
        start = space + 1;
    }
    if (tokens.size() == 3) {
        if (tokens[0] == L"*") {
            tokens[0] = std::to_wstring(kAnyNominal);
        }
        if (tokens[1] == L"*") {
            tokens[1] = std::to_wstring(kAnyYear);
        }
        if (tokens[2].size() == 1 && tokens[2][0] >= L'A' && tokens[2][0] <= L'Z') {
            tokens[2] = std::to_wstring(static_cast<int>(tokens[2][0]));
        }
    }
    std::wstring joined;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        joined += (i == 0 ? L"" : L" ") + tokens[i];
    }
    return joined + rest;
}

}  // namespace

std::wstring TreeToText(const BlackListNode& root) {
    std::wstring out;
    AppendBranch(out, root, 0);
    return out;
}

ParsedTree TextToTree(const std::wstring& text) {
    ParsedTree parsed;
    auto root = std::make_unique<BlackListNode>();
    root->item = std::make_unique<BlackListRoot>();
    std::vector<BlackListNode*> path{root.get()};  // path[level] is the parent at that level
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(L" \t") == std::wstring::npos) {
            continue;
        }
        const std::size_t spaces = line.find_first_not_of(L' ');
        auto fail = [&](std::string message) {
            parsed.error = std::move(message);
            parsed.line = number;
            return std::move(parsed);
        };
        if (spaces % 2 != 0) {
            return fail("indentation is not a multiple of two spaces");
        }
        const std::size_t level = spaces / 2;
        if (level >= path.size()) {
            return fail("indented deeper than the line above allows");
        }
        line.erase(0, spaces);
        std::unique_ptr<BlackListItem> item;
        if (level == 0) {
            item = std::make_unique<BlackListCurrency>(L"", nullptr);
        } else if (level == 1 && line == kAnyNominalLine) {
            path.resize(level + 1);
            path.push_back(&path[level]->Add(std::make_unique<BlackListAnyNominal>()));
            continue;
        } else if (level == 1) {
            item = std::make_unique<BlackListNominal>(100, 1995, kAnyVersion, nullptr);
            line = NumbersForParse(line);
        } else {
            item = std::make_unique<BlackListSub>(true, L"", nullptr);
        }
        try {
            if (!item->ParseText(line)) {
                return fail("a denomination needs nominal, year and version");
            }
        } catch (const std::exception&) {
            return fail("a number that is not a decimal number of its width");
        }
        path.resize(level + 1);
        path.push_back(&path[level]->Add(std::move(item)));
    }
    parsed.root = std::move(root);
    return parsed;
}

}  // namespace vorn::blacklist
