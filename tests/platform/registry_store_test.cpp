#include "platform/RegistryStore.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

using namespace std::string_view_literals;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

constexpr const char* kKey = "Software\\Quorin\\Zelt\\AgentZelt";

class RegistryStoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "HKEY_CURRENT_USER.reg";
    RegistryStore store{file, "HKEY_CURRENT_USER"};
};

TEST_F(RegistryStoreTest, ReadsHandWrittenFileWithEscapesCaseAndOtherTypes) {
    WriteFileBytes(file,
                   "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                   "\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Quorin\\Zelt\\AgentZelt]\r\n"
                   "\"ServerName\"=\"a\\\\b \\\"q\\\" \xD0\xBF\xD1\x80\xD0\xB8\"\r\n"
                   "\"Port\"=dword:00000bb8\r\n"
                   "\"Multi\"=hex(2):41,00,0a,00,\\\r\n"
                   "  42,00,00,00\r\n"
                   "\"Raw\"=hex:61,62,00,63\r\n"
                   "\"Gone\"=-\r\n"
                   "\"Broken\"=dword:zz\r\n"
                   "@=\"default\"\r\n");
    EXPECT_EQ(store.ReadString("software\\QUORIN\\zelt\\agentzelt", "servername"),
              "a\\b \"q\" \xD0\xBF\xD1\x80\xD0\xB8");
    EXPECT_EQ(store.ReadDword(kKey, "PORT"), 3000u);
    EXPECT_EQ(store.ReadString(kKey, "Port"), "3000");
    EXPECT_EQ(store.ReadString(kKey, "Multi"), "A\nB");
    EXPECT_EQ(store.ReadString(kKey, "Raw"), "ab");
    EXPECT_FALSE(store.ReadString(kKey, "Gone"));
    EXPECT_FALSE(store.ReadString(kKey, "Broken"));
    EXPECT_EQ(store.ReadString(kKey, ""), "default");
    EXPECT_EQ(store.ReadString(kKey, "@"), "default");
    EXPECT_FALSE(store.ReadString("Software\\Quorin\\Zelt", "ServerName"));
    EXPECT_TRUE(store.KeyExists("Software\\Quorin"));
    EXPECT_FALSE(store.KeyExists("Software\\Quor"));
}

TEST_F(RegistryStoreTest, BrokenAndMissingFilesReadAsEmpty) {
    EXPECT_FALSE(store.ReadString(kKey, "ServerName"));
    const std::vector<std::string> broken = {
        "",
        "[",
        "]",
        "\"",
        "\"a\"",
        "\"a\"=",
        "[HKEY_CURRENT_USER\\Software]\n\"a\"=\"unterminated\n\"b\"=hex:1",
        "[HKEY_CURRENT_USER\\Software]\n\"a\"=hex:41,\\",
        "[HKEY_CURRENT_USER\\Software]\n\"a\"=dword:123456789",
        "[HKEY_CURRENT_USER\\Software]\n\"a\"=hex(1):41",
        std::string("[HKEY_CURRENT_USER\\Software]\n\"a\"=\"x\0y\""sv),
    };
    for (const auto& content : broken) {
        WriteFileBytes(file, content);
        EXPECT_NO_THROW({
            auto v = store.ReadString("Software", "a");
            if (content.find("dword:123456789") != std::string::npos) {
                EXPECT_FALSE(v);
            }
        }) << content;
    }
    // A damaged string ending in a backslash does not run on into the key after it, which a
    // write appending there would lose.
    WriteFileBytes(file,
                   "[HKEY_CURRENT_USER\\Software]\n\"a\"=\"x\\\\\n\n"
                   "[HKEY_CURRENT_USER\\Software\\B]\n\"b\"=\"kept\"\n");
    EXPECT_EQ(store.ReadString("Software\\B", "b"), "kept");
    // Random bytes: nothing read may crash.
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string junk;
        std::uniform_int_distribution<int> len(0, 300);
        const std::string alphabet = "[]\"\\=@:,-hexdword0123456789abcdefHKEY_\r\n \xD0\xFF";
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
        for (int i = len(rng); i > 0; --i) {
            junk.push_back(alphabet[pick(rng)]);
        }
        WriteFileBytes(file, junk);
        (void)store.ReadString("Software", "a");
        (void)store.KeyExists("Software");
    }
}

TEST_F(RegistryStoreTest, WritesRoundTripAndKeepUnknownLines) {
    WriteFileBytes(file,
                   "Windows Registry Editor Version 5.00\n"
                   "\n"
                   "; a comment someone wrote\n"
                   "[HKEY_CURRENT_USER\\Software\\Other]\n"
                   "\"Keep\"=hex(7):41,00,00,00,00,00\n"
                   "something we do not know\n"
                   "\n"
                   "[HKEY_CURRENT_USER\\Software\\Quorin\\Zelt\\AgentZelt]\n"
                   "\"ServerName\"=\"old\"\n"
                   "\"Other\"=\"x\"\n"
                   "\n"
                   "[HKEY_CURRENT_USER\\Software\\Later]\n"
                   "\"L\"=\"1\"\n");
    ASSERT_TRUE(store.WriteString(kKey, "SERVERNAME", "new \"one\" c:\\"));
    ASSERT_TRUE(store.WriteString(kKey, "Added", "line1\nline2\r\n\xD0\xAF"));
    ASSERT_TRUE(
        store.WriteDword("Software\\QUORIN\\Vorn_Update\\SpecificPlatforms", "ServerPort", 3000));
    EXPECT_EQ(store.ReadString(kKey, "ServerName"), "new \"one\" c:\\");
    EXPECT_EQ(store.ReadString(kKey, "Added"), "line1\nline2\r\n\xD0\xAF");
    EXPECT_EQ(store.ReadDword("Software\\Quorin\\Vorn_Update\\SpecificPlatforms", "ServerPort"),
              3000u);
    EXPECT_EQ(store.ReadString(kKey, "Other"), "x");
    EXPECT_EQ(store.ReadString("Software\\Later", "L"), "1");

    std::string text = ReadFileBytes(file);
    EXPECT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\n"));
    EXPECT_NE(text.find("; a comment someone wrote\n"), std::string::npos);
    EXPECT_NE(text.find("\"Keep\"=hex(7):41,00,00,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("something we do not know\n"), std::string::npos);
    // The value stays in its section and is written once.
    EXPECT_EQ(text.find("\"ServerName\""), text.rfind("\"ServerName\""));
    EXPECT_LT(text.find("\"Added\""), text.find("[HKEY_CURRENT_USER\\Software\\Later]"));
    EXPECT_NE(text.find("\"ServerPort\"=dword:00000bb8"), std::string::npos);
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        files += entry.path().filename().string().starts_with(".") ? 100 : 1;
    }
    EXPECT_EQ(files, 2);  // the file and its lock file
}

// A value written again unchanged leaves the file alone; any change still replaces it.
TEST_F(RegistryStoreTest, AnUnchangedValueDoesNotRewriteTheFile) {
    ASSERT_TRUE(store.WriteString(kKey, "MainWindowTitle", "Vorn Update v1"));
    ASSERT_TRUE(store.WriteDword(kKey, "Port", 7));
    // A second name for the file as written: a replaced file no longer is this one.
    const auto witness = dir / "witness";
    std::filesystem::create_hard_link(file, witness);
    EXPECT_TRUE(store.WriteString(kKey, "MainWindowTitle", "Vorn Update v1"));
    EXPECT_TRUE(store.WriteDword(kKey, "Port", 7));
    EXPECT_TRUE(std::filesystem::equivalent(file, witness));

    for (const char* title : {"Vorn Update v2", "vorn update v2"}) {
        ASSERT_TRUE(store.WriteString(kKey, "MainWindowTitle", title));
        EXPECT_EQ(store.ReadString(kKey, "MainWindowTitle"), title);
    }
    EXPECT_FALSE(std::filesystem::equivalent(file, witness));
}

TEST_F(RegistryStoreTest, WritingCreatesFolderFileAndKey) {
    RegistryStore nested(dir / "a" / "b" / "HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE");
    ASSERT_TRUE(nested.WriteString("Software\\\\Kavro\\Greywick", "settings_filename", "/x.xml"));
    EXPECT_EQ(nested.ReadString("Software\\Kavro\\Greywick", "settings_filename"), "/x.xml");
    EXPECT_EQ(ReadFileBytes(nested.file()),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Kavro\\Greywick]\n"
              "\"settings_filename\"=\"/x.xml\"\n");
    EXPECT_FALSE(nested.WriteString("", "x", "y"));
}

// A line break in a key or value name would let the rest of it read as lines of their own: such
// writes are refused and the file stays as it was.
TEST_F(RegistryStoreTest, NamesWithLineBreaksAreRefused) {
    ASSERT_TRUE(store.WriteString(kKey, "ServerName", "a"));
    const std::string before = ReadFileBytes(file);
    const std::string injected = "\n[HKEY_CURRENT_USER\\Software\\Injected]\n\"Evil\"=\"1";
    struct Case {
        std::string key;
        std::string name;
    };
    for (const Case& c :
         {Case{kKey, "x" + injected}, Case{kKey, "x\ry"}, Case{kKey, std::string("x\0y", 3)},
          Case{std::string(kKey) + injected, "Name"}}) {
        EXPECT_FALSE(store.WriteString(c.key, c.name, "v"));
        EXPECT_FALSE(store.WriteDword(c.key, c.name, 1));
    }
    EXPECT_FALSE(store.CreateKey(std::string(kKey) + injected));
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_FALSE(store.KeyExists("Software\\Injected"));
}

}  // namespace
}  // namespace vorn::platform
