#include "offline/OfflineRules.h"

#include <algorithm>
#include <string_view>

namespace vorn {

const wchar_t* ModelDisplayName(std::int32_t model) {
    switch (model) {
        case 1:
            return L"Pellam 150/CDM Pellam 150";
        case 2:
            return L"Pellam 175/175F";
        case 3:
            return L"Pellam 175FF";
        case 4:
            return L"Pellam 350";
        default:
            return L"Undefined";
    }
}

std::vector<std::wstring> SplitSerialHistory(const std::wstring& history) {
    std::vector<std::wstring> entries;
    std::size_t start = 0;
    while (start <= history.size()) {
        const std::size_t bar = std::min(history.find(L'|', start), history.size());
        if (bar > start) {
            entries.push_back(history.substr(start, bar - start));
        }
        start = bar + 1;
    }
    return entries;
}

std::wstring AddToSerialHistory(const std::wstring& history, const std::wstring& serial,
                                std::size_t limit) {
    std::vector<std::wstring> entries = SplitSerialHistory(history);
    // A '|' in a serial number would split it into two entries at the next reading.
    if (serial.empty() || serial.find(L'|') != std::wstring::npos ||
        std::find(entries.begin(), entries.end(), serial) != entries.end()) {
        return history;
    }
    entries.push_back(serial);
    if (limit > 0 && entries.size() > limit) {
        entries.erase(entries.begin(),
                      entries.begin() + static_cast<std::ptrdiff_t>(entries.size() - limit));
    }
    std::wstring joined;
    for (const std::wstring& entry : entries) {
        if (!joined.empty()) {
            joined += L'|';
        }
        joined += entry;
    }
    return joined;
}

bool IsValidUin(const std::wstring& uin) {
    const auto isDigit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
    const auto isWord = [&](wchar_t c) {
        return c == L'_' || isDigit(c) || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    };
    // word+ '-' ddd '-' dddddddd: the tail has a fixed length of 13.
    constexpr std::size_t kTail = 1 + 3 + 1 + 8;
    if (uin.size() < kTail + 1) {
        return false;
    }
    const std::size_t head = uin.size() - kTail;
    if (!std::all_of(uin.begin(), uin.begin() + static_cast<std::ptrdiff_t>(head), isWord)) {
        return false;
    }
    const std::wstring_view tail = std::wstring_view(uin).substr(head);
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const bool hyphen = i == 0 || i == 4;
        if (hyphen ? tail[i] != L'-' : !isDigit(tail[i])) {
            return false;
        }
    }
    return true;
}

OfflineProgress ComputeOfflineProgress(std::int32_t number, std::int32_t total) {
    const unsigned n = static_cast<std::uint32_t>(number) & 0xFFFFu;
    const unsigned t = static_cast<std::uint32_t>(total) & 0xFFFFu;
    OfflineProgress progress;
    progress.counter = std::to_wstring(n) + L"/" + std::to_wstring(t);
    if (t != 0) {
        progress.position = static_cast<int>(std::min(n * 100u / t, 100u));
    }
    progress.done = n == t;
    return progress;
}

}  // namespace vorn
