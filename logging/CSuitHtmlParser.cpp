#include "logging/CSuitHtmlParser.h"

#include "logging/MarkupCase.h"

namespace Kavro::Utilities::XML {

namespace {

bool TokenMatches(std::string_view token, std::string_view pattern) {
    if (token.size() == 1 && !pattern.empty() && pattern.front() == '<') {
        return false;
    }
    // The whole pattern must be present: a truncated tag such as "<na" is not "<name ".
    if (token.size() < pattern.size()) {
        return false;
    }
    return EqualsFolded(token.substr(0, pattern.size()), pattern);
}

}  // namespace

std::string_view CSuitHtmlParser::NextToken() {
    const std::string_view token = CHtmlParser::NextToken();
    tag_ = token.data();
    tagLength_ = token.size();
    attrCursor_ = 0;
    return token;
}

std::string_view CSuitHtmlParser::FindTag(std::string_view pattern) {
    for (;;) {
        const std::string_view token = NextToken();
        if (token.empty() || TokenMatches(token, pattern)) {
            return token;
        }
    }
}

std::string_view CSuitHtmlParser::FindAttribute(std::string_view name) {
    const std::string_view tag = CurrentTag();
    const std::size_t lowest = (!tag.empty() && tag.front() == '<') ? 1 : 0;
    attrCursor_ = 0;
    while (attrCursor_ < tag.size()) {
        const std::size_t eq = tag.find('=', attrCursor_);
        if (eq == std::string_view::npos) {
            break;
        }
        std::size_t nameEnd = eq;
        while (nameEnd > lowest && IsMarkupSpace(tag[nameEnd - 1])) {
            --nameEnd;
        }
        std::size_t nameBegin = nameEnd;
        while (nameBegin > lowest && !IsMarkupSpace(tag[nameBegin - 1])) {
            --nameBegin;
        }
        attrCursor_ = eq + 1;
        if (nameBegin == nameEnd) {
            continue;
        }

        std::size_t v = eq + 1;
        while (v < tag.size() && IsMarkupSpace(tag[v])) {
            ++v;
        }
        std::size_t valueBegin = v;
        std::size_t valueEnd = v;
        if (v < tag.size() && (tag[v] == '"' || tag[v] == '\'')) {
            valueBegin = v + 1;
            const std::size_t close = tag.find(tag[v], valueBegin);
            valueEnd = close == std::string_view::npos ? tag.size() : close;
            attrCursor_ = close == std::string_view::npos ? tag.size() : close + 1;
        } else {
            while (valueEnd < tag.size() && !IsMarkupSpace(tag[valueEnd]) && tag[valueEnd] != '>') {
                ++valueEnd;
            }
            attrCursor_ = valueEnd;
        }

        const bool matches = EqualsFolded(tag.substr(nameBegin, nameEnd - nameBegin), name);
        if (valueEnd == valueBegin) {
            // An empty value counts as missing; other attributes may still follow.
            if (matches) {
                break;
            }
            continue;
        }
        if (matches) {
            return tag.substr(valueBegin, valueEnd - valueBegin);
        }
    }
    return {tag.data() + tag.size(), 0};
}

bool CSuitHtmlParser::GetAttribute(std::string_view tagPattern, std::string_view attrName,
                                   std::string& value) {
    value.clear();
    savedPosition_ = position_;
    bool found = false;
    if (!FindTag(tagPattern).empty()) {
        const std::string_view v = FindAttribute(attrName);
        if (!v.empty()) {
            value.assign(v);
            found = true;
        }
    }
    position_ = savedPosition_;
    return found;
}

bool CSuitHtmlParser::EnterElement(std::string_view open, std::string_view close,
                                   const char* attrName, const char* attrValue, bool inner) {
    PushScope();
    std::string_view openTag;
    for (;;) {
        openTag = FindTag(open);
        if (openTag.empty() || attrName == nullptr) {
            break;
        }
        const std::string_view v = FindAttribute(attrName);
        if (!v.empty() && (attrValue == nullptr || EqualsFolded(v, attrValue))) {
            break;
        }
    }
    if (!openTag.empty()) {
        const std::string_view closeTag = FindTag(close);
        if (!closeTag.empty()) {
            const char* begin = inner ? openTag.data() + openTag.size() : openTag.data();
            const char* end = inner ? closeTag.data() : closeTag.data() + closeTag.size();
            start_ = begin;
            length_ = static_cast<std::size_t>(end - begin);
            position_ = 0;
            return true;
        }
    }
    PopScope();
    return false;
}

void CSuitHtmlParser::LeaveElement() {
    if (scopeStarts_.empty()) {
        position_ = 0;
        return;
    }
    PopScope();
}

void CSuitHtmlParser::PushScope() {
    scopeStarts_.push_back(start_);
    scopeLengths_.push_back(length_);
    scopePositions_.push_back(position_);
}

void CSuitHtmlParser::PopScope() {
    start_ = scopeStarts_.back();
    length_ = scopeLengths_.back();
    position_ = scopePositions_.back();
    scopeStarts_.pop_back();
    scopeLengths_.pop_back();
    scopePositions_.pop_back();
}

}  // namespace Kavro::Utilities::XML
