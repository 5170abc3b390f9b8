#pragma once

#include "logging/CSuitHtmlParser.h"

namespace Kavro::Utilities::XML {

// The parser that callers instantiate, over a text and its length.
class CXFSAdaptedHtmlParser : public CSuitHtmlParser {
public:
    CXFSAdaptedHtmlParser(const char* text, std::size_t length);
    ~CXFSAdaptedHtmlParser() override;
};

}  // namespace Kavro::Utilities::XML
