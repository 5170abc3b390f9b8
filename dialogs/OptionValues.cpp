#include "dialogs/OptionValues.h"

#include <cwchar>
#include <filesystem>
#include <system_error>

#include "app/AgentSettings.h"
#include "platform/FolderTree.h"

namespace vorn {

ProgramSettings ReadProgramSettings() {
    ProgramSettings settings;
    settings.countExtractionEnabled = GetCountExtractionEnabled();
    settings.countExtractionPeriod = GetCountExtractionPeriod();
    settings.hotFolder = GetExtractionHotFolder();
    settings.loadTimeout = GetLoadTimeout();
    settings.scansFolder = GetExtractionScansFolder();
    return settings;
}

void WriteProgramSettings(const ProgramSettings& settings) {
    SetCountExtractionEnabled(settings.countExtractionEnabled);
    SetCountExtractionPeriod(settings.countExtractionPeriod);
    SetExtractionHotFolder(settings.hotFolder);
    SetLoadTimeout(settings.loadTimeout);
    SetExtractionScansFolder(settings.scansFolder);
}

HourMinute PickerTime(int hour, int minute) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) {
        return {23, 59};
    }
    return {hour, minute};
}

HourMinute CheckTimeInRange(int hour, int minute) {
    return {hour < 0 || hour > 24 ? 3 : hour, minute < 0 || minute > 60 ? 0 : minute};
}

std::wstring FormatHourMinute(HourMinute time) {
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%02d:%02d", time.hour, time.minute);
    return text;
}

std::optional<HourMinute> ParseHourMinute(std::wstring_view text) {
    const std::size_t colon = text.find(L':');
    if (colon < 1 || colon > 2 || text.size() != colon + 3) {
        return std::nullopt;
    }
    auto number = [](std::wstring_view digits) -> std::optional<int> {
        int value = 0;
        for (const wchar_t c : digits) {
            if (c < L'0' || c > L'9') {
                return std::nullopt;
            }
            value = value * 10 + (c - L'0');
        }
        return value;
    };
    const auto hour = number(text.substr(0, colon));
    const auto minute = number(text.substr(colon + 1));
    if (!hour || !minute || *hour > 23 || *minute > 59) {
        return std::nullopt;
    }
    return HourMinute{*hour, *minute};
}

bool EnsureSettingsFolder(const std::wstring& folder) {
    if (folder.empty()) {
        return true;
    }
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) {
        return true;
    }
    return platform::CreateFolderTree(folder, &error);
}

}  // namespace vorn
