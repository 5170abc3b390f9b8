#pragma once

#include <cstddef>
#include <string_view>

namespace Kavro::Utilities::XML {

// Splits 8-bit markup into tags, comments and text runs without building a tree. The text is
// not copied: it must outlive the tokenizer. Nothing outside the view is ever read.
class CHtmlTokenizer {
public:
    CHtmlTokenizer(const char* text, std::size_t length);
    virtual ~CHtmlTokenizer() = default;

    CHtmlTokenizer(const CHtmlTokenizer&) = delete;
    CHtmlTokenizer& operator=(const CHtmlTokenizer&) = delete;

    // The next token of the view; empty once the view is exhausted.
    virtual std::string_view NextToken();

    std::size_t Position() const { return position_; }
    std::string_view View() const { return {start_, length_}; }

protected:
    const char* start_;
    std::size_t length_;
    std::size_t position_ = 0;
};

}  // namespace Kavro::Utilities::XML
