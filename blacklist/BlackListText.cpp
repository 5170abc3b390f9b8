#include "blacklist/BlackListText.h"

#include <stdexcept>

namespace vorn::blacklist {

namespace {

std::wstring NodeLine(const BlackListItem& item) {
    std::wstring line;
    if (item.Kind() == kNominalKind) {
        const auto& nominal = static_cast<const BlackListNominal&>(item);
        line = nominal.nominal == kAnyNominal ? L"*" : std::to_wstring(nominal.nominal);
        line += L' ';
        line += nominal.year == kAnyYear ? L"*" : std::to_wstring(nominal.year);
        line += L' ';
        line += nominal.version == kAnyVersion ? L"*" : std::to_wstring(nominal.version);
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

// "*" stands for any nominal and any year; ParseText itself takes it only for the version.
std::wstring NumbersForParse(const std::wstring& line) {
    const auto mark = line.find(L"//");
    std::wstring numbers = line.substr(0, mark);
    const std::wstring rest = mark == std::wstring::npos ? std::wstring() : line.substr(mark);
    if (numbers.rfind(L"* ", 0) == 0) {
        numbers.replace(0, 1, std::to_wstring(kAnyNominal));
    }
    const auto second = numbers.find(L' ');
    if (second != std::wstring::npos && numbers.compare(second + 1, 2, L"* ") == 0) {
        numbers.replace(second + 1, 1, std::to_wstring(kAnyYear));
    }
    return numbers + rest;
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
