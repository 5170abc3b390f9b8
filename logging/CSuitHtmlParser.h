#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "logging/CHtmlParser.h"

namespace Kavro::Utilities::XML {

// Picks tags and attribute values out of forgiving markup, narrowing its view to one element
// at a time. Names compare without regard to case; values come back byte for byte.
class CSuitHtmlParser : public CHtmlParser {
public:
    using CHtmlParser::CHtmlParser;

    // Also makes the token the current tag.
    std::string_view NextToken() override;
    // Advances to the first token that begins with the pattern; empty when none is left.
    virtual std::string_view FindTag(std::string_view pattern);

    // The value of an attribute of the current tag; empty when it is missing or empty.
    std::string_view FindAttribute(std::string_view name);
    // Finds the tag from the current position and copies the attribute's value. The position
    // is put back afterwards, found or not.
    bool GetAttribute(std::string_view tagPattern, std::string_view attrName, std::string& value);
    // Narrows the view to the next element from the opening to the first closing tag after
    // it; with inner, the tags themselves are left out. The view is unchanged on failure.
    bool EnterElement(std::string_view open, std::string_view close, const char* attrName = nullptr,
                      const char* attrValue = nullptr, bool inner = false);
    // Back to the enclosing view, at the position it had before the element was entered.
    void LeaveElement();

    std::string_view CurrentTag() const { return {tag_, tagLength_}; }

protected:
    std::size_t savedPosition_ = 0;
    std::deque<const char*> scopeStarts_;
    std::deque<std::size_t> scopeLengths_;
    std::deque<std::size_t> scopePositions_;
    const char* tag_ = start_;
    std::size_t tagLength_ = 0;
    std::size_t attrCursor_ = 0;

private:
    void PushScope();
    void PopScope();
};

}  // namespace Kavro::Utilities::XML
