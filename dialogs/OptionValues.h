#pragma once

// What the options dialog decides without drawing: the program's own settings it edits, the
// check time as the picker holds it, and the folders it makes sure of.

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// The settings only the program uses, kept in the agent key.
struct ProgramSettings {
    bool countExtractionEnabled = false;
    int countExtractionPeriod = 0;  // milliseconds
    std::wstring hotFolder;
    int loadTimeout = 0;  // seconds
    std::wstring scansFolder;

    bool operator==(const ProgramSettings&) const = default;
};

// Read with their defaults.
ProgramSettings ReadProgramSettings();
// Written in the dialog's order: extraction switch, period, hot folder, time-out (raised to the
// floor of 3), scans folder.
void WriteProgramSettings(const ProgramSettings& settings);

struct HourMinute {
    int hour = 0;
    int minute = 0;

    bool operator==(const HourMinute&) const = default;
};

// The time the picker shows for a stored check time: the time itself when the picker can hold
// it, otherwise 23:59, the nearest it can (the agent allows hour 24 and minute 60).
HourMinute PickerTime(int hour, int minute);

// The range the agent accepts: an hour outside 0..24 becomes 3, a minute outside 0..60
// becomes 0.
HourMinute CheckTimeInRange(int hour, int minute);

// "HH:mm"; and back: one or two digits, a colon, two digits, within 00:00..23:59.
std::wstring FormatHourMinute(HourMinute time);
std::optional<HourMinute> ParseHourMinute(std::wstring_view text);

// Makes sure a folder named in the settings exists: nothing to do for an empty name or an
// existing directory, otherwise the folder is created with every missing level. False when it
// cannot be.
bool EnsureSettingsFolder(const std::wstring& folder);

}  // namespace vorn
