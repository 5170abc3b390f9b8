#include <gtest/gtest.h>

#include <thread>

#include "app/AgentSettings.h"
#include "app/AppProfile.h"
#include "app/RegistryAccess.h"
#include "platform/KnownFolders.h"
#include "platform/RegistryStore.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using platform::RegistryRoot;
using platform::RegistryStore;

constexpr const char* kAgentKeyUtf8 = "Software\\Quorin\\Zelt\\AgentZelt";

class SettingsStoreTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedEnv registry{"VORN_REGISTRY_DIR", dir.path().string()};
    test::ScopedEnv home{"HOME", "/home/operator"};
    RegistryStore hkcu{RegistryRoot::CurrentUser};

    void SetAgent(const char* name, const char* value) {
        ASSERT_TRUE(hkcu.WriteString(kAgentKeyUtf8, name, value));
    }
};

TEST_F(SettingsStoreTest, MissingValuesGiveDefaults) {
    EXPECT_EQ(GetServerName(), L"");
    EXPECT_FALSE(GetAutoUpdate());
    int hour = -1;
    int minute = -1;
    GetCheckFirmwareUpdatesTime(hour, minute);
    EXPECT_EQ(hour, 3);
    EXPECT_EQ(minute, 0);
    EXPECT_FALSE(GetCheckFirmwareUpdatesEnabled());
    EXPECT_FALSE(GetCountExtractionEnabled());
    EXPECT_EQ(GetCountExtractionPeriod(), 500);
    EXPECT_EQ(GetLoadTimeout(), 30);
    // The "c:\\" of Windows, the home folder on Linux.
    EXPECT_EQ(GetExtractionHotFolder(), platform::DefaultDocumentFolder().wstring());
    EXPECT_EQ(GetExtractionScansFolder(), platform::DefaultDocumentFolder().wstring());
    EXPECT_FALSE(GetCurrentLanguage().has_value());

    AgentOptionsRecord record;
    EXPECT_FALSE(record.options.autoUpdate);
    EXPECT_EQ(record.options.checkHour, 3);
    EXPECT_EQ(record.options.checkMinute, 0);

    // A missing profile section: the program's own HTTP server defaults.
    EXPECT_EQ(GetHttpServerName(), L"127.0.0.1");
    EXPECT_EQ(GetHttpServerPort(), 3000);
    EXPECT_EQ(GetRenovexPath(), L"");
    EXPECT_EQ(GetSerialNumbers(), L"");
}

TEST_F(SettingsStoreTest, SwitchWordsAndNumbersFollowTheirOwnRules) {
    SetAgent("AutoUpdate", "true");
    SetAgent("CountExtractionEnabled", "true");
    SetAgent("CheckFirmwareUpdatesEnabled", "1 ");
    EXPECT_FALSE(GetAutoUpdate());
    EXPECT_TRUE(GetCountExtractionEnabled());
    EXPECT_FALSE(GetCheckFirmwareUpdatesEnabled());

    SetAgent("AutoUpdate", "1");
    SetAgent("CountExtractionEnabled", "0");
    SetAgent("CheckFirmwareUpdatesEnabled", "1");
    EXPECT_TRUE(GetAutoUpdate());
    EXPECT_FALSE(GetCountExtractionEnabled());
    EXPECT_TRUE(GetCheckFirmwareUpdatesEnabled());
    SetAgent("CountExtractionEnabled", "");
    EXPECT_TRUE(GetCountExtractionEnabled());

    SetAgent("CountExtractionPeriod", " 750ms");
    SetAgent("LoadTimeout", "abc");
    EXPECT_EQ(GetCountExtractionPeriod(), 750);
    EXPECT_EQ(GetLoadTimeout(), 0);
    SetAgent("LoadTimeout", "99999999999");
    EXPECT_EQ(GetLoadTimeout(), 2147483647);

    for (int entered : {0, 1, 2, -5}) {
        SetLoadTimeout(entered);
        EXPECT_EQ(hkcu.ReadString(kAgentKeyUtf8, "LoadTimeout"), "3") << entered;
    }
    SetLoadTimeout(45);
    EXPECT_EQ(GetLoadTimeout(), 45);
    SetCountExtractionEnabled(true);
    EXPECT_EQ(hkcu.ReadString(kAgentKeyUtf8, "CountExtractionEnabled"), "1");
    SetCountExtractionEnabled(false);
    EXPECT_EQ(hkcu.ReadString(kAgentKeyUtf8, "CountExtractionEnabled"), "0");
    SetCountExtractionPeriod(1200);
    EXPECT_EQ(hkcu.ReadString(kAgentKeyUtf8, "CountExtractionPeriod"), "1200");
    // Every value of the agent key is a string, numbers included.
    EXPECT_EQ(hkcu.Read(kAgentKeyUtf8, "CountExtractionPeriod")->type,
              platform::RegistryValue::Type::String);

    SetExtractionScansFolder(L"/srv/скан");
    EXPECT_EQ(GetExtractionScansFolder(), L"/srv/скан");
    SetExtractionHotFolder(L"");
    EXPECT_EQ(GetExtractionHotFolder(), L"");
    SetAgent("CurrentLanguage", "");
    EXPECT_EQ(GetCurrentLanguage(), std::wstring());
}

TEST_F(SettingsStoreTest, StoredCheckTimeFollowsTheAgentsPattern) {
    struct Case {
        const char* text;
        int hour;
        int minute;
    } cases[] = {
        {"07:05", 7, 5}, {"7:5", 3, 0},         {"25:30", 3, 30}, {"24:60", 24, 60},
        {"", 3, 0},      {" 7:05", 3, 0},       {"1a:2b", 1, 2},  {"-1:00", 3, 0},
        {"0:00", 0, 0},  {"\xD0\xB0:00", 3, 0},
    };
    for (const auto& c : cases) {
        SetAgent("CheckFirmwareUpdatesTime", c.text);
        int hour = -1;
        int minute = -1;
        GetCheckFirmwareUpdatesTime(hour, minute);
        EXPECT_EQ(hour, c.hour) << c.text;
        EXPECT_EQ(minute, c.minute) << c.text;
    }
}

TEST_F(SettingsStoreTest, StoredCheckTimeAndOptionsRecordReadTogether) {
    SetAgent("ServerName", "updates.local");
    SetAgent("AutoUpdate", "1");
    SetAgent("CheckFirmwareUpdatesTime", "25:30");
    SetAgent("CheckFirmwareUpdatesEnabled", "1");
    AgentOptionsRecord record;
    std::lock_guard lock(record.mutex);
    EXPECT_TRUE(record.options.autoUpdate);
    EXPECT_EQ(record.options.serverName, L"updates.local");
    EXPECT_EQ(record.options.checkHour, 3);
    EXPECT_EQ(record.options.checkMinute, 30);
    EXPECT_TRUE(record.options.checkEnabled);
}

TEST_F(SettingsStoreTest, RegistryFunctionsNormaliseKeysAndReportFailures) {
    std::wstring out = L"stale";
    EXPECT_FALSE(RegReadString(kAgentKey, L"ServerName", out));
    EXPECT_EQ(out, L"");

    EXPECT_TRUE(
        RegWriteString(L"Software\\\\Quorin\\\\Zelt\\\\AgentZelt", L"ServerName", L"сервер \"1\""));
    EXPECT_TRUE(RegReadString(L"SOFTWARE\\Quorin\\Zelt\\AgentZelt", L"servername", out));
    EXPECT_EQ(out, L"сервер \"1\"");
    EXPECT_TRUE(RegReadString(L"Software\\\\Quorin\\Zelt\\\\AgentZelt", L"ServerName", out));
    EXPECT_EQ(out, L"сервер \"1\"");
    EXPECT_EQ(GetServerName(), L"сервер \"1\"");
    EXPECT_FALSE(RegWriteString(kAgentKey, L"X", nullptr));

    // The narrow reader serves the logging library's machine-wide settings.
    RegistryStore hklm(RegistryRoot::LocalMachine);
    ASSERT_TRUE(hklm.WriteString("Software\\Kavro\\Greywick", "settings_filename", "/etc/gw.xml"));
    std::string narrow = "stale";
    EXPECT_TRUE(RegReadStringA("Software\\\\Kavro\\\\Greywick", "settings_filename", narrow,
                               RegistryRoot::LocalMachine));
    EXPECT_EQ(narrow, "/etc/gw.xml");
    EXPECT_FALSE(RegReadStringA("Software\\Kavro\\Greywick", "settings_filename", narrow));
    EXPECT_EQ(narrow, "");

    // A value holding a NUL byte reads up to it.
    ASSERT_TRUE(hkcu.WriteString(kAgentKeyUtf8, "Nul", std::string("ab\0cd", 5)));
    EXPECT_TRUE(RegReadString(kAgentKey, L"Nul", out));
    EXPECT_EQ(out, L"ab");

    // An unwritable registry folder: the write fails and the read still gives the default.
    test::ScopedEnv broken("VORN_REGISTRY_DIR", "/proc/vorn-no-such-folder");
    EXPECT_FALSE(RegWriteString(kAgentKey, L"ServerName", L"x"));
    SetLoadTimeout(10);
    EXPECT_EQ(GetLoadTimeout(), 30);
}

TEST_F(SettingsStoreTest, TheTwoServerNamesAreKeptApart) {
    SetAgent("ServerName", "agent.example");
    SetHttpServerName(L"http.example");
    SetHttpServerPort(8080);
    EXPECT_EQ(GetServerName(), L"agent.example");
    EXPECT_EQ(GetHttpServerName(), L"http.example");
    EXPECT_EQ(GetHttpServerPort(), 8080);
    EXPECT_EQ(hkcu.ReadString("Software\\QUORIN\\Vorn_Update\\SpecificPlatforms", "ServerName"),
              "http.example");
    EXPECT_EQ(hkcu.Read("Software\\QUORIN\\Vorn_Update\\SpecificPlatforms", "ServerPort")->type,
              platform::RegistryValue::Type::Dword);
    EXPECT_EQ(hkcu.ReadString(kAgentKeyUtf8, "ServerName"), "agent.example");
}

TEST_F(SettingsStoreTest, ProfileFoldersAndHistory) {
    RememberBlackListFolder(L"/home/op/lists/a.blist");
    EXPECT_EQ(GetBlackListPath(), L"/home/op/lists");
    RememberBlackListFolder(L"C:\\lists/x\\b.blist");
    EXPECT_EQ(GetBlackListPath(), L"C:\\lists/x");
    RememberBlackListFolder(L"nofolder.blist");
    EXPECT_EQ(GetBlackListPath(), L"C:\\lists/x");
    RememberRamFileFolder(L"/tmp/ram.zip");
    EXPECT_EQ(GetRamFilePath(), L"/tmp");
    EXPECT_EQ(FolderOfChosenPath(L"/a.zip"), L"");

    SetLastRamFilename(L"log.txt");
    SetSerialNumbers(L"1|2|3");
    SetRenovexPath(L"/opt/renovex");
    EXPECT_EQ(GetLastRamFilename(), L"log.txt");
    EXPECT_EQ(GetSerialNumbers(), L"1|2|3");
    EXPECT_EQ(GetRenovexPath(), L"/opt/renovex");
    EXPECT_EQ(hkcu.ReadString("Software\\QUORIN\\Vorn_Update\\History", "LastRamFilename"),
              "log.txt");

    // A port stored as text is still a number to the profile.
    ASSERT_TRUE(
        hkcu.WriteString("Software\\QUORIN\\Vorn_Update\\SpecificPlatforms", "ServerPort", "4000"));
    EXPECT_EQ(GetHttpServerPort(), 4000);
    ASSERT_TRUE(
        hkcu.WriteString("Software\\QUORIN\\Vorn_Update\\SpecificPlatforms", "ServerPort", "port"));
    EXPECT_EQ(GetHttpServerPort(), 3000);
}

TEST_F(SettingsStoreTest, ConcurrentWritersKeepEachOthersValuesAndUnknownLines) {
    test::WriteFileBytes(dir / "HKEY_CURRENT_USER.reg",
                         "Windows Registry Editor Version 5.00\n\n"
                         "[HKEY_CURRENT_USER\\Software\\Quorin\\Zelt\\AgentZelt]\n"
                         "\"AgentPrivate\"=hex(7):41,00,00,00,00,00\n"
                         "; the agent's note\n");
    std::thread agent([&] {
        RegistryStore own(RegistryRoot::CurrentUser);
        for (int i = 0; i < 40; ++i) {
            EXPECT_TRUE(own.WriteString(kAgentKeyUtf8, "ServerName", "s" + std::to_string(i)));
        }
    });
    for (int i = 0; i < 40; ++i) {
        SetCountExtractionPeriod(i);
        AppProfile::WriteInt(kSpecificPlatforms, L"ServerPort", i);
    }
    agent.join();
    EXPECT_EQ(GetServerName(), L"s39");
    EXPECT_EQ(GetCountExtractionPeriod(), 39);
    EXPECT_EQ(GetHttpServerPort(), 39);
    std::string text = test::ReadFileBytes(dir / "HKEY_CURRENT_USER.reg");
    EXPECT_NE(text.find("\"AgentPrivate\"=hex(7):41,00,00,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("; the agent's note\n"), std::string::npos);
}

}  // namespace
}  // namespace vorn
