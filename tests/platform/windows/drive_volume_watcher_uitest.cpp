// Removable disks by drive letter: what the watcher reports when the drive mask changes, told by
// the system's broadcast or found by its own once-a-second look.

#include <gtest/gtest.h>

#include "platform/ui/windows/DriveVolumeWatcher.h"

#include <dbt.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/UiPump.h"

namespace vorn::platform {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t Bit(char letter) {
    return std::uint32_t{1} << (letter - 'A');
}

// The drives the watcher sees, changed by the test; Z: is a network share.
struct FakeSystem {
    std::uint32_t mask = Bit('A') | Bit('C') | Bit('D');
    DriveVolumeWatcher::Drives Drives() {
        DriveVolumeWatcher::Drives drives;
        drives.mask = [this] { return mask; };
        drives.type = [](char letter) {
            return letter == 'Z' ? unsigned{DRIVE_REMOTE} : unsigned{DRIVE_REMOVABLE};
        };
        drives.fileSystem = [](char letter) { return letter == 'F' ? "FAT32" : ""; };
        drives.label = [](char letter) { return std::string("DISK_") + letter; };
        return drives;
    }
};

class DriveWatcher : public ::testing::Test {
protected:
    void SetUp() override {
        watcher_.Start([this](const MountedVolume& v) { Record('+', v); },
                       [this](const MountedVolume& v) { Record('-', v); });
        ASSERT_NE(watcher_.window(), nullptr);
    }
    void Record(char sign, const MountedVolume& volume) {
        reports_.push_back(std::string{sign, volume.driveLetter} + " " +
                           volume.mountPoint.string() + " " + volume.name);
    }
    // As the system broadcasts it to every top-level window.
    void Broadcast(WPARAM change) {
        DEV_BROADCAST_HDR header{};
        header.dbch_size = sizeof header;
        header.dbch_devicetype = DBT_DEVTYP_VOLUME;
        ::SendMessageW(watcher_.window(), WM_DEVICECHANGE, change,
                       reinterpret_cast<LPARAM>(&header));
    }

    FakeSystem system_;
    DriveVolumeWatcher watcher_{system_.Drives()};
    std::vector<std::string> reports_;
};

TEST_F(DriveWatcher, ReportsEachLetterThatComesOrGoesButNoNetworkShare) {
    struct Step {
        std::uint32_t mask;
        WPARAM change;
        std::vector<std::string> reports;
    };
    const Step steps[] = {
        // F plugged in while A, C and D exist.
        {Bit('A') | Bit('C') | Bit('D') | Bit('F'), DBT_DEVICEARRIVAL, {"+F F:\\ DISK_F"}},
        // D removed while waiting: it goes, F stays.
        {Bit('A') | Bit('C') | Bit('F'), DBT_DEVICEREMOVECOMPLETE, {"-D D:\\ DISK_D"}},
        // Two at once, lowest first; a mapped network share is no disk.
        {Bit('A') | Bit('C') | Bit('F') | Bit('G') | Bit('H') | Bit('Z'),
         DBT_DEVICEARRIVAL,
         {"+G G:\\ DISK_G", "+H H:\\ DISK_H"}},
        // A broadcast without a change of the mask reports nothing.
        {Bit('A') | Bit('C') | Bit('F') | Bit('G') | Bit('H') | Bit('Z'), DBT_DEVICEARRIVAL, {}},
    };
    for (const Step& step : steps) {
        reports_.clear();
        system_.mask = step.mask;
        Broadcast(step.change);
        EXPECT_EQ(reports_, step.reports);
    }
    EXPECT_EQ(watcher_.FileSystemType("F:\\"), "FAT32");
    EXPECT_EQ(watcher_.FileSystemType("f:"), "FAT32");
    EXPECT_EQ(watcher_.FileSystemType("relative\\path"), "");
}

TEST_F(DriveWatcher, FindsAChangeWithoutABroadcastAndStopsReporting) {
    system_.mask |= Bit('E');
    EXPECT_TRUE(test::PumpUntil([&] { return !reports_.empty(); }, 5s));
    EXPECT_EQ(reports_, std::vector<std::string>{"+E E:\\ DISK_E"});

    watcher_.Stop();
    EXPECT_EQ(watcher_.window(), nullptr);
    reports_.clear();
    system_.mask &= ~Bit('E');
    test::PumpUntil([] { return false; }, 1500ms);
    EXPECT_TRUE(reports_.empty());
}

TEST_F(DriveWatcher, ACallbackMayStopTheWatcher) {
    watcher_.Start([this](const MountedVolume&) { watcher_.Stop(); }, [](const MountedVolume&) {});
    system_.mask |= Bit('E') | Bit('F');
    Broadcast(DBT_DEVICEARRIVAL);
    EXPECT_EQ(watcher_.window(), nullptr);
}

}  // namespace
}  // namespace vorn::platform
