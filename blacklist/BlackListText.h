#pragma once

// A black list as lines of text, for tools: one node a line below the root, two spaces of
// indentation per level (currencies at none, denominations at one, serial numbers below): a
// currency or serial number as its value, a denomination as nominal, year and version
// separated by single spaces with "*" for any, the version as the letter the editor shows (its
// code where it is no letter A to Z; a code is read as well), then " // " and the comment when
// there is one. "Any" at the level of denominations holds serial numbers that stand directly
// under their currency.

#include <cstddef>
#include <memory>
#include <string>

#include "blacklist/BlackListTree.h"

namespace vorn::blacklist {

inline constexpr const wchar_t* kAnyNominalLine = L"Any";

std::wstring TreeToText(const BlackListNode& root);

struct ParsedTree {
    std::unique_ptr<BlackListNode> root;  // nothing on error
    std::string error;
    std::size_t line = 0;  // 1-based line of the error
};

// The inverse of TreeToText; "*" is taken for any nominal and any year too. Blank lines are
// skipped.
ParsedTree TextToTree(const std::wstring& text);

}  // namespace vorn::blacklist
