#pragma once

// The texts exchanged with the agent: every request the program sends, and the readers of
// its replies and notifications. Requests are plain 8-bit XML without declaration or
// terminating NUL; string values go out as UTF-8, ids as unsigned decimal numbers. Attribute
// values are XML-escaped, so that a file name with a quote or an ampersand arrives intact.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/AgentProtocolMessage.h"
#include "agent/AgentProtocolTypes.h"

namespace vorn {

inline constexpr std::string_view kRequestPipeName = "ws-quorin-vorn01";

namespace request {

std::string GetAllDevInfo();
std::string UpdateAll();
// The only request followed by a line feed.
std::string UpdateDevice(int32_t id);
std::string ForceUpdate(int32_t id);
std::string SetSerialNo(int32_t id, std::wstring_view serialno);
std::string SetDeviceDateTime(int32_t id);
std::string UpdateConnection(int32_t id);
std::string LogCtlOn(int32_t id);
std::string LogCtlOff(int32_t id);
std::string RamFileList(int32_t id);
std::string RamFileGet(int32_t id, std::wstring_view filename);
std::string RamFileDelete(int32_t id, std::wstring_view filename);
std::string BlackList(int32_t id, std::wstring_view filename);
std::string DeleteBlackList(int32_t id);
std::string CheckUpdate();
std::string GetOptions();
std::string AppOptions(const AgentOptions& options);
std::string Quit();
std::string GetActualSoftwareVersion();
// Two blanks before the closing "/>".
std::string PrepareOfflineUpdate(std::wstring_view uin);
std::string SendScanData();
std::string StopLoadScanData();

}  // namespace request

// Escapes & < > " ' for use inside a double-quoted attribute value.
std::string EscapeAttribute(std::string_view value);

// The device record attributes of a "devarrival"/"deviceinfo" root or of one device-list
// child. A missing integer reads as 0, a missing `updates` as 6 (no information).
DeviceInfo ReadDeviceInfo(const AgentMessage::Attributes& attributes);
DeviceInfo ReadDeviceInfo(const AgentMessage& message);

// The devices of a "getalldevinfo" reply: one per child of the root, in order; children with
// id 0 or without id are skipped.
std::vector<DeviceInfo> ReadDeviceList(const AgentMessage& message);

// The "getoptions" reply. The four values are read in order and reading stops at the first
// missing one; what is not read keeps its default.
AgentOptions ReadOptions(const AgentMessage& message);

// The error attributes. The description is in the locale's character set, not UTF-8.
AgentError ReadError(const AgentMessage& message);

// `allowScanning`: digits only (at least one) mean a number, true when not zero; anything else
// is true only when it is exactly "true"; missing is false.
bool ReadAllowScanning(const AgentMessage& message);

// The option switches: true only for exactly "1".
bool IsOptionSwitchOn(const std::optional<std::string>& value);

struct CheckTime {
    int hour = 3;
    int minute = 0;
};

// "H:MM" or "HH:MM" (word characters, as the agent and the stored settings write them). Text
// of another shape gives 3:00; an hour outside 0..24 becomes 3, a minute outside 0..60 becomes 0.
CheckTime ParseCheckTime(std::string_view text);
// Two digits each, zero-padded: "03:00".
std::string FormatCheckTime(int hour, int minute);

}  // namespace vorn
