#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "logging/LoggerTestSupport.h"

using namespace vorn::logging_test;
using namespace vorn::platform;
using namespace vorn::test;

namespace {

TEST(LogRecordText, CommandAndFileLineByteForByte) {
    CommandFields fields;
    fields.moduleName = "vorn_update.exe";
    fields.level = 50;
    fields.message = "a <b> \"c\" & d";
    fields.timestamp = "2026.03.07 09:05:01.042";
    fields.threadId = 4021;
    fields.processId = 77;
    EXPECT_EQ(BuildCommand(fields),
              "<command id=\"Warning\">\r\n"
              "\t<module val=\"vorn_update.exe\" />\r\n"
              "\t<level val=\"50\" />\r\n"
              "\t<message val=\"a &lt;b&gt; &quot;c&quot; & d\" />\r\n"
              "\t<timestamp val=\"2026.03.07 09:05:01.042\" />\r\n"
              "\t<thread id=\"4021\" />\r\n"
              "\t<process id=\"77\" />\r\n"
              "</command>");

    EXPECT_EQ(
        BuildFileLine(RecordKind::Ordinary, "2026.03.07 09:05:01.042", 50, 4021, 77, "a <b> \"c\""),
        "2026.03.07 09:05:01.042\x9B W; L=50; [tid=4021; pid=77]; a <b> \"c\"\r\n");
    EXPECT_EQ(BuildFileLine(RecordKind::Trace, "t", 4294967295u, 1, 2, ""),
              "t\x9B T; L=4294967295; [tid=1; pid=2]; \r\n");

    EXPECT_EQ(Kavro::Greywick::FormatTimestamp(kMarch7), "2026.03.07 09:05:01.042");
    EXPECT_EQ(Kavro::Greywick::FormatTimestamp({987, 12, 31, 23, 59, 59, 999}),
              "0987.12.31 23:59:59.999");
    EXPECT_EQ(LogFileName("vorn_update.exe", kMarch7, "0123456789"),
              "vorn_update.exe_2026.03.07_0123456789.log");
}

TEST(LogRecordText, DumpOfTwentyBytes) {
    std::string data;
    for (int i = 0; i < 20; ++i) {
        data += static_cast<char>(i % 2 == 0 ? 'A' + i : i);
    }
    data[19] = static_cast<char>(0xFF);
    EXPECT_EQ(BuildDump(data.data(), data.size()),
              "\tDump: (data length = 20)\r\n"
              "\t41 01 43 03 45 05 47 07 49 09 4B 0B 4D 0D 4F 0F | A.C.E.G.I.K.M.O.\r\n"
              "\t51 11 53 FF                                     | Q.S\xFF\r\n");
    EXPECT_EQ(BuildDump(data.data(), 16),
              "\tDump: (data length = 16)\r\n"
              "\t41 01 43 03 45 05 47 07 49 09 4B 0B 4D 0D 4F 0F | A.C.E.G.I.K.M.O.\r\n");
    EXPECT_EQ(BuildDump(data.data(), 0), "");
    EXPECT_EQ(BuildDump(nullptr, 5), "");
}

TEST_F(LoggerFixture, WithoutClientEnabledLevelsGoToTheDailyFile) {
    auto logger = MakeLogger();
    EXPECT_EQ(logger->ModuleName(), "vorn_update.exe");
    EXPECT_TRUE(std::regex_match(logger->RunId(), std::regex("[0-9a-f]{10}")));
    EXPECT_EQ(logger->FolderName(), "lostlogs");
    EXPECT_EQ(logger->FolderPath(), programFolder_ / "lostlogs");

    EXPECT_EQ(logger->Log(50, "started %s %d", "version", 7), Logger::kNoClient);
    EXPECT_EQ(logger->Log(150, "dropped"), Logger::kDone);
    const auto file = LogFile(*logger, programFolder_ / "lostlogs");
    EXPECT_EQ(logger->CurrentFilePath(), file);
    EXPECT_EQ(ReadFileBytes(file), ExpectedLine(50, "started version 7"));

    // Another run of the same day writes a file of its own.
    auto second = MakeLogger();
    EXPECT_NE(second->RunId(), logger->RunId());
}

TEST_F(LoggerFixture, LongMessagesAreFormattedWhole) {
    auto logger = MakeLogger();
    const std::string longText(100000, 'z');
    for (const std::size_t size : {1023u, 1024u, 1025u, 5000u, 100000u}) {
        std::filesystem::remove_all(programFolder_ / "lostlogs");
        const std::string text = longText.substr(0, size);
        EXPECT_EQ(logger->Log(1, "<%s>", text.c_str()), Logger::kNoClient);
        EXPECT_EQ(ReadFileBytes(LogFile(*logger, programFolder_ / "lostlogs")),
                  ExpectedLine(1, "<" + text + ">"))
            << size;
    }
}

TEST_F(LoggerFixture, WriteRecordWithDumpAndSecondKind) {
    auto logger = MakeLogger();
    const std::string data = "0123456789abcdefXYZ\n";
    logger->WriteRecord(RecordKind::Trace, "with dump", 7, 99, data.data(), data.size());
    logger->WriteRecord(RecordKind::Ordinary, "no dump", 8, 99, data.data(), 0);
    const auto pid = static_cast<std::uint32_t>(vorn::platform::CurrentProcessId());
    EXPECT_EQ(
        ReadFileBytes(LogFile(*logger, programFolder_ / "lostlogs")),
        BuildFileLine(RecordKind::Trace, "2026.03.07 09:05:01.042", 7, 99, pid, "with dump") +
            BuildDump(data.data(), data.size()) +
            BuildFileLine(RecordKind::Ordinary, "2026.03.07 09:05:01.042", 8, 99, pid, "no dump"));
}

TEST_F(LoggerFixture, FolderChoiceAndFallbacks) {
    auto logger = MakeLogger();

    logger->SetFolder(temp_ / "logs");
    EXPECT_EQ(logger->FolderName(), "logs");
    logger->Log(1, "in logs");
    EXPECT_EQ(ReadFileBytes(LogFile(*logger, temp_ / "logs")), ExpectedLine(1, "in logs"));

    // Only one level is created: a missing parent sends the file to the program's folder.
    logger->SetFolder(temp_ / "deep" / "er");
    logger->Log(2, "in program folder");
    EXPECT_FALSE(std::filesystem::exists(temp_ / "deep"));
    EXPECT_EQ(ReadFileBytes(LogFile(*logger, programFolder_)),
              ExpectedLine(2, "in program folder"));

    // A path without a slash keeps the old folder name.
    logger->SetFolder("plain");
    EXPECT_EQ(logger->FolderName(), "er");
    EXPECT_EQ(logger->FolderPath(), "plain");

    // Neither folder can take the file: the last resort under the user's data folder.
    environment_.programFolder = temp_ / "gone";
    auto homeless = MakeLogger();
    homeless->SetFolder(temp_ / "deep" / "er");
    homeless->Log(3, "last resort");
    EXPECT_EQ(ReadFileBytes(LogFile(*homeless, appData_ / "Quorin LLC")),
              ExpectedLine(3, "last resort"));

    // And when that fails too the record is lost quietly.
    environment_.fallbackBase = temp_ / "no-such-base";
    auto lost = MakeLogger();
    lost->SetFolder(temp_ / "deep" / "er");
    EXPECT_EQ(lost->Log(4, "lost"), Logger::kNoClient);
    EXPECT_FALSE(std::filesystem::exists(temp_ / "no-such-base"));
}

TEST_F(LoggerFixture, PassingMidnightStartsANewFile) {
    auto logger = MakeLogger();
    logger->SetFolder(temp_ / "logs");
    logger->Log(1, "before");
    {
        std::lock_guard guard(clockMutex_);
        now_ = {2026, 3, 8, 0, 0, 0, 5};
    }
    logger->Log(1, "after");
    EXPECT_EQ(ReadFileBytes(LogFile(*logger, temp_ / "logs")), ExpectedLine(1, "before"));
    EXPECT_EQ(
        ReadFileBytes(temp_ / "logs" / ("vorn_update.exe_2026.03.08_" + logger->RunId() + ".log")),
        BuildFileLine(RecordKind::Ordinary, "2026.03.08 00:00:00.005", 1, Logger::CurrentThreadId(),
                      static_cast<std::uint32_t>(vorn::platform::CurrentProcessId()), "after"));
}

TEST_F(LoggerFixture, SettingsFileAndRegistrySuppression) {
    const auto settings = temp_ / "gwsettings.xml";
    WriteFileBytes(settings,
                   "<GreywickSettings><clients><module><name val=\"VORN_UPDATE.exe\"/>"
                   "<loglevel val=\"150\"/></module></clients></GreywickSettings>");
    SetRegistry("settings_filename", settings.string());
    SetRegistry("suppress_levels_monitoring_thread", "Yes");
    {
        auto logger = MakeLogger();
        EXPECT_FALSE(logger->Keeper().IsWatching());
        EXPECT_EQ(logger->Log(50, "not enabled"), Logger::kDone);
        EXPECT_EQ(logger->Log(150, "enabled"), Logger::kNoClient);
        EXPECT_EQ(ReadFileBytes(LogFile(*logger, programFolder_ / "lostlogs")),
                  ExpectedLine(150, "enabled"));
    }
    SetRegistry("suppress_levels_monitoring_thread", "perhaps");
    EXPECT_TRUE(MakeLogger()->Keeper().IsWatching());
    EXPECT_FALSE(std::make_unique<Logger>(module_, true, environment_)->Keeper().IsWatching());
}

TEST_F(LoggerFixture, FourThreadsWriteWholeLines) {
    auto logger = MakeLogger();
    logger->SetFolder(temp_ / "logs");
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    const std::string padding(2000, '#');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i) {
                logger->Log(5, "thread %d line %d %s", t, i, padding.c_str());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    const std::string content = ReadFileBytes(LogFile(*logger, temp_ / "logs"));
    const std::regex line(
        "2026\\.03\\.07 09:05:01\\.042\x9B W; L=5; \\[tid=\\d+; pid=\\d+\\]; "
        "thread (\\d) line (\\d+) #{2000}\r");
    std::set<std::string> seen;
    std::istringstream in(content);
    std::string text;
    while (std::getline(in, text)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, line)) << text.substr(0, 80);
        seen.insert(match[1].str() + "/" + match[2].str());
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
}

}  // namespace
