#include "monitor/DeviceTable.h"

#include <algorithm>
#include <utility>

namespace vorn {

namespace {

template <typename Records>
auto FindRecord(Records& records, int32_t id) {
    return std::find_if(records.begin(), records.end(),
                        [id](const DeviceRecord& r) { return r.id == id; });
}

}  // namespace

void DeviceTable::SetChangedHandler(ChangedHandler handler) {
    std::lock_guard lock(mutex_);
    changed_ = std::move(handler);
}

std::optional<DeviceRecord> DeviceTable::FindById(int32_t id) const {
    std::lock_guard lock(mutex_);
    auto it = FindRecord(records_, id);
    if (it == records_.end()) {
        return std::nullopt;
    }
    return *it;
}

std::optional<DeviceRecord> DeviceTable::GetByIndex(int index) const {
    std::lock_guard lock(mutex_);
    if (index < 0 || static_cast<size_t>(index) >= records_.size()) {
        return std::nullopt;
    }
    return records_[static_cast<size_t>(index)];
}

std::vector<DeviceRecord> DeviceTable::Snapshot() const {
    std::lock_guard lock(mutex_);
    return records_;
}

int DeviceTable::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(records_.size());
}

void DeviceTable::Upsert(const DeviceRecord& record) {
    {
        std::lock_guard lock(mutex_);
        auto it = FindRecord(records_, record.id);
        if (it == records_.end()) {
            records_.push_back(record);
        } else {
            *it = record;
        }
    }
    NotifyChanged();
}

void DeviceTable::ApplyLocked(const DeviceInfo& info) {
    auto it = FindRecord(records_, info.id);
    if (it == records_.end()) {
        records_.emplace_back();
        it = records_.end() - 1;
    }
    it->id = info.id;
    it->type = info.type;
    it->name = info.name;
    it->connect = info.connect;
    it->updates = info.updates;
}

void DeviceTable::ApplyDeviceInfo(const DeviceInfo& info) {
    {
        std::lock_guard lock(mutex_);
        ApplyLocked(info);
    }
    NotifyChanged();
}

void DeviceTable::ApplyDeviceList(const std::vector<DeviceInfo>& infos) {
    if (infos.empty()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        for (const DeviceInfo& info : infos) {
            ApplyLocked(info);
        }
    }
    NotifyChanged();
}

bool DeviceTable::Remove(int32_t id) {
    {
        std::lock_guard lock(mutex_);
        auto it = FindRecord(records_, id);
        if (it == records_.end()) {
            return false;
        }
        records_.erase(it);
    }
    NotifyChanged();
    return true;
}

bool DeviceTable::ChangeRecord(int32_t id, const std::function<void(DeviceRecord&)>& change) {
    {
        std::lock_guard lock(mutex_);
        auto it = FindRecord(records_, id);
        if (it == records_.end()) {
            return false;
        }
        change(*it);
    }
    NotifyChanged();
    return true;
}

bool DeviceTable::MarkChecking(int32_t id) {
    return ChangeRecord(id, [](DeviceRecord& r) { r.connect = kConnectionChecking; });
}

bool DeviceTable::CancelChecking(int32_t id, int32_t previousConnect) {
    return ChangeRecord(id, [previousConnect](DeviceRecord& r) {
        if (r.connect == kConnectionChecking) {
            r.connect = previousConnect;
        }
    });
}

bool DeviceTable::SetUpdateState(int32_t id, int32_t state) {
    return ChangeRecord(id, [state](DeviceRecord& r) { r.updates = state; });
}

bool DeviceTable::SetSerialNo(int32_t id, const std::wstring& serialno) {
    return ChangeRecord(id, [&serialno](DeviceRecord& r) { r.serialno = serialno; });
}

bool DeviceTable::SetCheckResult(int32_t id, int32_t state, bool allowScanning,
                                 const std::wstring& attributeName, const std::wstring& serialno) {
    return ChangeRecord(id, [&](DeviceRecord& r) {
        r.updates = state;
        r.allowScanning = allowScanning;
        r.attributeName = attributeName;
        r.serialno = serialno;
    });
}

bool DeviceTable::AnyUpdateAvailable() const {
    std::lock_guard lock(mutex_);
    return std::any_of(records_.begin(), records_.end(), [](const DeviceRecord& r) {
        return r.connect == kConnected && r.updates == kUpdateAvailable;
    });
}

std::vector<std::wstring> DeviceTable::ScanCapableUins() const {
    std::lock_guard lock(mutex_);
    std::vector<std::wstring> uins;
    for (const DeviceRecord& r : records_) {
        if (r.allowScanning) {
            uins.push_back(r.name);
        }
    }
    return uins;
}

void DeviceTable::NotifyChanged() const {
    ChangedHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = changed_;
    }
    if (handler) {
        handler();
    }
}

}  // namespace vorn
