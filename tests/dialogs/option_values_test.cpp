#include <gtest/gtest.h>

#include <optional>

#include "dialogs/OptionValues.h"

namespace vorn {
namespace {

TEST(OptionValues, CheckTimeForThePickerAndBackIntoTheAgentsRange) {
    struct Case {
        int hour, minute;
        HourMinute shown, sent;
    } cases[] = {
        {3, 0, {3, 0}, {3, 0}},       {23, 59, {23, 59}, {23, 59}}, {24, 0, {23, 59}, {24, 0}},
        {10, 60, {23, 59}, {10, 60}}, {25, 61, {23, 59}, {3, 0}},   {-1, -1, {23, 59}, {3, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PickerTime(c.hour, c.minute), c.shown) << c.hour << ":" << c.minute;
        EXPECT_EQ(CheckTimeInRange(c.hour, c.minute), c.sent) << c.hour << ":" << c.minute;
    }
}

TEST(OptionValues, HourMinuteTextIsReadOnlyWhenItIsATimeOfDay) {
    EXPECT_EQ(FormatHourMinute({3, 5}), L"03:05");
    struct Case {
        const wchar_t* text;
        std::optional<HourMinute> time;
    } cases[] = {
        {L"03:05", HourMinute{3, 5}}, {L"3:05", HourMinute{3, 5}}, {L"23:59", HourMinute{23, 59}},
        {L"24:00", std::nullopt},     {L"12:60", std::nullopt},    {L"12:5", std::nullopt},
        {L"123:00", std::nullopt},    {L":00", std::nullopt},      {L"ab:cd", std::nullopt},
        {L"", std::nullopt},          {L"12-30", std::nullopt},    {L"+1:30", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseHourMinute(c.text), c.time) << c.text;
    }
}

}  // namespace
}  // namespace vorn
