#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorn {

// One agent message (notification or reply), parsed: the root element's name and attributes,
// and the attributes of its child elements (read only for the device list). Attribute values
// are kept as the UTF-8 bytes of the text, entities resolved.
class AgentMessage {
public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    // Nothing when the text is no well-formed XML document or has no root element.
    static std::optional<AgentMessage> Parse(std::string_view text);

    const std::string& name() const { return name_; }
    const Attributes& attributes() const { return attributes_; }
    const std::vector<Attributes>& children() const { return children_; }

    // Names compare exactly (case matters).
    bool Has(std::string_view attribute) const { return Find(attributes_, attribute) != nullptr; }
    std::optional<std::string> Raw(std::string_view attribute) const;
    // UTF-8 text as wide text; empty when missing.
    std::wstring Text(std::string_view attribute) const { return TextOf(attributes_, attribute); }
    // Decimal integer (leading digits; none read as 0), `fallback` when missing. Values beyond
    // 32 bits wrap, so an id written unsigned reads back as the same signed id.
    int32_t Int(std::string_view attribute, int32_t fallback = 0) const {
        return IntOf(attributes_, attribute, fallback);
    }
    int64_t Int64(std::string_view attribute, int64_t fallback = 0) const;
    double Fraction(std::string_view attribute, double fallback = 0.0) const;

    // The same readers for any attribute list, such as a device-list child's.
    static const std::string* Find(const Attributes& attributes, std::string_view name);
    static std::wstring TextOf(const Attributes& attributes, std::string_view name);
    static int32_t IntOf(const Attributes& attributes, std::string_view name, int32_t fallback = 0);

private:
    std::string name_;
    Attributes attributes_;
    std::vector<Attributes> children_;
};

}  // namespace vorn
