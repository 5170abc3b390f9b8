#include "app/AgentSettings.h"

#include <climits>
#include <cwchar>

#include "app/RegistryAccess.h"
#include "platform/KnownFolders.h"

namespace vorn {

namespace {

constexpr int kDefaultHour = 3;
constexpr int kDefaultMinute = 0;

std::optional<std::wstring> Read(const wchar_t* name) {
    std::wstring value;
    if (!RegReadString(kAgentKey, name, value)) {
        return std::nullopt;
    }
    return value;
}

void Write(const wchar_t* name, const std::wstring& value) {
    RegWriteString(kAgentKey, name, value.c_str());
}

bool IsWordChar(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
           c == L'_';
}

}  // namespace

int DecimalPrefix(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        return static_cast<int>(-value < INT_MIN ? INT_MIN : -value);
    }
    return static_cast<int>(value > INT_MAX ? INT_MAX : value);
}

void ParseCheckTime(std::wstring_view text, int& hour, int& minute) {
    hour = kDefaultHour;
    minute = kDefaultMinute;
    std::size_t colon = text.find(L':');
    if (colon == std::wstring_view::npos || colon < 1 || colon > 2 || text.size() != colon + 3) {
        return;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != colon && !IsWordChar(text[i])) {
            return;
        }
    }
    hour = DecimalPrefix(text.substr(0, colon));
    minute = DecimalPrefix(text.substr(colon + 1));
    if (hour < 0 || hour > 24) {
        hour = kDefaultHour;
    }
    if (minute < 0 || minute > 60) {
        minute = kDefaultMinute;
    }
}

std::wstring FormatCheckTimeText(int hour, int minute) {
    wchar_t buffer[32];
    std::swprintf(buffer, std::size(buffer), L"%02d:%02d", hour, minute);
    return buffer;
}

std::wstring GetServerName() {
    return Read(L"ServerName").value_or(std::wstring());
}

bool GetAutoUpdate() {
    return Read(L"AutoUpdate") == L"1";
}

void GetCheckFirmwareUpdatesTime(int& hour, int& minute) {
    auto text = Read(L"CheckFirmwareUpdatesTime");
    if (!text) {
        hour = kDefaultHour;
        minute = kDefaultMinute;
        return;
    }
    ParseCheckTime(*text, hour, minute);
}

bool GetCheckFirmwareUpdatesEnabled() {
    return Read(L"CheckFirmwareUpdatesEnabled") == L"1";
}

bool GetCountExtractionEnabled() {
    auto text = Read(L"CountExtractionEnabled");
    return text.has_value() && *text != L"0";
}

void SetCountExtractionEnabled(bool enabled) {
    Write(L"CountExtractionEnabled", enabled ? L"1" : L"0");
}

int GetCountExtractionPeriod() {
    auto text = Read(L"CountExtractionPeriod");
    return text ? DecimalPrefix(*text) : 500;
}

void SetCountExtractionPeriod(int milliseconds) {
    Write(L"CountExtractionPeriod", std::to_wstring(milliseconds));
}

int GetLoadTimeout() {
    auto text = Read(L"LoadTimeout");
    return text ? DecimalPrefix(*text) : 30;
}

void SetLoadTimeout(int seconds) {
    Write(L"LoadTimeout", std::to_wstring(seconds < kMinLoadTimeout ? kMinLoadTimeout : seconds));
}

std::wstring DefaultFolderText() {
    return platform::HomeFolder().wstring();
}

std::wstring GetExtractionHotFolder() {
    auto text = Read(L"ExtractionHotFolder");
    return text ? *text : DefaultFolderText();
}

void SetExtractionHotFolder(const std::wstring& folder) {
    Write(L"ExtractionHotFolder", folder);
}

std::wstring GetExtractionScansFolder() {
    auto text = Read(L"ExtractionScansFolder");
    return text ? *text : DefaultFolderText();
}

void SetExtractionScansFolder(const std::wstring& folder) {
    Write(L"ExtractionScansFolder", folder);
}

std::optional<std::wstring> GetCurrentLanguage() {
    return Read(L"CurrentLanguage");
}

void SetMainWindowTitle(const std::wstring& title) {
    Write(L"MainWindowTitle", title);
}

AgentOptions ReadStoredAgentOptions() {
    AgentOptions options;
    options.serverName = GetServerName();
    options.autoUpdate = GetAutoUpdate();
    GetCheckFirmwareUpdatesTime(options.checkHour, options.checkMinute);
    options.checkEnabled = GetCheckFirmwareUpdatesEnabled();
    return options;
}

AgentOptionsRecord::AgentOptionsRecord() : options(ReadStoredAgentOptions()) {}

}  // namespace vorn
