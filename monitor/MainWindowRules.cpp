#include "monitor/MainWindowRules.h"

#include "agent/AgentProtocol.h"
#include "monitor/DeviceTable.h"

namespace vorn {

namespace {

// Models whose firmware is written only by the forced update, and the model that traces.
constexpr const wchar_t* kForceUpdateModel = L"Q200M1";
constexpr const wchar_t* kTracingModel = L"Q750M1";

}  // namespace

SelectionButtons ButtonsForSelection(bool taskRunning, const DeviceRecord* selected) {
    SelectionButtons buttons;
    if (taskRunning) {
        return buttons;
    }
    buttons.changeScan = true;
    if (selected != nullptr) {
        buttons.updateDeviceEnabled = CanUpdateNow(*selected);
        buttons.scanShown = selected->allowScanning;
    }
    return buttons;
}

bool CanUpdateNow(const DeviceRecord& record) {
    return record.connect == kConnected && record.updates == kUpdateAvailable;
}

std::string UpdateRequestFor(const DeviceRecord& record) {
    return record.type == kForceUpdateModel ? request::ForceUpdate(record.id)
                                            : request::UpdateDevice(record.id);
}

bool OffersTracing(const DeviceRecord& record) {
    return record.type == kTracingModel;
}

UpdateSummary SummaryOf(const DeviceTable& devices) {
    if (devices.AnyUpdateAvailable()) {
        return UpdateSummary::UpdateAvailable;
    }
    return devices.Count() > 0 ? UpdateSummary::NothingToUpdate : UpdateSummary::NoDevice;
}

}  // namespace vorn
