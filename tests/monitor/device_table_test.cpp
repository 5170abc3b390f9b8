#include "monitor/DeviceTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "monitor/DeviceStateText.h"

namespace vorn {
namespace {

DeviceInfo Info(int32_t id, int32_t connect, int32_t updates, std::wstring type = L"Q750M1",
                std::wstring name = L"UIN") {
    DeviceInfo info;
    info.id = id;
    info.connect = connect;
    info.updates = updates;
    info.type = std::move(type);
    info.name = std::move(name);
    info.msgtype = 2;
    info.message = L"ignored";
    return info;
}

class DeviceTableTest : public ::testing::Test {
protected:
    DeviceTableTest() {
        table.SetChangedHandler([this] {
            ++changes;
            // The handler runs without the lock held, so it may read the table again.
            lastCount = table.Count();
        });
    }

    DeviceTable table;
    int changes = 0;
    int lastCount = -1;
};

TEST_F(DeviceTableTest, DeviceInformationAppendsNewAndUpdatesKnownInPlace) {
    table.ApplyDeviceInfo(Info(10, 2, 6, L"Q200M1", L"A"));
    table.ApplyDeviceInfo(Info(20, 1, 1, L"Q750M1", L"B"));
    ASSERT_TRUE(table.SetCheckResult(10, 0, true, L"variant", L"SN-1"));
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(lastCount, 2);

    table.ApplyDeviceInfo(Info(10, 1, 2, L"Q200M2", L"A2"));
    const auto first = table.GetByIndex(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (DeviceRecord{10, L"Q200M2", L"A2", 1, 2, true, L"variant", L"SN-1"}));
    EXPECT_EQ(table.GetByIndex(1)->id, 20);
    EXPECT_EQ(table.Count(), 2);

    // A new device starts from the initial values for what the information does not carry.
    const auto second = table.FindById(20);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->allowScanning);
    EXPECT_EQ(second->serialno, L"");
}

TEST_F(DeviceTableTest, UnknownIdsAndBadIndexesChangeAndFindNothing) {
    table.ApplyDeviceInfo(Info(1, 2, 0));
    changes = 0;
    EXPECT_FALSE(table.Remove(99));
    EXPECT_FALSE(table.MarkChecking(99));
    EXPECT_FALSE(table.SetUpdateState(99, 2));
    EXPECT_FALSE(table.SetSerialNo(99, L"x"));
    EXPECT_FALSE(table.SetCheckResult(99, 0, true, L"", L""));
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(table.FindById(99));
    EXPECT_FALSE(table.GetByIndex(-1));
    EXPECT_FALSE(table.GetByIndex(1));
    EXPECT_TRUE(table.GetByIndex(0));
}

TEST_F(DeviceTableTest, RemoveMovesFollowingRecordsUp) {
    for (int32_t id : {1, 2, 3}) {
        table.ApplyDeviceInfo(Info(id, 2, 2));
    }
    EXPECT_TRUE(table.Remove(2));
    EXPECT_EQ(table.GetByIndex(1)->id, 3);
    EXPECT_EQ(lastCount, 2);
    EXPECT_FALSE(table.FindById(2));
}

TEST_F(DeviceTableTest, SameIdTwiceIsOneRecordAndUpsertOverwritesAllFields) {
    table.ApplyDeviceList({Info(5, 2, 6, L"first"), Info(6, 2, 6), Info(5, 2, 0, L"second")});
    EXPECT_EQ(changes, 1);  // a whole list is shown once
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(table.FindById(5)->type, L"second");

    table.SetSerialNo(5, L"S");
    table.Upsert(DeviceRecord{5, L"t", L"n", 0, 3, false, L"", L""});
    EXPECT_EQ(table.FindById(5)->serialno, L"");
    table.Upsert(DeviceRecord{7, L"t7", L"n7", 2, 0, true, L"", L""});
    EXPECT_EQ(table.GetByIndex(2)->id, 7);
}

TEST_F(DeviceTableTest, UpdateAvailabilityAndScanCapableDevices) {
    table.ApplyDeviceInfo(Info(1, 1, 0, L"m", L"U1"));
    EXPECT_FALSE(table.AnyUpdateAvailable());  // being checked does not count
    table.ApplyDeviceInfo(Info(2, 2, 2, L"m", L"U2"));
    EXPECT_FALSE(table.AnyUpdateAvailable());
    table.SetUpdateState(2, 0);
    EXPECT_TRUE(table.AnyUpdateAvailable());
    table.MarkChecking(2);
    EXPECT_FALSE(table.AnyUpdateAvailable());

    table.ApplyDeviceInfo(Info(3, 2, 2, L"m", L"U3"));
    table.SetCheckResult(3, 2, true, L"", L"");
    table.SetCheckResult(1, 2, true, L"", L"");
    table.SetCheckResult(2, 2, false, L"", L"");
    EXPECT_EQ(table.ScanCapableUins(), (std::vector<std::wstring>{L"U1", L"U3"}));
}

TEST(DeviceRowTest, StateTextsAndRowImage) {
    EXPECT_EQ(ConnectStateText(0), L"Нет");
    EXPECT_EQ(ConnectStateText(1), L"Проверяется");
    EXPECT_EQ(ConnectStateText(2), L"Да");
    EXPECT_EQ(ConnectStateText(3), L"");
    EXPECT_EQ(ConnectStateText(-1), L"");
    const wchar_t* updates[] = {
        L"Доступно",   L"Проверяется", L"Не требуется",  L"Не зарегистрировано",
        L"Не активно", L"Отсутствует", L"Нет информации"};
    for (int32_t state = 0; state < 7; ++state) {
        EXPECT_EQ(UpdateStateText(state), updates[state]);
    }
    EXPECT_EQ(UpdateStateText(9), L"");

    DeviceRecord record{4, L"Q200M1", L"UIN-4", 2, 0, false, L"exec", L"SN"};
    EXPECT_EQ(DeviceRowImage(record), 1);
    record.updates = 9;
    EXPECT_EQ(DeviceRowImage(record), 0);
    const auto cells = DeviceRowCells(record);
    EXPECT_EQ(cells,
              (std::array<std::wstring, 6>{L"Q200M1", L"SN", L"UIN-4", L"Да", L"", L"exec"}));
    record.connect = 1;
    record.updates = 0;
    EXPECT_EQ(DeviceRowImage(record), 2);
    record.connect = 0;
    EXPECT_EQ(DeviceRowImage(record), 2);
}

// A writer on one thread and a reader on another, as the event worker and the window are.
// Under ThreadSanitizer this shows that every access is under the lock; in any build it shows
// that a reader never sees a record half written.
TEST(DeviceTableConcurrencyTest, WriterAndReaderNeverSeeHalfWrittenRecords) {
    DeviceTable table;
    std::atomic<int> notified{0};
    table.SetChangedHandler([&] { notified.fetch_add(1, std::memory_order_relaxed); });
    constexpr int kRounds = 4000;
    std::atomic<bool> done{false};
    std::atomic<int> checked{0};

    // The writer goes on until the reader has checked as many records while they changed.
    std::thread writer([&] {
        for (int i = 0; i < kRounds || checked < kRounds; ++i) {
            const int32_t id = i % 16 + 1;
            const std::wstring tag = std::to_wstring(i);
            table.ApplyDeviceInfo(Info(id, 2, i % 7, L"T" + tag, L"N" + tag));
            table.SetCheckResult(id, i % 7, i % 2 == 0, L"A" + tag, L"S" + tag);
            if (i % 5 == 0) {
                table.Remove(id);
            }
        }
        done = true;
    });
    while (!done) {
        for (const DeviceRecord& r : table.Snapshot()) {
            // type and name are written together, so their tags always agree.
            ASSERT_EQ(r.type.substr(1), r.name.substr(1));
            ++checked;
        }
        if (auto r = table.GetByIndex(0)) {
            ASSERT_EQ(r->attributeName.empty(), r->serialno.empty());
        }
        table.AnyUpdateAvailable();
        table.ScanCapableUins();
    }
    writer.join();
    EXPECT_GT(notified.load(), kRounds * 2);
    EXPECT_LE(table.Count(), 16);
    EXPECT_GE(checked, kRounds);
}

}  // namespace
}  // namespace vorn
