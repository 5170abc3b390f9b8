#include "logging/CXFSAdaptedHtmlParser.h"

namespace Kavro::Utilities::XML {

CXFSAdaptedHtmlParser::CXFSAdaptedHtmlParser(const char* text, std::size_t length)
    : CSuitHtmlParser(text, length) {}

CXFSAdaptedHtmlParser::~CXFSAdaptedHtmlParser() = default;

}  // namespace Kavro::Utilities::XML
