#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "offline/OfflineRules.h"

namespace vorn {
namespace {

std::wstring History(int first, int count) {
    std::wstring text;
    for (int i = first; i < first + count; ++i) {
        text += (text.empty() ? L"" : L"|") + std::wstring(L"S") + std::to_wstring(i);
    }
    return text;
}

TEST(SerialHistory, KeepsTwentyDistinctNonEmptyEntriesOldestFirst) {
    EXPECT_EQ(SplitSerialHistory(L"|a||b|"), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(SplitSerialHistory(L"").empty());

    const struct {
        std::wstring history;
        std::wstring serial;
        std::wstring expected;
    } cases[] = {
        {L"", L"A1", L"A1"},
        {L"A1|B2", L"C3", L"A1|B2|C3"},
        {L"A1|B2", L"B2", L"A1|B2"},      // already there
        {L"A1|B2", L"b2", L"A1|B2|b2"},   // case counts
        {L"A1||B2", L"", L"A1||B2"},      // nothing to add
        {L"A1||B2", L"C3", L"A1|B2|C3"},  // empty pieces go
        {L"A1", L"X|Y", L"A1"},           // would read back as two
        {History(1, 20), L"S21", History(2, 20)},
        {History(1, 25), L"S99", History(7, 19) + L"|S99"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddToSerialHistory(c.history, c.serial, 20), c.expected) << c.history;
    }
}

TEST(Uin, MatchesWordCharactersThreeDigitsAndEightDigits) {
    for (const wchar_t* good : {L"ABC-123-12345678", L"a_1-000-00000000", L"Z-999-87654321"}) {
        EXPECT_TRUE(IsValidUin(good)) << good;
    }
    for (const wchar_t* bad :
         {L"ABC-12-12345678", L"ABC-123-1234567", L"-123-12345678", L"ABC-123-12345678 ",
          L" ABC-123-12345678", L"AB C-123-12345678", L"ABC-123-123456789", L"ABC_123_12345678",
          L"ЖЖ-123-12345678", L""}) {
        EXPECT_FALSE(IsValidUin(bad)) << bad;
    }
}

TEST(OfflineProgressRule, PositionCounterAndCompletion) {
    const struct {
        std::int32_t number, total;
        std::optional<int> position;
        const wchar_t* counter;
        bool done;
    } cases[] = {
        {3, 12, 25, L"3/12", false},
        {12, 12, 100, L"12/12", true},
        {0x10003, 0x1000C, 25, L"3/12", false},  // low 16 bits only
        {5, 0, std::nullopt, L"5/0", false},     // no position, no fault
        {5, 0x10000, std::nullopt, L"5/0", false},
        {20, 10, 100, L"20/10", false},  // the bar stops at its end
        {-1, 4, 100, L"65535/4", false},
    };
    for (const auto& c : cases) {
        const OfflineProgress p = ComputeOfflineProgress(c.number, c.total);
        EXPECT_EQ(p.position, c.position) << c.number << "/" << c.total;
        EXPECT_EQ(p.counter, c.counter);
        EXPECT_EQ(p.done, c.done);
    }
    EXPECT_STREQ(ModelDisplayName(4), L"Pellam 350");
    EXPECT_STREQ(ModelDisplayName(-7), L"Undefined");
}

}  // namespace
}  // namespace vorn
