// Fuzz target for the markup parser and the settings search built on it. Every call works on
// a heap copy of exactly the input's size, so AddressSanitizer flags any read past the view.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "logging/CXFSAdaptedHtmlParser.h"
#include "logging/LevelTable.h"
#include "logging/SettingsSearch.h"

using Kavro::Utilities::XML::CXFSAdaptedHtmlParser;

namespace {

void WalkTokens(const char* text, std::size_t size) {
    CXFSAdaptedHtmlParser parser(text, size);
    for (std::string_view token = parser.NextToken(); !token.empty(); token = parser.NextToken()) {
        parser.FindAttribute("val");
        parser.FindAttribute("");
    }
}

void EnterAndSearch(const char* text, std::size_t size) {
    CXFSAdaptedHtmlParser parser(text, size);
    std::string value;
    for (int round = 0; round < 4; ++round) {
        if (parser.EnterElement("<a", "</a>", round % 2 == 0 ? "id" : nullptr, "x", round > 1)) {
            parser.GetAttribute("<b ", "val", value);
            parser.FindTag("<");
            parser.LeaveElement();
        }
        parser.FindTag("</a>");
    }
    parser.LeaveElement();
    parser.LeaveElement();
    parser.GetAttribute("", "v", value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto copy = std::make_unique<char[]>(size == 0 ? 1 : size);
    for (std::size_t i = 0; i < size; ++i) {
        copy[i] = static_cast<char>(data[i]);
    }
    WalkTokens(copy.get(), size);
    EnterAndSearch(copy.get(), size);

    const std::string list =
        Kavro::Greywick::FindModuleLevelList(std::string_view(copy.get(), size), "vorn_update");
    Kavro::Greywick::LevelTable table;
    table.Apply(list);
    table.Apply(std::string_view(copy.get(), size));
    table.IsEnabled(static_cast<std::uint32_t>(size) * 2654435761u);
    return 0;
}
