#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "agent/AgentProtocolTypes.h"
#include "monitor/DeviceRecord.h"

namespace vorn {

// The devices the agent has reported, in order of first appearance, keyed by id. Written by
// notification handling on the event worker, read by the window on the UI thread; every
// operation holds the one lock for its own duration and hands out copies only.
//
// Operations that change a record call the changed handler afterwards, with the lock released,
// so the handler may read the table again (typically through Snapshot()). An operation that
// finds no record with the given id changes nothing and does not call the handler.
class DeviceTable {
public:
    using ChangedHandler = std::function<void()>;

    DeviceTable() = default;
    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;

    // Called after every change; may run on any thread that changes the table.
    void SetChangedHandler(ChangedHandler handler);

    std::optional<DeviceRecord> FindById(int32_t id) const;
    // Nothing for a negative index (no selection) or one past the end.
    std::optional<DeviceRecord> GetByIndex(int index) const;
    std::vector<DeviceRecord> Snapshot() const;
    int Count() const;

    void Upsert(const DeviceRecord& record);
    // Applies a device's information: id, type, name, connect and updates are taken from it;
    // the check results and serial number stay as stored. Done under one hold of the lock, so
    // a concurrent SetSerialNo or SetCheckResult is never lost.
    void ApplyDeviceInfo(const DeviceInfo& info);
    // The device-list reply: applies every entry and calls the handler once.
    void ApplyDeviceList(const std::vector<DeviceInfo>& infos);

    bool Remove(int32_t id);
    bool MarkChecking(int32_t id);
    // Puts back the connection state a check replaced, when nothing has reported a new one since.
    bool CancelChecking(int32_t id, int32_t previousConnect);
    bool SetUpdateState(int32_t id, int32_t state);
    bool SetSerialNo(int32_t id, const std::wstring& serialno);
    bool SetCheckResult(int32_t id, int32_t state, bool allowScanning,
                        const std::wstring& attributeName, const std::wstring& serialno);

    bool AnyUpdateAvailable() const;
    std::vector<std::wstring> ScanCapableUins() const;

private:
    // Runs `change` on the record with `id` under the lock; notifies when it was found.
    bool ChangeRecord(int32_t id, const std::function<void(DeviceRecord&)>& change);
    void ApplyLocked(const DeviceInfo& info);
    void NotifyChanged() const;

    mutable std::mutex mutex_;
    std::vector<DeviceRecord> records_;
    ChangedHandler changed_;
};

}  // namespace vorn
