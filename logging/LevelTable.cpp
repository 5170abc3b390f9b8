#include "logging/LevelTable.h"

#include <algorithm>

#include "logging/MarkupCase.h"

namespace Kavro::Greywick {

namespace {

using Kavro::Utilities::XML::IsMarkupSpace;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsMarkupSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsMarkupSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

std::uint32_t ParseLevelNumber(std::string_view text) {
    text = Trim(text);
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value >= LevelTable::kNoThreshold) {
            return LevelTable::kNoThreshold;
        }
    }
    return static_cast<std::uint32_t>(value);
}

void LevelTable::Clear() {
    singleLevels_.clear();
    levelRanges_.clear();
    threshold_ = kNoThreshold;
    enabled_.fill(false);
}

void LevelTable::Apply(std::string_view list) {
    std::vector<std::string_view> items;
    for (std::size_t from = 0;;) {
        const std::size_t comma = list.find(',', from);
        items.push_back(
            list.substr(from, comma == std::string_view::npos ? list.npos : comma - from));
        if (comma == std::string_view::npos) {
            break;
        }
        from = comma + 1;
    }
    // Only an empty item between two commas stands for level 0; an empty list, a leading or
    // a trailing comma adds nothing.
    if (!items.empty() && Trim(items.back()).empty()) {
        items.pop_back();
    }
    if (!items.empty() && Trim(items.front()).empty()) {
        items.erase(items.begin());
    }

    for (const std::string_view raw : items) {
        const std::string_view item = Trim(raw);
        if (!item.empty() && item.front() == '+') {
            continue;
        }
        const std::size_t dash = item.find('-');
        if (dash != std::string_view::npos && dash != 0 && dash + 1 != item.size()) {
            const std::uint32_t low = ParseLevelNumber(item.substr(0, dash));
            const std::uint32_t high = ParseLevelNumber(item.substr(dash + 1));
            if (low <= high && low < threshold_) {
                levelRanges_.emplace_back(low, high);
            }
            continue;
        }
        const std::uint32_t n = ParseLevelNumber(item);
        if (!item.empty() && item.back() == '+') {
            threshold_ = std::min(threshold_, n);
        } else if (n < threshold_) {
            singleLevels_.push_back(n);
        }
    }
    RebuildFlags();
}

void LevelTable::RebuildFlags() {
    enabled_.fill(false);
    for (std::uint32_t level = threshold_; level < kFlagCount; ++level) {
        enabled_[level] = true;
    }
    for (const std::uint32_t level : singleLevels_) {
        if (level < kFlagCount) {
            enabled_[level] = true;
        }
    }
    for (const auto& [low, high] : levelRanges_) {
        for (std::uint32_t level = low; level < kFlagCount && level <= high; ++level) {
            enabled_[level] = true;
        }
    }
}

bool LevelTable::IsEnabled(std::uint32_t level) const {
    if (level < kFlagCount) {
        return enabled_[level];
    }
    if (level >= threshold_) {
        return true;
    }
    const bool inRange = std::any_of(levelRanges_.begin(), levelRanges_.end(), [&](const auto& r) {
        return r.first <= level && level <= r.second;
    });
    return inRange ||
           std::find(singleLevels_.begin(), singleLevels_.end(), level) != singleLevels_.end();
}

}  // namespace Kavro::Greywick
