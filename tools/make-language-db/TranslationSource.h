#pragma once

// The text form in which translations are kept in the repository: one pair per line, the
// Russian text, a tab, the translated text. Inside a text \t, \n, \r and \\ stand for a tab, a
// line feed, a carriage return and a backslash. Empty lines and lines starting with '#' are
// skipped.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorn::tools {

struct TranslationPair {
    std::string source;       // UTF-8
    std::string translation;  // UTF-8
    int line = 0;
};

struct TranslationSource {
    std::vector<TranslationPair> pairs;
    // One message per fault, with its line number; a source with faults is not used.
    std::vector<std::string> errors;
};

TranslationSource ParseTranslationSource(std::string_view text);

}  // namespace vorn::tools
