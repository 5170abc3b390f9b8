#include "agent/AgentProtocolMessage.h"

#include <tinyxml2.h>

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/TextConversion.h"

namespace vorn {

namespace {

AgentMessage::Attributes ReadAttributes(const tinyxml2::XMLElement& element) {
    AgentMessage::Attributes attributes;
    for (const tinyxml2::XMLAttribute* a = element.FirstAttribute(); a != nullptr; a = a->Next()) {
        attributes.emplace_back(a->Name(), a->Value());
    }
    return attributes;
}

// Leading blanks, an optional sign, then decimal digits up to the first other character, as
// the agent's integers are read; no digits reads as 0. Saturates instead of overflowing.
int64_t ParseDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr int64_t kLimit = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (kLimit - digit) / 10) {
            value = kLimit;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

}  // namespace

std::optional<AgentMessage> AgentMessage::Parse(std::string_view text) {
    tinyxml2::XMLDocument document;
    if (document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        return std::nullopt;
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    if (root == nullptr) {
        return std::nullopt;
    }
    AgentMessage message;
    message.name_ = root->Name();
    message.attributes_ = ReadAttributes(*root);
    for (const tinyxml2::XMLElement* child = root->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        message.children_.push_back(ReadAttributes(*child));
    }
    return message;
}

const std::string* AgentMessage::Find(const Attributes& attributes, std::string_view name) {
    for (const auto& [key, value] : attributes) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

std::optional<std::string> AgentMessage::Raw(std::string_view attribute) const {
    if (const std::string* value = Find(attributes_, attribute)) {
        return *value;
    }
    return std::nullopt;
}

std::wstring AgentMessage::TextOf(const Attributes& attributes, std::string_view name) {
    const std::string* value = Find(attributes, name);
    return value != nullptr ? platform::Utf8ToWide(*value) : std::wstring();
}

int32_t AgentMessage::IntOf(const Attributes& attributes, std::string_view name, int32_t fallback) {
    const std::string* value = Find(attributes, name);
    if (value == nullptr) {
        return fallback;
    }
    return static_cast<int32_t>(static_cast<uint64_t>(ParseDecimal(*value)));
}

int64_t AgentMessage::Int64(std::string_view attribute, int64_t fallback) const {
    const std::string* value = Find(attributes_, attribute);
    return value != nullptr ? ParseDecimal(*value) : fallback;
}

double AgentMessage::Fraction(std::string_view attribute, double fallback) const {
    const std::string* value = Find(attributes_, attribute);
    if (value == nullptr) {
        return fallback;
    }
    // from_chars ignores the locale, whose decimal separator may be a comma.
    std::string_view text = *value;
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double result = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (error != std::errc() || !std::isfinite(result)) {
        return 0.0;
    }
    return result;
}

}  // namespace vorn
