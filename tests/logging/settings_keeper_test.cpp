#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "logging/CSettingsKeeper.h"
#include "logging/GreywickRegistry.h"
#include "logging/LevelTable.h"
#include "logging/SettingsSearch.h"
#include "platform/KnownFolders.h"
#include "platform/PathText.h"
#include "platform/RegistryStore.h"
#include "support/TestEnvironment.h"

using Kavro::Greywick::CSettingsKeeper;
using Kavro::Greywick::FindModuleLevelList;
using Kavro::Greywick::LevelTable;
using Kavro::Greywick::ParseRegistryBool;
using vorn::platform::RegistryRoot;
using vorn::platform::RegistryStore;
using vorn::test::ScopedEnv;
using vorn::test::TempDir;
using vorn::test::WaitFor;
using vorn::test::WriteFileBytes;

namespace {

LevelTable TableOf(const std::string& list) {
    LevelTable table;
    table.Apply(list);
    return table;
}

std::vector<std::uint32_t> EnabledBelow(const LevelTable& table, std::uint32_t limit) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t level = 0; level < limit; ++level) {
        if (table.IsEnabled(level)) {
            out.push_back(level);
        }
    }
    return out;
}

using Levels = std::vector<std::uint32_t>;

std::string SettingsFor(const std::string& clients, const std::string& traced,
                        const std::string& nontraced) {
    return "<?xml version=\"1.0\"?>\r\n<GreywickSettings>\r\n <clients>\r\n" + clients +
           " </clients>\r\n <globals>\r\n  <loglevel>\r\n   <traced_modules val=\"" + traced +
           "\" />\r\n   <nontraced_modules val=\"" + nontraced +
           "\" />\r\n  </loglevel>\r\n </globals>\r\n</GreywickSettings>\r\n";
}

// A machine registry and a settings folder of the test's own.
class KeeperFixture : public ::testing::Test {
protected:
    KeeperFixture() : registryEnv_("VORN_REGISTRY_DIR", (temp_ / "registry").string()) {
        std::filesystem::create_directories(temp_ / "registry");
        std::filesystem::create_directories(settingsDir_);
        SetRegistry("settings_filename", settingsPath_.string());
    }

    void SetRegistry(const std::string& name, const std::string& value) {
        ASSERT_TRUE(RegistryStore(RegistryRoot::LocalMachine)
                        .WriteString("Software\\Kavro\\Greywick", name, value));
    }

    void WriteSettings(const std::string& list) { WriteSettingsTo(settingsPath_, list); }
    void WriteSettingsTo(const std::filesystem::path& path, const std::string& list) {
        WriteFileBytes(path, SettingsFor(" <module><name val=\"Tool.BIN\"/><loglevel val=\"" +
                                             list + "\"/></module>\r\n",
                                         "", ""));
    }

    TempDir temp_;
    ScopedEnv registryEnv_;
    std::filesystem::path settingsDir_ = temp_ / "settings";
    std::filesystem::path settingsPath_ = settingsDir_ / "gwsettings.xml";
    std::filesystem::path module_ = "/opt/vorn/tool.bin";
};

}  // namespace

TEST(LevelList, RangesSinglesAndThreshold) {
    const LevelTable table = TableOf("1-3,7,100+");
    EXPECT_EQ(EnabledBelow(table, 100), (Levels{1, 2, 3, 7}));
    for (const std::uint32_t level : {100u, 101u, 511u, 512u, 600u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(table.IsEnabled(level)) << level;
    }

    const LevelTable high = TableOf("600-700,900");
    EXPECT_TRUE(EnabledBelow(high, 512).empty());
    EXPECT_TRUE(high.IsEnabled(600));
    EXPECT_TRUE(high.IsEnabled(650));
    EXPECT_TRUE(high.IsEnabled(700));
    EXPECT_TRUE(high.IsEnabled(900));
    EXPECT_FALSE(high.IsEnabled(701));
    EXPECT_FALSE(high.IsEnabled(899));

    // A range that crosses 512 sets the flags below and is searched above.
    const LevelTable crossing = TableOf("510-515");
    EXPECT_EQ(EnabledBelow(crossing, 520), (Levels{510, 511, 512, 513, 514, 515}));
}

TEST(LevelList, ItemsAreReadForgivingly) {
    EXPECT_EQ(EnabledBelow(TableOf(" 1 - 2 , 5 , 8+ "), 10), (Levels{1, 2, 5, 8, 9}));
    // An empty item between two commas is level 0; nothing else adds it.
    EXPECT_EQ(EnabledBelow(TableOf("4,,6"), 10), (Levels{0, 4, 6}));
    EXPECT_EQ(EnabledBelow(TableOf(",4,"), 10), (Levels{4}));
    EXPECT_TRUE(EnabledBelow(TableOf(""), 1000).empty());
    // Reversed ranges and items starting with "+" are dropped; letters read as 0.
    EXPECT_EQ(EnabledBelow(TableOf("5-3,+2,abc,7x"), 10), (Levels{0, 7}));
    // "-" first or last is no range: the item is the number it starts with.
    EXPECT_EQ(EnabledBelow(TableOf("-5,6-"), 10), (Levels{0, 6}));
    // Numbers too big for 32 bits saturate instead of wrapping round to small levels.
    const LevelTable huge = TableOf("4294967296+,4294967301");
    EXPECT_TRUE(EnabledBelow(huge, 1000).empty());
    EXPECT_EQ(huge.Threshold(), LevelTable::kNoThreshold);
    EXPECT_TRUE(huge.IsEnabled(0xFFFFFFFFu));
}

TEST(LevelList, ThresholdOrderGivesTheSameLevels) {
    const LevelTable before = TableOf("10,5+");
    const LevelTable after = TableOf("5+,10");
    EXPECT_EQ(before.Threshold(), 5u);
    EXPECT_EQ(after.Threshold(), 5u);
    EXPECT_EQ(EnabledBelow(before, 600), EnabledBelow(after, 600));
    EXPECT_EQ(EnabledBelow(before, 10), (Levels{5, 6, 7, 8, 9}));
    // A lower threshold later in the list wins.
    EXPECT_EQ(TableOf("50+,20+,30+").Threshold(), 20u);
}

TEST(LevelList, RegistryBooleans) {
    for (const char* yes : {"1", "true", "TRUE", "Yes", "yEs"}) {
        EXPECT_TRUE(ParseRegistryBool(yes, false, false)) << yes;
    }
    for (const char* no : {"0", "false", "False", "no", "NO"}) {
        EXPECT_FALSE(ParseRegistryBool(no, true, true)) << no;
    }
    EXPECT_TRUE(ParseRegistryBool("", true, false));
    EXPECT_FALSE(ParseRegistryBool("", false, true));
    EXPECT_TRUE(ParseRegistryBool("maybe", false, true));
    EXPECT_FALSE(ParseRegistryBool("yes ", true, false));
}

TEST(SettingsFile, ModuleListThenTracedThenNontraced) {
    const std::string clients =
        "  <module>\r\n   <name val=\"other.exe\"/>\r\n   <loglevel val=\"1\"/>\r\n  </module>\r\n"
        "  <module>\r\n   <name val=\"Vorn_Update.EXE\" />\r\n   <loglevel val=\"1-3,100+\"/>\r\n"
        "  </module>\r\n"
        "  <module><name val=\"listed.exe\"/></module>\r\n";
    const std::string text = SettingsFor(clients, "7", "8,9");

    EXPECT_EQ(FindModuleLevelList(text, "vorn_update.exe"), "1-3,100+");
    EXPECT_EQ(FindModuleLevelList(text, "other.exe"), "1");
    EXPECT_EQ(FindModuleLevelList(text, "LISTED.exe"), "7");
    EXPECT_EQ(FindModuleLevelList(text, "stranger.exe"), "8,9");
    // A name that merely begins like the module's is another module.
    EXPECT_EQ(FindModuleLevelList(text, "vorn_update.ex"), "8,9");
    // Cyrillic capitals in the file match the lower-case module name.
    const std::string cyrillic = SettingsFor(
        "<module><name val=\"\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x91\xD0\x90\"/><loglevel val=\"5\"/>"
        "</module>",
        "", "");
    EXPECT_EQ(FindModuleLevelList(cyrillic, "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB1\xD0\xB0"), "5");

    // Globals written before clients are found as well.
    const std::string globalsFirst =
        "<greywicksettings><globals><loglevel><nontraced_modules val=\"42\"/></loglevel>"
        "</globals><clients></clients></greywicksettings>";
    EXPECT_EQ(FindModuleLevelList(globalsFirst, "x"), "42");

    EXPECT_EQ(FindModuleLevelList("<other>nothing</other>", "x"), "");
    EXPECT_EQ(FindModuleLevelList("", "x"), "");
    EXPECT_EQ(FindModuleLevelList("<GreywickSettings><clients><module>", "x"), "");
}

TEST_F(KeeperFixture, NoSettingsFileEnablesLevelsBelow100AndDoesNotWatch) {
    CSettingsKeeper keeper(module_, false);
    EXPECT_FALSE(keeper.IsLoaded());
    EXPECT_FALSE(keeper.IsWatching());
    EXPECT_TRUE(keeper.IsLevelEnabled(0));
    EXPECT_TRUE(keeper.IsLevelEnabled(99));
    EXPECT_FALSE(keeper.IsLevelEnabled(100));
    EXPECT_FALSE(keeper.IsLevelEnabled(600));
    EXPECT_EQ(keeper.SettingsPath(), settingsPath_.string());
    EXPECT_EQ(keeper.ModuleName(), "tool.bin");
}

TEST_F(KeeperFixture, DefaultPathWithoutRegistryValue) {
    std::filesystem::remove(temp_ / "registry" / "HKEY_LOCAL_MACHINE.reg");
    CSettingsKeeper keeper(module_, true);
    EXPECT_EQ(keeper.SettingsPath(),
              vorn::platform::PathToUtf8(vorn::platform::DefaultLogSettingsFile()));
}

TEST_F(KeeperFixture, SavedEditTakesEffectAndFolderRenameEndsWatching) {
    WriteSettings("1-3,7,100+");
    std::filesystem::create_directories(settingsDir_ / "sub");
    CSettingsKeeper keeper(module_, false);
    ASSERT_TRUE(keeper.IsLoaded());
    EXPECT_TRUE(keeper.IsWatching());
    EXPECT_TRUE(keeper.IsLevelEnabled(7));
    EXPECT_FALSE(keeper.IsLevelEnabled(50));
    EXPECT_TRUE(keeper.IsLevelEnabled(600));

    // Other files in the folder do not matter; the settings file does.
    WriteFileBytes(settingsDir_ / "unrelated.txt", "x");
    WriteSettings("50");
    EXPECT_TRUE(WaitFor([&] { return keeper.IsLevelEnabled(50) && !keeper.IsLevelEnabled(7); }));
    EXPECT_FALSE(keeper.IsLevelEnabled(600));

    // Saved the way editors do: a new file renamed over the old one.
    const std::filesystem::path temporary = settingsDir_ / "gwsettings.xml.new";
    WriteSettingsTo(temporary, "60");
    // On Windows the name cannot be replaced while the keeper reads the file (after the last
    // edit): the editor tries again, as editors there do.
    std::error_code renamed;
    ASSERT_TRUE(WaitFor([&] {
        std::filesystem::rename(temporary, settingsPath_, renamed);
        return !renamed;
    })) << renamed.message();
    EXPECT_TRUE(WaitFor([&] { return keeper.IsLevelEnabled(60) && !keeper.IsLevelEnabled(50); }));

    std::filesystem::rename(settingsDir_ / "sub", settingsDir_ / "renamed");
    EXPECT_TRUE(WaitFor([&] { return !keeper.IsWatching(); }));
    // A keeper that still watches sees the next edit; by then this one would have too.
    CSettingsKeeper witness(module_, false);
    WriteSettings("70");
    ASSERT_TRUE(WaitFor([&] { return witness.IsLevelEnabled(70); }));
    EXPECT_TRUE(keeper.IsLevelEnabled(60));
    EXPECT_FALSE(keeper.IsLevelEnabled(70));
}

TEST_F(KeeperFixture, UnreadableFileAfterEditFallsBackToDefaults) {
    WriteSettings("200");
    CSettingsKeeper keeper(module_, false);
    ASSERT_TRUE(keeper.IsLevelEnabled(200));
    std::filesystem::remove(settingsPath_);
    std::filesystem::create_directory(settingsPath_);  // a folder in the file's place
    // Creating a folder is a folder-name change: the watcher ends; a direct reload still works.
    EXPECT_TRUE(WaitFor([&] { return !keeper.IsWatching(); }));
    keeper.Load(settingsPath_.string());
    EXPECT_FALSE(keeper.IsLoaded());
    EXPECT_TRUE(keeper.IsLevelEnabled(99));
    EXPECT_FALSE(keeper.IsLevelEnabled(200));
}

TEST_F(KeeperFixture, SuppressionPreventsTheWatcher) {
    WriteSettings("5");
    {
        CSettingsKeeper keeper(module_, true);
        EXPECT_TRUE(keeper.IsLoaded());
        EXPECT_FALSE(keeper.IsWatching());
        // A keeper that watches sees the edit; by then this one would have too.
        CSettingsKeeper witness(module_, false);
        WriteSettings("6");
        ASSERT_TRUE(WaitFor([&] { return witness.IsLevelEnabled(6); }));
        EXPECT_TRUE(keeper.IsLevelEnabled(5));
        EXPECT_FALSE(keeper.IsLevelEnabled(6));
    }
}

TEST_F(KeeperFixture, DestructionStopsTheWatcherPromptly) {
    WriteSettings("5");
    const auto start = std::chrono::steady_clock::now();
    {
        CSettingsKeeper keeper(module_, false);
        ASSERT_TRUE(keeper.IsWatching());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));  // a hang
}

TEST_F(KeeperFixture, ReadersDuringReloadsNeverSeeAnEmptyTable) {
    WriteSettings("5,300");
    CSettingsKeeper keeper(module_, true);
    std::atomic<bool> done{false};
    std::atomic<int> misses{0};
    std::thread reader([&] {
        while (!done) {
            if (!keeper.IsLevelEnabled(5)) {
                ++misses;
            }
        }
    });
    for (int i = 0; i < 200; ++i) {
        keeper.Load(settingsPath_.string());
    }
    done = true;
    reader.join();
    EXPECT_EQ(misses.load(), 0);
}
