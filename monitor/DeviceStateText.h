#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "monitor/DeviceRecord.h"

namespace vorn {

// Texts of the two state sets, translated; empty for a value outside the set.
std::wstring ConnectStateText(int32_t connect);
std::wstring UpdateStateText(int32_t updates);

// State icon of a device's row: 1 connected with an update available, 0 connected otherwise,
// 2 not connected.
int DeviceRowImage(const DeviceRecord& record);

// The six cells of a device's row, in column order: model, serial number, UIN, connection
// text, update text, variant.
std::array<std::wstring, 6> DeviceRowCells(const DeviceRecord& record);

}  // namespace vorn
