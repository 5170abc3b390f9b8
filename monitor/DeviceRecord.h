#pragma once

#include <cstdint>
#include <string>

namespace vorn {

enum ConnectState : int32_t {
    kNotConnected = 0,
    kConnectionChecking = 1,
    kConnected = 2,
};

enum UpdateState : int32_t {
    kUpdateAvailable = 0,
    kUpdateChecking = 1,
    kUpdateNotRequired = 2,
    kNotRegistered = 3,
    kNotActive = 4,
    kUpdateAbsent = 5,
    kNoInformation = 6,
};

// What the program knows about one device. Copied in and out of the table whole. `connect`
// and `updates` stay plain integers: the agent may report values outside the known sets.
struct DeviceRecord {
    int32_t id = 0;
    std::wstring type;
    std::wstring name;
    int32_t connect = kNotConnected;
    int32_t updates = kNoInformation;
    bool allowScanning = false;
    std::wstring attributeName;
    std::wstring serialno;

    bool operator==(const DeviceRecord&) const = default;
};

}  // namespace vorn
