#include "platform/XmlEscape.h"

namespace vorn::platform {
namespace {

const char* Entity(char c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        case '\'':
            return "&apos;";
        default:
            return nullptr;
    }
}

}  // namespace

std::string EscapeXml(std::string_view text, std::string_view which) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const char* entity = which.find(c) != std::string_view::npos ? Entity(c) : nullptr;
        if (entity != nullptr) {
            out += entity;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace vorn::platform
