#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "LanguageDatabase.h"
#include "platform/KnownFolders.h"
#include "support/TestEnvironment.h"
#include "translation/Vocabrix.h"

namespace {

using Localization::CVocabrix;
using Localization::LANGUAGE_INFO;

std::wstring Wide(const std::filesystem::path& path) {
    return path.wstring();
}

class VocabrixTest : public testing::Test {
protected:
    void SetUp() override {
        storage().SetTranslateOn(true);
        storage().CleanUp();
        vorn::test::ExecSql(file_,
                            "CREATE TABLE ENG (source TEXT, destination TEXT);"
                            "INSERT INTO ENG VALUES ('Выход', 'Exit'), ('Да', 'Yes'),"
                            "  ('Пусто', ''), ('Ничего', NULL), ('', 'Nothing'),"
                            "  ('Да', 'Second yes');"
                            "CREATE TABLE Translate (source TEXT, destination TEXT);"
                            "INSERT INTO Translate VALUES ('Выход', 'Quit');");
    }
    void TearDown() override {
        storage().CleanUp();
        storage().SetTranslateOn(false);
    }

    static CVocabrix& storage() { return CVocabrix::Instance(); }

    static std::pair<std::string, std::string> Current() {
        std::pair<std::string, std::string> current{"stale", "stale"};
        storage().GetCurrentLanguage(current);
        return current;
    }

    static std::wstring Translate(const wchar_t* text) { return storage().TranslateString(text); }

    LANGUAGE_INFO English() const { return {"ENG", "English", Wide(file_)}; }

    vorn::test::TempDir dir_;
    std::filesystem::path file_ = dir_ / "lang.db";
};

TEST_F(VocabrixTest, TranslationOffIsIdentityAndIgnoresSelection) {
    storage().SetTranslateOn(false);
    const wchar_t* text = L"Выход";
    EXPECT_EQ(storage().TranslateString(text), text);
    storage().SelectLanguage(English());
    EXPECT_EQ(Current(), std::make_pair(std::string(), std::string()));
    EXPECT_EQ(storage().TranslateString(text), text);

    // Null and empty texts come back unchanged even with translation on.
    storage().SetTranslateOn(true);
    EXPECT_EQ(storage().TranslateString(nullptr), nullptr);
    const wchar_t* empty = L"";
    EXPECT_EQ(storage().TranslateString(empty), empty);
}

TEST_F(VocabrixTest, UntranslatedTextIsStoredOnce) {
    const std::wstring first = L"Обновить все";
    const std::wstring second = first;  // a different buffer with the same text
    const wchar_t* stored = storage().TranslateString(first.c_str());
    ASSERT_NE(stored, first.c_str());
    EXPECT_EQ(std::wstring(stored), first);
    EXPECT_EQ(storage().TranslateString(second.c_str()), stored);
    EXPECT_EQ(Current().first, "");
}

TEST_F(VocabrixTest, LoadsTheLanguageTable) {
    storage().SelectLanguage(English());
    EXPECT_EQ(Current(), std::make_pair(std::string("ENG"), std::string("English")));
    EXPECT_EQ(Translate(L"Выход"), L"Exit");
    // The first of two rows with one source wins.
    EXPECT_EQ(Translate(L"Да"), L"Yes");
    // Rows with an empty or NULL destination are not loaded, so their texts stay untranslated.
    EXPECT_EQ(Translate(L"Пусто"), L"Пусто");
    EXPECT_EQ(Translate(L"Ничего"), L"Ничего");
    EXPECT_EQ(Translate(L"Выход"), L"Exit");
    // The returned pointer stays put across further insertions.
    const wchar_t* exit = storage().TranslateString(L"Выход");
    for (int i = 0; i < 200; ++i) {
        storage().TranslateString(std::to_wstring(i).c_str());
    }
    EXPECT_EQ(storage().TranslateString(L"Выход"), exit);
}

TEST_F(VocabrixTest, EmptyIdReadsTranslateTable) {
    storage().SelectLanguage({"", "Default", Wide(file_)});
    EXPECT_EQ(Current(), std::make_pair(std::string(), std::string("Default")));
    EXPECT_EQ(Translate(L"Выход"), L"Quit");
}

TEST_F(VocabrixTest, IdIsATableNameNotSql) {
    // Unquoted, this id would add a row of its own to the result.
    storage().SelectLanguage({"ENG UNION SELECT 'Нет', 'Injected'", "Evil", Wide(file_)});
    EXPECT_EQ(Current().first, "");
    EXPECT_EQ(Translate(L"Нет"), L"Нет");
    EXPECT_EQ(Translate(L"Выход"), L"Выход");

    // Ids with quotes name tables with quotes.
    vorn::test::ExecSql(file_,
                        "CREATE TABLE \"we\"\"ird\" (source TEXT, destination TEXT);"
                        "INSERT INTO \"we\"\"ird\" VALUES ('Выход', 'Weird exit');");
    storage().SelectLanguage({"we\"ird", "Weird", Wide(file_)});
    EXPECT_EQ(Current().first, "we\"ird");
    EXPECT_EQ(Translate(L"Выход"), L"Weird exit");
}

TEST_F(VocabrixTest, ReloadsOnlyWhenTheRecordDiffers) {
    storage().SelectLanguage(English());
    const wchar_t* untranslated = storage().TranslateString(L"Отмена");
    vorn::test::ExecSql(file_, "UPDATE ENG SET destination = 'Leave' WHERE source = 'Выход';");

    // Same record: nothing is read again, nothing recorded is lost.
    storage().SelectLanguage(English());
    EXPECT_EQ(Translate(L"Выход"), L"Exit");
    EXPECT_EQ(storage().TranslateString(L"Отмена"), untranslated);

    LANGUAGE_INFO renamed = English();
    renamed.name = "English (UK)";
    storage().SelectLanguage(renamed);
    EXPECT_EQ(Current().second, "English (UK)");
    EXPECT_EQ(Translate(L"Выход"), L"Leave");
}

TEST_F(VocabrixTest, FailedSelectionLeavesNoLanguage) {
    const LANGUAGE_INFO failing[] = {
        {"ENG", "No path", L""},
        {"ENG", "Missing file", Wide(dir_ / "missing.db")},
        {"ENG", "Directory", Wide(dir_.path())},
        {"FRA", "Missing table", Wide(file_)},
        {"ENG", "Not a database", Wide(dir_ / "text.db")},
    };
    vorn::test::WriteFileBytes(dir_ / "text.db", std::string(4096, 'x'));
    for (const LANGUAGE_INFO& info : failing) {
        SCOPED_TRACE(info.name);
        storage().SelectLanguage(English());
        ASSERT_EQ(Current().first, "ENG");
        storage().SelectLanguage(info);
        EXPECT_EQ(Current(), std::make_pair(std::string(), std::string()));
        EXPECT_EQ(Translate(L"Выход"), L"Выход");
    }
    // The database is never created.
    EXPECT_FALSE(std::filesystem::exists(dir_ / "missing.db"));
}

TEST_F(VocabrixTest, RowsReadBeforeAFailureStay) {
    // The third row fails while it is computed.
    vorn::test::ExecSql(file_,
                        "CREATE VIEW BAD AS SELECT source, CASE WHEN source = 'Да' "
                        "THEN abs(length(source) - 9223372036854775807 - 3) ELSE destination END "
                        "AS destination "
                        "FROM ENG;");
    storage().SelectLanguage({"BAD", "Broken", Wide(file_)});
    EXPECT_EQ(Current().first, "");
    EXPECT_EQ(Translate(L"Выход"), L"Exit");
}

TEST_F(VocabrixTest, CleanUpForgetsLanguageAndKeepsTranslationOn) {
    storage().SelectLanguage(English());
    const std::wstring before = Translate(L"Выход");
    storage().CleanUp();
    EXPECT_EQ(before, L"Exit");
    EXPECT_EQ(Current(), std::make_pair(std::string(), std::string()));
    const wchar_t* text = L"Выход";
    const wchar_t* stored = storage().TranslateString(text);
    EXPECT_NE(stored, text);  // still on: the text is recorded
    EXPECT_EQ(std::wstring(stored), L"Выход");
}

// The untranslated-texts file lives beside the test program, so all of its cases run in one
// test and leave no file behind.
class FlushTest : public VocabrixTest {
protected:
    void SetUp() override {
        VocabrixTest::SetUp();
        flushFile_ = vorn::platform::ProgramFolder() / "untranslated_data.txt";
        std::filesystem::remove(flushFile_);
    }
    void TearDown() override {
        std::filesystem::remove(flushFile_);
        VocabrixTest::TearDown();
    }
    std::string Flushed() const { return vorn::test::ReadFileBytes(flushFile_); }

    std::filesystem::path flushFile_;
};

TEST_F(FlushTest, WritesUntranslatedTextsInWindows1251) {
    // Empty storage: an existing file is left alone.
    vorn::test::WriteFileBytes(flushFile_, "old");
    storage().FlushUntranslated();
    EXPECT_EQ(Flushed(), "old");

    // Only translations: the old file is replaced by an empty one.
    storage().SelectLanguage(English());
    storage().FlushUntranslated();
    EXPECT_TRUE(std::filesystem::exists(flushFile_));
    EXPECT_EQ(Flushed(), "");

    // Untranslated texts in code-unit order, translated ones left out; a character the code page
    // lacks becomes '?' rather than cutting the file short.
    storage().TranslateString(L"Выход");
    storage().TranslateString(L"Пусто");
    storage().TranslateString(L"Ёлка №1");
    storage().TranslateString(L"\uFFFD\u4E2D");
    storage().TranslateString(L"Abc\tdef");
    storage().TranslateString(L"\U0001F600 end");
    storage().FlushUntranslated();
    const std::string expected =
        "Abc\tdef\r\n"
        "\xA8\xEB\xEA\xE0 \xB9"
        "1\r\n"
        "\xCF\xF3\xF1\xF2\xEE\r\n"
        "? end\r\n"
        "??\r\n";
    EXPECT_EQ(Flushed(), expected);

    // A second flush replaces the file instead of appending to it.
    storage().FlushUntranslated();
    EXPECT_EQ(Flushed(), expected);
}

// The untranslated record keeps a bounded number of texts of a bounded length; the rest is
// still shown (as itself), counted, and the count is logged when the record is flushed.
TEST_F(FlushTest, UntranslatedRecordIsBoundedAndCountsWhatItLeavesOut) {
    std::vector<std::string> lines;
    storage().SetLogSink([&lines](const std::string& line) { lines.push_back(line); });
    const std::wstring longest(CVocabrix::kMaxRecordedLength, L'д');
    const std::wstring tooLong(CVocabrix::kMaxRecordedLength + 1, L'д');
    EXPECT_NE(storage().TranslateString(longest.c_str()), longest.c_str());
    EXPECT_EQ(storage().TranslateString(tooLong.c_str()), tooLong.c_str());
    std::vector<std::wstring> texts;
    for (std::size_t i = 1; i < CVocabrix::kMaxRecordedTexts + 3; ++i) {
        texts.push_back(L"Устройство " + std::to_wstring(i));
    }
    std::size_t recorded = 1;
    for (const std::wstring& text : texts) {
        const wchar_t* got = storage().TranslateString(text.c_str());
        EXPECT_EQ(std::wstring(got), text);
        recorded += got != text.c_str() ? 1 : 0;
    }
    EXPECT_EQ(recorded, std::size_t{CVocabrix::kMaxRecordedTexts});
    // Recorded texts keep their stored copy; translations are unaffected by a full record.
    const std::wstring first = texts.front();
    EXPECT_NE(storage().TranslateString(first.c_str()), first.c_str());
    EXPECT_EQ(storage().LeftOutCount(), 4u);

    storage().FlushUntranslated();
    storage().SetLogSink({});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("4 left out"), std::string::npos) << lines[0];
    EXPECT_EQ(storage().LeftOutCount(), 0u);
    const std::string flushed = Flushed();
    EXPECT_EQ(static_cast<std::size_t>(std::count(flushed.begin(), flushed.end(), '\n')),
              std::size_t{CVocabrix::kMaxRecordedTexts});
}

}  // namespace
