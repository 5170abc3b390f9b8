#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "LanguageDatabase.h"
#include "support/TestEnvironment.h"
#include "translation/Vocabrix.h"

namespace {

using Localization::CVocabrix;
using Localization::LANGUAGE_INFO;

// Translating threads run against a thread that switches languages and cleans up. The pointers
// returned are not read here: CleanUp on another thread may free them at any moment, which is
// the documented contract. What is checked is the storage's own state, under the race detector.
TEST(VocabrixThreadsTest, TranslatesWhileLanguagesChange) {
    vorn::test::TempDir dir;
    const auto file = dir / "lang.db";
    std::string sql =
        "CREATE TABLE ENG (source TEXT, destination TEXT);"
        "CREATE TABLE DEU (source TEXT, destination TEXT);";
    for (int i = 0; i < 50; ++i) {
        sql += "INSERT INTO ENG VALUES ('текст " + std::to_string(i) + "', 'text " +
               std::to_string(i) + "');";
        sql += "INSERT INTO DEU VALUES ('текст " + std::to_string(i) + "', 'Text " +
               std::to_string(i) + "');";
    }
    vorn::test::ExecSql(file, sql);
    const LANGUAGE_INFO languages[] = {{"ENG", "English", file.wstring()},
                                       {"DEU", "Deutsch", file.wstring()},
                                       {"XXX", "Missing", file.wstring()}};

    CVocabrix& storage = CVocabrix::Instance();
    storage.SetTranslateOn(true);
    storage.CleanUp();

    std::atomic<bool> stop{false};
    std::atomic<int> nulls{0};
    std::vector<std::thread> translators;
    for (int t = 0; t < 4; ++t) {
        translators.emplace_back([&, t] {
            std::vector<std::wstring> texts;
            for (int i = 0; i < 60; ++i) {
                texts.push_back(L"текст " + std::to_wstring(i + t));
            }
            const wchar_t* empty = L"";
            while (!stop.load()) {
                for (const std::wstring& text : texts) {
                    if (storage.TranslateString(text.c_str()) == nullptr) {
                        nulls.fetch_add(1);
                    }
                }
                if (storage.TranslateString(empty) != empty) {
                    nulls.fetch_add(1);
                }
            }
        });
    }
    std::thread selector([&] {
        std::pair<std::string, std::string> current;
        for (int round = 0; round < 150; ++round) {
            storage.SelectLanguage(languages[round % 3]);
            storage.GetCurrentLanguage(current);
            if (round % 5 == 0) {
                storage.SetTranslateOn(true);
                storage.CleanUp();
            }
        }
    });
    selector.join();
    stop.store(true);
    for (std::thread& t : translators) {
        t.join();
    }
    EXPECT_EQ(nulls.load(), 0);

    // With the threads gone, the storage is consistent: one language, its translations, and one
    // stored copy per untranslated text.
    storage.SelectLanguage(languages[0]);
    std::pair<std::string, std::string> current;
    storage.GetCurrentLanguage(current);
    EXPECT_EQ(current.first, "ENG");
    EXPECT_EQ(std::wstring(storage.TranslateString(L"текст 7")), L"text 7");
    const wchar_t* stored = storage.TranslateString(L"текст 99");
    EXPECT_EQ(storage.TranslateString(L"текст 99"), stored);
    storage.CleanUp();
    storage.SetTranslateOn(false);
}

}  // namespace
