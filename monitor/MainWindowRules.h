#pragma once

#include <string>

#include "monitor/DeviceRecord.h"

namespace vorn {

class DeviceTable;

// Decisions of the main window that draw nothing: which of its buttons a selection allows, what
// a command sends, what the status line says of the devices. The window applies them.

// The buttons that follow the selected device.
struct SelectionButtons {
    bool updateDeviceEnabled = false;
    // While a task runs the scan button keeps its state; otherwise it is enabled, and shown
    // only for a selected device that allows scanning.
    bool changeScan = false;
    bool scanShown = false;

    bool operator==(const SelectionButtons&) const = default;
};

// selected: the selected device, or nullptr.
SelectionButtons ButtonsForSelection(bool taskRunning, const DeviceRecord* selected);

// The operator may update this device's firmware now: it is connected and has an update waiting.
bool CanUpdateNow(const DeviceRecord& record);

// The request that updates this device; some models take only the forced update.
std::string UpdateRequestFor(const DeviceRecord& record);

// The device's context menu offers to switch tracing on and off.
bool OffersTracing(const DeviceRecord& record);

enum class UpdateSummary { UpdateAvailable, NothingToUpdate, NoDevice };

// What the status line says of the devices as a whole.
UpdateSummary SummaryOf(const DeviceTable& devices);

}  // namespace vorn
