#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// One device as the agent describes it in "devarrival", "deviceinfo" and each child of the
// device-list reply. Only the first five fields reach the device table.
struct DeviceInfo {
    int32_t id = 0;
    int32_t connect = 0;
    int32_t updates = 6;  // no information yet
    std::wstring type;
    std::wstring name;
    int32_t msgtype = 0;
    std::wstring message;
};

// The agent's update settings, as "getoptions" reports them and "app_options" sends them.
struct AgentOptions {
    bool autoUpdate = false;
    std::wstring serverName;
    int checkHour = 3;
    int checkMinute = 0;
    bool checkEnabled = false;

    bool operator==(const AgentOptions&) const = default;
};

// The error attributes any notification may carry on its root element. An empty description
// means no error.
struct AgentError {
    std::wstring description;
    int32_t category = 0;
    int32_t errorId = 0;

    bool HasError() const { return !description.empty(); }
};

}  // namespace vorn
