#pragma once

// Rules of the USB-disk and offline update windows that decide without drawing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorn {

// Model codes of the update server.
inline constexpr std::int32_t kRenovexModel = 1;

// "Pellam 150/CDM Pellam 150" for 1, ..., "Undefined" for any other code.
const wchar_t* ModelDisplayName(std::int32_t model);

// The serial-number history "a|b|c", oldest first: its entries without the empty pieces.
std::vector<std::wstring> SplitSerialHistory(const std::wstring& history);
// The history after a successful lookup of `serial`: unchanged when it is already there (exact
// comparison) or empty; else appended, dropping the oldest entries beyond `limit`.
std::wstring AddToSerialHistory(const std::wstring& history, const std::wstring& serial,
                                std::size_t limit);

// The form of a device UIN: word characters, '-', three digits, '-', eight digits.
bool IsValidUin(const std::wstring& uin);

// What one "offline_update" notification shows: the counter always, the bar's position only
// when the total's low 16 bits are not 0 (capped at 100); done when number equals total.
struct OfflineProgress {
    std::optional<int> position;
    std::wstring counter;
    bool done = false;
};
OfflineProgress ComputeOfflineProgress(std::int32_t number, std::int32_t total);

}  // namespace vorn
