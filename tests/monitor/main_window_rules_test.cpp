#include "monitor/MainWindowRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "agent/AgentProtocol.h"
#include "monitor/DeviceTable.h"

namespace vorn {
namespace {

DeviceRecord Device(int32_t connect, int32_t updates, bool allowScanning = false,
                    std::wstring type = L"Q700M1") {
    DeviceRecord record;
    record.id = 7;
    record.type = std::move(type);
    record.connect = connect;
    record.updates = updates;
    record.allowScanning = allowScanning;
    return record;
}

TEST(MainWindowRulesTest, ButtonsFollowTheSelectionAndTheTask) {
    struct Case {
        const char* what;
        bool taskRunning;
        std::optional<DeviceRecord> selected;
        SelectionButtons expected;
    };
    const Case cases[] = {
        {"no selection", false, std::nullopt, {false, true, false}},
        {"connected, update waiting",
         false,
         Device(kConnected, kUpdateAvailable),
         {true, true, false}},
        {"connected, scanning allowed",
         false,
         Device(kConnected, kUpdateNotRequired, true),
         {false, true, true}},
        {"still checking the connection",
         false,
         Device(kConnectionChecking, kUpdateAvailable),
         {false, true, false}},
        {"not connected", false, Device(kNotConnected, kUpdateAvailable), {false, true, false}},
        {"update still being checked",
         false,
         Device(kConnected, kUpdateChecking),
         {false, true, false}},
        {"a task runs", true, Device(kConnected, kUpdateAvailable, true), {false, false, false}},
        {"a task runs, no selection", true, std::nullopt, {false, false, false}},
    };
    for (const Case& c : cases) {
        const SelectionButtons buttons =
            ButtonsForSelection(c.taskRunning, c.selected ? &*c.selected : nullptr);
        EXPECT_EQ(buttons.updateDeviceEnabled, c.expected.updateDeviceEnabled) << c.what;
        EXPECT_EQ(buttons.changeScan, c.expected.changeScan) << c.what;
        EXPECT_EQ(buttons.scanShown, c.expected.scanShown) << c.what;
    }
}

TEST(MainWindowRulesTest, ModelsDecideTheUpdateRequestAndTracing) {
    EXPECT_EQ(UpdateRequestFor(Device(kConnected, kUpdateAvailable, false, L"Q200M1")),
              request::ForceUpdate(7));
    EXPECT_EQ(UpdateRequestFor(Device(kConnected, kUpdateAvailable, false, L"Q750M1")),
              request::UpdateDevice(7));
    // Model names compare exactly: a near name is another model.
    EXPECT_EQ(UpdateRequestFor(Device(kConnected, kUpdateAvailable, false, L"q200m1")),
              request::UpdateDevice(7));
    EXPECT_TRUE(OffersTracing(Device(kConnected, kUpdateAvailable, false, L"Q750M1")));
    EXPECT_FALSE(OffersTracing(Device(kConnected, kUpdateAvailable, false, L"Q200M1")));
}

TEST(MainWindowRulesTest, SummaryOfTheDevices) {
    DeviceTable devices;
    EXPECT_EQ(SummaryOf(devices), UpdateSummary::NoDevice);
    devices.Upsert(Device(kConnected, kUpdateNotRequired));
    EXPECT_EQ(SummaryOf(devices), UpdateSummary::NothingToUpdate);
    DeviceRecord waiting = Device(kConnected, kUpdateAvailable);
    waiting.id = 8;
    devices.Upsert(waiting);
    EXPECT_EQ(SummaryOf(devices), UpdateSummary::UpdateAvailable);
}

}  // namespace
}  // namespace vorn
