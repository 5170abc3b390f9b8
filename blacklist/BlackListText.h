#pragma once

// A black list as lines of text, for tools: one node a line below the root, two spaces of
// indentation per level (currencies at none, denominations at one, serial numbers below),
// each node in the form its ParseText reads: a currency or serial number as its value, a
// denomination as nominal, year and version code separated by single spaces with "*" for
// any, then " // " and the comment when there is one.

#include <cstddef>
#include <memory>
#include <string>

#include "blacklist/BlackListTree.h"

namespace vorn::blacklist {

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
