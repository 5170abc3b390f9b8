#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace Kavro::Greywick {

// The enabled levels of one module: a flag per level below 512 for the common case, and
// single levels, ranges and a threshold for everything else.
class LevelTable {
public:
    static constexpr std::uint32_t kFlagCount = 512;
    static constexpr std::uint32_t kNoThreshold = 0xFFFFFFFFu;

    // Applies a level list such as "1-3,7,100+", item by item from the left.
    void Apply(std::string_view list);
    void Clear();

    bool IsEnabled(std::uint32_t level) const;
    std::uint32_t Threshold() const { return threshold_; }

private:
    void RebuildFlags();

    std::array<bool, kFlagCount> enabled_{};
    std::vector<std::uint32_t> singleLevels_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> levelRanges_;
    std::uint32_t threshold_ = kNoThreshold;
};

// A number as the level lists write it: leading decimal digits after optional white space,
// saturating at 0xFFFFFFFF; text without digits reads as 0.
std::uint32_t ParseLevelNumber(std::string_view text);

}  // namespace Kavro::Greywick
