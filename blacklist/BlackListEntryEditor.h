#pragma once

// What a node's EditWithDialog asks of the window side: one entry dialog per kind of node,
// prefilled from the values given, writing them back only when the operator confirms.

#include <cstdint>
#include <string>

namespace vorn::blacklist {

// What the denomination dialog shows and gives back.
struct NominalEntry {
    std::uint32_t nominal = 100;
    std::int32_t year = 1995;
    std::uint8_t version = 255;
    bool anyNominal = false;
    bool anyYear = false;
    std::wstring comment;
};

class BlackListEntryEditor {
public:
    virtual ~BlackListEntryEditor() = default;

    // Each returns true on OK, with the values changed; on Cancel false, values untouched.
    virtual bool EditCurrency(std::wstring& name, std::wstring& comment) = 0;
    virtual bool EditSubstring(std::wstring& text, std::wstring& comment) = 0;
    // `entry` comes in with the node's own three numbers (any values included) and goes out
    // with the dialog's values and check boxes.
    virtual bool EditNominal(NominalEntry& entry) = 0;
};

}  // namespace vorn::blacklist
