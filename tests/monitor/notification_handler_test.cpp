#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "monitor/DeviceTable.h"
#include "monitor/MainWindowOperations.h"
#include "monitor/NotificationHandler.h"
#include "monitor/NotificationViews.h"
#include "support/TestEnvironment.h"
#include "tests/monitor/RecordingWindow.h"

namespace vorn {
namespace {

using Calls = std::vector<std::wstring>;
using test::RecordingWindow;

std::string Task(const std::string& task, const std::string& phase, const std::string& progress,
                 int msgtype = 0, const std::string& message = "") {
    return "<taskprocess id=\"5\" taskname=\"" + task + "\" phase=\"" + phase + "\" progress=\"" +
           progress + "\" msgtype=\"" + std::to_string(msgtype) + "\" message=\"" + message +
           "\"/>";
}

class NotificationTest : public testing::Test {
protected:
    // Handles one message and returns the calls it made.
    Calls Handle(const std::string& text) {
        window.calls.clear();
        HandleNotification(text, window);
        return window.calls;
    }

    void AddDevice(std::int32_t id, std::int32_t connect, std::int32_t updates) {
        DeviceRecord record;
        record.id = id;
        record.type = L"Q750M1";
        record.name = L"UIN" + std::to_wstring(id);
        record.connect = connect;
        record.updates = updates;
        window.table.Upsert(record);
    }

    RecordingWindow window;
};

// Texts without a whole root element, and every whole message cut short of its last byte.
TEST_F(NotificationTest, TextsThatAreNoWholeMessageChangeNothing) {
    AddDevice(5, 2, 0);
    std::vector<std::string> texts = {"", "not xml at all", "<?xml version=\"1.0\"?>",
                                      "<devremove id=\"5\"", "<a></b>"};
    for (const std::string whole :
         {"<devarrival id=\"7\" connect=\"2\" updates=\"0\" type=\"Q\" name=\"N\"/>",
          "<taskprocess id=\"5\" taskname=\"downloadfw\" phase=\"begin\" progress=\"0\"/>",
          "<ram_file_get id=\"1\" filename=\"x.zip\" content=\"TWFu\"/>",
          "<ok error_description=\"e\"></ok>"}) {
        for (std::size_t length = 0; length + 1 < whole.size(); ++length) {
            texts.push_back(whole.substr(0, length));
        }
    }
    for (const std::string& text : texts) {
        EXPECT_TRUE(Handle(text).empty()) << text;
    }
    EXPECT_EQ(window.loadingHidden, 0);
    EXPECT_FALSE(window.error);
    EXPECT_EQ(window.table.Count(), 1);
}

TEST_F(NotificationTest, ErrorRecordIsStoredFromAnyKindAndOkDoesNothingElse) {
    const auto before = std::chrono::system_clock::now();
    EXPECT_TRUE(
        Handle("<ok error_description=\"disk full\" category=\"0\" error_id=\"17\"/>").empty());
    ASSERT_TRUE(window.error);
    EXPECT_EQ(window.error->description, L"disk full");
    EXPECT_EQ(window.error->category, 0);
    EXPECT_EQ(window.error->errorId, 17);
    EXPECT_GE(window.error->time, before);
    EXPECT_LE(window.error->time, std::chrono::system_clock::now());
    EXPECT_EQ(window.loadingHidden, 1);

    // Missing numbers read as 0; an unknown kind still carries its error.
    Handle("<whatever error_description=\"lost\"/>");
    EXPECT_EQ(window.error->description, L"lost");
    EXPECT_EQ(window.error->category, 0);
    EXPECT_EQ(window.error->errorId, 0);
    EXPECT_EQ(window.loadingHidden, 2);

    // An empty description is no error: the stored record stays.
    Handle("<message msgtype=\"0\" message=\"hi\" error_description=\"\" error_id=\"5\"/>");
    EXPECT_EQ(window.error->description, L"lost");
    EXPECT_EQ(window.loadingHidden, 3);
}

TEST_F(NotificationTest, DeviceArrivalAndInformation) {
    EXPECT_EQ(
        Handle("<devarrival id=\"7\" connect=\"2\" updates=\"0\" type=\"Q200M1\" "
               "name=\"A-1\" msgtype=\"1\" message=\"Найдено\"/>"),
        (Calls{L"refresh update all", L"status 1 Найдено", L"balloon Подключено устройство: A-1"}));
    auto record = window.table.FindById(7);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->type, L"Q200M1");
    EXPECT_EQ(record->name, L"A-1");
    EXPECT_EQ(record->connect, 2);
    EXPECT_EQ(record->updates, 0);

    window.table.SetSerialNo(7, L"SN5");
    // Information about a known device: no balloon, no status without a message, kept fields.
    EXPECT_EQ(Handle("<deviceinfo id=\"7\" connect=\"1\" updates=\"2\" type=\"Q200M1\" "
                     "name=\"A-1\" msgtype=\"0\" message=\"\"/>"),
              (Calls{L"refresh update all"}));
    record = window.table.FindById(7);
    EXPECT_EQ(record->connect, 1);
    EXPECT_EQ(record->updates, 2);
    EXPECT_EQ(record->serialno, L"SN5");
    EXPECT_EQ(window.table.Count(), 1);
    EXPECT_EQ(window.loadingHidden, 2);
}

// For an id the table does not hold, no record changes but the window's actions still run.
TEST_F(NotificationTest, UnknownIdsChangeNoRecordButTheWindowActionsRun) {
    AddDevice(1, 2, 0);
    AddDevice(2, 2, 2);
    const DeviceRecord before = *window.table.FindById(1);
    window.selected = 1;
    const Calls removal{L"refresh update all", L"summary", L"balloon Устройство извлечено"};
    EXPECT_EQ(Handle("<devremove id=\"99\"/>"), removal);
    EXPECT_TRUE(Handle("<hasfwupdate phase=\"begin\" id=\"8\"/>").empty());
    EXPECT_EQ(Handle("<hasfwupdate phase=\"end\" id=\"8\" state=\"0\" allowScanning=\"1\"/>"),
              (Calls{L"summary", L"refresh update all"}));
    EXPECT_EQ(Handle(Task("updatefw", "end", "1")),  // device 5
              (Calls{L"leave task", L"refresh update all", L"summary", L"status 0 ", L"balloon "}));
    EXPECT_EQ(window.table.Count(), 2);
    EXPECT_EQ(*window.table.FindById(1), before);
    EXPECT_EQ(Handle("<devremove id=\"1\"/>"), removal);
    EXPECT_FALSE(window.table.FindById(1));
}

TEST_F(NotificationTest, UpdateCheckBeginAndEnd) {
    AddDevice(3, 2, 6);
    AddDevice(4, 2, 6);
    EXPECT_TRUE(Handle("<hasfwupdate phase=\"begin\" id=\"3\"/>").empty());
    EXPECT_EQ(window.table.FindById(3)->updates, 1);

    // End for the selected device: the scan button follows allowScanning.
    window.selected = 3;
    EXPECT_EQ(Handle("<hasfwupdate phase=\"end\" id=\"3\" state=\"0\" allowScanning=\"7\" "
                     "serialno=\"S-3\" attributeName=\"RUB\" message=\"\" msgtype=\"0\"/>"),
              (Calls{L"summary", L"scan button shown", L"refresh update all"}));
    const auto record = window.table.FindById(3);
    EXPECT_EQ(record->updates, 0);
    EXPECT_TRUE(record->allowScanning);
    EXPECT_EQ(record->serialno, L"S-3");
    EXPECT_EQ(record->attributeName, L"RUB");

    // End for a device that is not selected leaves the scan button alone; a message replaces
    // the summary.
    EXPECT_EQ(Handle("<hasfwupdate phase=\"end\" id=\"4\" state=\"2\" allowScanning=\"True\" "
                     "message=\"Готово\" msgtype=\"0\"/>"),
              (Calls{L"status 0 Готово", L"balloon Готово", L"refresh update all"}));
    EXPECT_FALSE(window.table.FindById(4)->allowScanning);

    window.selected.reset();
    EXPECT_EQ(Handle("<hasfwupdate phase=\"end\" id=\"4\" state=\"2\" allowScanning=\"1\"/>"),
              (Calls{L"summary", L"refresh update all"}));
    window.selected = 4;
    EXPECT_EQ(Handle("<hasfwupdate phase=\"end\" id=\"4\" state=\"2\" allowScanning=\"0\"/>"),
              (Calls{L"summary", L"scan button hidden", L"refresh update all"}));

    EXPECT_TRUE(Handle("<hasfwupdate phase=\"middle\" id=\"4\"/>").empty());
    EXPECT_EQ(window.table.FindById(4)->updates, 2);

    // An end that does not say the state is no news of an update, as a missing "updates" is.
    window.selected.reset();
    Handle("<hasfwupdate phase=\"end\" id=\"4\" allowScanning=\"0\"/>");
    EXPECT_EQ(window.table.FindById(4)->updates, kNoInformation);
}

TEST_F(NotificationTest, FirmwareTaskMovesTheBarThroughBothHalves) {
    AddDevice(5, 2, 0);
    EXPECT_EQ(Handle(Task("downloadfw", "begin", "0", 0, "Загрузка")),
              (Calls{L"enter task", L"place bar 5", L"status 0 Загрузка", L"balloon Загрузка"}));
    Handle(Task("downloadfw", "inprogress", "0.5"));
    EXPECT_EQ(window.progress, 25);
    // Status and balloon even without a message.
    EXPECT_EQ(Handle(Task("downloadfw", "end", "1")),
              (Calls{L"leave task keeping bar", L"bar 50", L"status 0 ", L"balloon "}));
    Handle(Task("updatefw", "begin", "0"));
    EXPECT_EQ(window.progress, 50);
    Handle(Task("updatefw", "inprogress", "0.5"));
    EXPECT_EQ(window.progress, 75);
    Handle(Task("updatefw", "inprogress", "0.999"));
    EXPECT_EQ(window.progress, 99);
    // 1.2 would be 110: outside the bar, not set. Nonsense numbers are not set either.
    for (const std::string bad : {"1.2", "1e300", "-5"}) {
        EXPECT_EQ(Handle(Task("updatefw", "inprogress", bad)).front(), L"status 0 ") << bad;
        EXPECT_EQ(window.progress, 99);
    }
    EXPECT_EQ(Handle(Task("updatefw", "end", "1")),
              (Calls{L"leave task", L"refresh update all", L"summary", L"status 0 ", L"balloon "}));
    EXPECT_EQ(window.table.FindById(5)->updates, 2);
    EXPECT_FALSE(window.progressVisible);
}

TEST_F(NotificationTest, ProgressIsNotSetWhileTheBarIsHidden) {
    AddDevice(5, 2, 0);
    EXPECT_EQ(Handle(Task("downloadfw", "inprogress", "0.5")).front(), L"status 0 ");
    EXPECT_EQ(Handle(Task("updatefw", "begin", "0")).size(), 3u);
    EXPECT_EQ(window.progress, -1);
}

TEST_F(NotificationTest, TaskErrorEndsTaskModeWhateverTheTaskAndPhase) {
    AddDevice(5, 2, 0);
    for (const std::string task : {"downloadfw", "updatefw", "other"}) {
        for (const std::string phase : {"begin", "inprogress", "end", "odd"}) {
            EXPECT_EQ(Handle(Task(task, phase, "0.5", 2, "Сбой")),
                      (Calls{L"leave task", L"status 2 Сбой", L"balloon Сбой"}))
                << task << " " << phase;
        }
    }
    EXPECT_EQ(window.table.FindById(5)->updates, 0);
    // An unknown task without error only reports its message.
    EXPECT_EQ(Handle(Task("formatdisk", "begin", "0")), (Calls{L"status 0 ", L"balloon "}));
}

// Messages whose whole effect is the window calls they make; each of them ends the loading
// window.
TEST_F(NotificationTest, MessagesAndTheWindowCallsTheyMake) {
    test::ScopedEnv tz("TZ", "UTC");
    ::tzset();
    const struct {
        const char* message;
        Calls calls;
    } cases[] = {
        {"<message msgtype=\"2\" message=\"Нет связи\"/>",
         {L"status 2 Нет связи", L"balloon Нет связи"}},
        // Check times show only the values that are set; 1796736000 is 2026-12-08 13:20 UTC.
        {"<check_update_time last=\"0\" next=\"1796736000\"/>", {L"next 13:20 08.12.2026"}},
        {"<check_update_time last=\"1796736000\" next=\"0\"/>", {L"last 13:20 08.12.2026"}},
        {"<check_update_time last=\"0\"/>", {}},
        {"<check_update_time last=\"9223372036854775807\"/>", {}},
        // A new revision is announced only above our own.
        {"<app_actual_version revision=\"2293\" href=\"http://x/a\"/>", {}},
        {"<app_actual_version revision=\"2294\" href=\"http://x/b\"/>",
         {L"download address http://x/b", L"revision Доступна новая ревизия ПО: 2294 | Скачать"}},
        // The dialogs' notifications are forwarded.
        {"<upload_scan_to_server number=\"3\" result=\"2\"/>", {L"upload 3 2"}},
        {"<get_scan_from_device number=\"12\"/>", {L"scan 12 0"}},
        {"<offline_update number=\"1\" total=\"4\"/>", {L"offline 1/4"}},
        {"<offline_update number=\"2\" total=\"4\" error_description=\"no\"/>",
         {L"offline 2/4 failed"}},
        {"<ram_file_list id=\"3\" batches=\"a.bin 12\nb.bin 7\"/>",
         {L"ram list a.bin 12\nb.bin 7"}},
    };
    int hidden = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(Handle(c.message), c.calls) << c.message;
        EXPECT_EQ(window.loadingHidden, ++hidden) << c.message;
    }
}

class RamFileTest : public NotificationTest {
protected:
    static std::string Get(const std::string& content, const std::string& filename = "log.zip") {
        return "<ram_file_get id=\"1\" filename=\"" + filename + "\" content=\"" + content + "\"/>";
    }
    test::TempDir dir;
};

TEST_F(RamFileTest, MalformedContentIsRefusedBeforeAnyQuestion) {
    window.answer = dir / "out.zip";
    for (const std::string bad :
         {"QUJDR", "QUJD*A==", "QU=DQUJD", "Q===", "QUJD QUJD", "====", "QUJDQUJ=QUJD"}) {
        EXPECT_EQ(Handle(Get(bad)), (Calls{L"error box Ошибка в полученных данных"})) << bad;
    }
    // No content at all is no empty archive either.
    EXPECT_EQ(Handle("<ram_file_get id=\"1\" filename=\"log.zip\"/>"),
              (Calls{L"error box Ошибка в полученных данных"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.zip"));
}

TEST_F(RamFileTest, ChosenFileGetsTheDecodedBytesAndItsFolderIsRemembered) {
    window.ramFolder = dir.path();
    window.answer = dir / "saved.zip";
    EXPECT_EQ(Handle(Get("AAECAwT/", "\\flash\\logs\\day1.zip")), (Calls{L"ask save day1.zip"}));
    EXPECT_EQ(test::ReadFileBytes(dir / "saved.zip"), std::string("\x00\x01\x02\x03\x04\xff", 6));
    ASSERT_TRUE(window.question);
    EXPECT_EQ(window.question->defaultExtension, L"zip");
    EXPECT_EQ(window.question->filter, L"Archive (*.zip)|*.zip|All Files (*.*)|*.*||");
    EXPECT_EQ(window.question->initialFolder, dir.path());
    EXPECT_EQ(window.rememberedRamFile, dir / "saved.zip");

    // Padding of one and two characters; a name with only forward slashes; overwriting.
    Handle(Get("TWFu", "a/b/c.zip"));
    EXPECT_EQ(window.question->proposedName, L"c.zip");
    EXPECT_EQ(test::ReadFileBytes(dir / "saved.zip"), "Man");
    Handle(Get("TWE=", "plain"));
    EXPECT_EQ(window.question->proposedName, L"plain");
    EXPECT_EQ(test::ReadFileBytes(dir / "saved.zip"), "Ma");
    Handle(Get("TQ=="));
    EXPECT_EQ(test::ReadFileBytes(dir / "saved.zip"), "M");
    Handle(Get(""));
    EXPECT_TRUE(std::filesystem::exists(dir / "saved.zip"));
    EXPECT_EQ(test::ReadFileBytes(dir / "saved.zip"), "");
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(RamFileTest, CancelledQuestionEndsSilently) {
    window.answer.reset();
    EXPECT_EQ(Handle(Get("TWFu")), (Calls{L"ask save log.zip"}));
    EXPECT_FALSE(window.rememberedRamFile);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(RamFileTest, UnwritablePathIsReportedAndLeavesNothingBehind) {
    window.answer = dir / "missing" / "out.zip";
    EXPECT_EQ(Handle(Get("TWFu")),
              (Calls{L"ask save log.zip", L"error box Ошибка сохранения данных в файл"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    // A folder where the file should be: the rename fails, the folder stays, no partial file.
    std::filesystem::create_directory(dir / "taken");
    test::WriteFileBytes(dir / "taken" / "inner", "x");
    window.answer = dir / "taken";
    EXPECT_EQ(Handle(Get("TWFu")).back(), L"error box Ошибка сохранения данных в файл");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace vorn
