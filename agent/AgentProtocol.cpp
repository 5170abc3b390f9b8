#include "agent/AgentProtocol.h"

#include "platform/XmlEscape.h"

#include <cstdio>

#include "platform/TextConversion.h"

namespace vorn {

namespace {

std::string IdText(int32_t id) {
    return std::to_string(static_cast<uint32_t>(id));
}

std::string Utf8Attribute(std::wstring_view value) {
    return EscapeAttribute(platform::WideToUtf8(value));
}

// "<name a="1" b="2" />": one blank before each attribute and one before the slash.
std::string Element(std::string_view name,
                    std::initializer_list<std::pair<std::string_view, std::string>> attributes,
                    std::string_view closing = " />") {
    std::string text = "<";
    text += name;
    for (const auto& [attribute, value] : attributes) {
        text += ' ';
        text += attribute;
        text += "=\"";
        text += value;
        text += '"';
    }
    text += closing;
    return text;
}

std::string Empty(std::string_view name) {
    return "<" + std::string(name) + "/>";
}

std::string WithId(std::string_view name, int32_t id) {
    return Element(name, {{"id", IdText(id)}});
}

bool IsWordChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// Leading decimal digits of a matched group; a group without them is 0.
int LeadingNumber(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

namespace request {

std::string GetAllDevInfo() {
    return Empty("getalldevinfo");
}
std::string UpdateAll() {
    return Empty("updateall");
}
std::string UpdateDevice(int32_t id) {
    // The agent receives this one as a printed document, with a line feed after the element.
    return WithId("updatefw", id) + "\n";
}
std::string ForceUpdate(int32_t id) {
    return WithId("force_updatefw", id);
}
std::string SetSerialNo(int32_t id, std::wstring_view serialno) {
    return Element("setserialno", {{"id", IdText(id)}, {"serialno", Utf8Attribute(serialno)}});
}
std::string SetDeviceDateTime(int32_t id) {
    return WithId("set_device_date_time", id);
}
std::string UpdateConnection(int32_t id) {
    return WithId("update_connection", id);
}
std::string LogCtlOn(int32_t id) {
    return WithId("log_ctl_on", id);
}
std::string LogCtlOff(int32_t id) {
    return WithId("log_ctl_off", id);
}
std::string RamFileList(int32_t id) {
    return WithId("ram_file_list", id);
}
std::string RamFileGet(int32_t id, std::wstring_view filename) {
    return Element("ram_file_get", {{"id", IdText(id)}, {"filename", Utf8Attribute(filename)}});
}
std::string RamFileDelete(int32_t id, std::wstring_view filename) {
    return Element("ram_file_delete", {{"id", IdText(id)}, {"filename", Utf8Attribute(filename)}});
}
std::string BlackList(int32_t id, std::wstring_view filename) {
    return Element("blacklist", {{"id", IdText(id)}, {"filename", Utf8Attribute(filename)}});
}
std::string DeleteBlackList(int32_t id) {
    return WithId("deleteblacklist", id);
}
std::string CheckUpdate() {
    return Empty("checkupdate");
}
std::string GetOptions() {
    return Empty("getoptions");
}
std::string AppOptions(const AgentOptions& options) {
    return Element(
        "app_options",
        {{"server_name", Utf8Attribute(options.serverName)},
         {"autoupdate", options.autoUpdate ? "1" : "0"},
         {"check_firmware_updates_time", FormatCheckTime(options.checkHour, options.checkMinute)},
         {"check_firmware_updates_enabled", options.checkEnabled ? "1" : "0"}});
}
std::string Quit() {
    return Empty("quit");
}
std::string GetActualSoftwareVersion() {
    return Empty("get_actual_software_version");
}
std::string PrepareOfflineUpdate(std::wstring_view uin) {
    return Element("prepare_offline_update", {{"uin", Utf8Attribute(uin)}}, "  />");
}
std::string SendScanData() {
    return Empty("send_scan_data");
}
std::string StopLoadScanData() {
    return Empty("stop_load_scan_data");
}

}  // namespace request

std::string EscapeAttribute(std::string_view value) {
    return platform::EscapeXml(value, "&<>\"'");
}

DeviceInfo ReadDeviceInfo(const AgentMessage::Attributes& attributes) {
    DeviceInfo info;
    info.id = AgentMessage::IntOf(attributes, "id");
    info.connect = AgentMessage::IntOf(attributes, "connect");
    info.updates = AgentMessage::IntOf(attributes, "updates", 6);
    info.type = AgentMessage::TextOf(attributes, "type");
    info.name = AgentMessage::TextOf(attributes, "name");
    info.msgtype = AgentMessage::IntOf(attributes, "msgtype");
    info.message = AgentMessage::TextOf(attributes, "message");
    return info;
}

DeviceInfo ReadDeviceInfo(const AgentMessage& message) {
    return ReadDeviceInfo(message.attributes());
}

std::vector<DeviceInfo> ReadDeviceList(const AgentMessage& message) {
    std::vector<DeviceInfo> devices;
    for (const AgentMessage::Attributes& child : message.children()) {
        if (AgentMessage::Find(child, "id") == nullptr) {
            continue;
        }
        DeviceInfo info = ReadDeviceInfo(child);
        if (info.id != 0) {
            devices.push_back(std::move(info));
        }
    }
    return devices;
}

AgentOptions ReadOptions(const AgentMessage& message) {
    AgentOptions options;
    const auto server = message.Raw("server_name");
    if (!server) {
        return options;
    }
    options.serverName = platform::Utf8ToWide(*server);
    const auto autoUpdate = message.Raw("autoupdate");
    if (!autoUpdate) {
        return options;
    }
    options.autoUpdate = IsOptionSwitchOn(autoUpdate);
    const auto time = message.Raw("check_firmware_updates_time");
    if (!time) {
        return options;
    }
    const CheckTime checkTime = ParseCheckTime(*time);
    options.checkHour = checkTime.hour;
    options.checkMinute = checkTime.minute;
    const auto enabled = message.Raw("check_firmware_updates_enabled");
    if (!enabled) {
        return options;
    }
    options.checkEnabled = IsOptionSwitchOn(enabled);
    return options;
}

AgentError ReadError(const AgentMessage& message) {
    AgentError error;
    if (const auto description = message.Raw("error_description")) {
        error.description = platform::LocaleToWide(*description);
    }
    error.category = message.Int("category");
    error.errorId = message.Int("error_id");
    return error;
}

bool ReadAllowScanning(const AgentMessage& message) {
    const auto value = message.Raw("allowScanning");
    if (!value) {
        return false;
    }
    if (!value->empty() && value->find_first_not_of("0123456789") == std::string::npos) {
        // Any non-zero digit makes a non-zero number, however long the text.
        return value->find_first_not_of('0') != std::string::npos;
    }
    return *value == "true";
}

bool IsOptionSwitchOn(const std::optional<std::string>& value) {
    return value.has_value() && *value == "1";
}

CheckTime ParseCheckTime(std::string_view text) {
    CheckTime time;
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 1 || colon > 2 || text.size() != colon + 3) {
        return time;
    }
    const std::string_view hour = text.substr(0, colon);
    const std::string_view minute = text.substr(colon + 1);
    for (std::string_view part : {hour, minute}) {
        for (char c : part) {
            if (!IsWordChar(c)) {
                return time;
            }
        }
    }
    time.hour = LeadingNumber(hour);
    time.minute = LeadingNumber(minute);
    if (time.hour < 0 || time.hour > 24) {
        time.hour = 3;
    }
    if (time.minute < 0 || time.minute > 60) {
        time.minute = 0;
    }
    return time;
}

std::string FormatCheckTime(int hour, int minute) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    return text;
}

}  // namespace vorn
