#include "app/AgentSettings.h"

#include "agent/AgentProtocol.h"
#include "app/RegistryAccess.h"
#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"

namespace vorn {

namespace {

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

}  // namespace

std::wstring GetServerName() {
    return Read(L"ServerName").value_or(std::wstring());
}

bool GetAutoUpdate() {
    return Read(L"AutoUpdate") == L"1";
}

void GetCheckFirmwareUpdatesTime(int& hour, int& minute) {
    auto text = Read(L"CheckFirmwareUpdatesTime");
    // The agent writes the same form, so its reader decides; a missing value reads as 3:00.
    const CheckTime time = ParseCheckTime(platform::WideToUtf8(text.value_or(std::wstring())));
    hour = time.hour;
    minute = time.minute;
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
    return platform::DefaultDocumentFolder().wstring();
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

void SetCurrentLanguage(const std::wstring& id) {
    Write(L"CurrentLanguage", id);
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
