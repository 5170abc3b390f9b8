#include "app/LanguageCatalogue.h"

#include <gtest/gtest.h>

#include "LanguageTestSupport.h"
#include "app/AgentSettings.h"
#include "platform/RegistryStore.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

using Localization::CVocabrix;

std::string CurrentId() {
    std::pair<std::string, std::string> current;
    CVocabrix::Instance().GetCurrentLanguage(current);
    return current.first;
}

class LanguageCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetTranslationStorage();
        ASSERT_TRUE(test::MakeLanguageDatabase(dir / "eng.db", "ENG", {{"Выход", "Exit"}}));
        ASSERT_TRUE(test::MakeLanguageDatabase(dir / "low.db", "rus", {{"Выход", "выход!"}}));
    }
    void TearDown() override { test::ResetTranslationStorage(); }

    void WriteCatalogue(const std::string& body) {
        test::WriteFileBytes(dir / "languages.xml", body);
    }
    void StoreLanguage(const char* id) {
        platform::RegistryStore hkcu(platform::RegistryRoot::CurrentUser);
        ASSERT_TRUE(hkcu.WriteString("Software\\Quorin\\Zelt\\AgentZelt", "CurrentLanguage", id));
    }
    const wchar_t* Exit() { return CVocabrix::Instance().TranslateString(L"Выход"); }

    test::TempDir dir;
    test::TempDir registry;
    test::ScopedEnv registryEnv{"VORN_REGISTRY_DIR", registry.path().string()};
    LanguageCatalogue catalogue{dir.path()};
};

TEST_F(LanguageCatalogueTest, ReadsEntriesInOrderSkippingIncompleteOnes) {
    WriteCatalogue(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<config><other/><languages>\n"
        "  <language id=\"ENG\" name=\"English\" file_path=\"eng.db\"/>\n"
        "  <language name=\"No id\" file_path=\"x.db\"/>\n"
        "  <language id=\"NONAME\" file_path=\"x.db\"/>\n"
        "  <language id=\"DEU\" name=\"Deutsch\"/>\n"
        "  <language id=\"ENG\" name=\"English again\" file_path=\"other.db\"/>\n"
        "  <language id=\"UKR\" name=\"Українська\" file_path=\"sub\\укр.db\"/>\n"
        "</languages><languages><language id=\"LATE\" name=\"x\"/></languages></config>\n");
    ASSERT_TRUE(catalogue.EnsureLoaded());
    auto entries = catalogue.Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].id, "ENG");
    EXPECT_EQ(entries[0].name, "English");
    EXPECT_EQ(entries[0].file_path, (dir / "eng.db").wstring());
    EXPECT_EQ(entries[1].id, "DEU");
    EXPECT_EQ(entries[1].file_path, L"");
    EXPECT_EQ(entries[3].name, "Українська");
    const std::wstring separator(1, std::filesystem::path::preferred_separator);
    EXPECT_EQ(entries[3].file_path,
              dir.path().wstring() + separator + L"sub" + separator + L"укр.db");

    // Two entries with one id: the first in the document wins.
    auto eng = catalogue.Find("ENG");
    ASSERT_TRUE(eng);
    EXPECT_EQ(eng->name, "English");
    EXPECT_FALSE(catalogue.Find("eng"));
    EXPECT_FALSE(catalogue.Find("LATE"));
}

TEST_F(LanguageCatalogueTest, FirstLanguagesElementInDocumentOrderWins) {
    // The nested catalogue comes first in the document, though a shallower one follows it.
    WriteCatalogue(
        "<config><group><languages><language id=\"FIRST\" name=\"a\"/></languages></group>"
        "<languages><language id=\"SHALLOW\" name=\"b\"/></languages></config>");
    ASSERT_TRUE(catalogue.EnsureLoaded());
    auto entries = catalogue.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, "FIRST");
}

TEST_F(LanguageCatalogueTest, FailedLoadsAreRetriedAndKeepTheList) {
    EXPECT_FALSE(catalogue.EnsureLoaded());
    EXPECT_FALSE(catalogue.Find("ENG"));
    WriteCatalogue("<languages><language id=\"ENG\" name=\"English\"");  // cut short
    EXPECT_FALSE(catalogue.EnsureLoaded());
    WriteCatalogue("<nothing/>");
    EXPECT_FALSE(catalogue.EnsureLoaded());
    WriteCatalogue(
        "<languages><language id=\"ENG\" name=\"English\" file_path=\"eng.db\"/>"
        "</languages>");
    EXPECT_TRUE(catalogue.Find("ENG"));
    // Loaded once, never reloaded.
    WriteCatalogue("<languages/>");
    EXPECT_TRUE(catalogue.Find("ENG"));
}

TEST_F(LanguageCatalogueTest, StoredLanguageDecidesWhetherTranslationIsOn) {
    WriteCatalogue(
        "<languages>"
        "<language id=\"ENG\" name=\"English\" file_path=\"eng.db\"/>"
        "<language id=\"rus\" name=\"lower\" file_path=\"low.db\"/>"
        "<language id=\"NOPATH\" name=\"No path\"/>"
        "</languages>");

    // Missing value: false, nothing changes.
    EXPECT_FALSE(catalogue.ApplyStoredLanguage());
    const wchar_t* text = L"Выход";
    EXPECT_EQ(CVocabrix::Instance().TranslateString(text), text);

    for (const char* off : {"", "RUS"}) {
        StoreLanguage(off);
        EXPECT_TRUE(catalogue.ApplyStoredLanguage()) << off;
        EXPECT_EQ(CVocabrix::Instance().TranslateString(text), text) << off;
        EXPECT_EQ(CurrentId(), "");
    }
    EXPECT_FALSE(catalogue.IsLoaded());  // never needed

    StoreLanguage("ENG");
    EXPECT_TRUE(catalogue.ApplyStoredLanguage());
    EXPECT_EQ(CurrentId(), "ENG");
    EXPECT_STREQ(Exit(), L"Exit");
}

TEST_F(LanguageCatalogueTest, LowerCaseRusIsAForeignLanguage) {
    WriteCatalogue(
        "<languages><language id=\"rus\" name=\"lower\" file_path=\"low.db\"/>"
        "</languages>");
    StoreLanguage("rus");
    EXPECT_TRUE(catalogue.ApplyStoredLanguage());
    EXPECT_EQ(CurrentId(), "rus");
    EXPECT_STREQ(Exit(), L"выход!");
}

TEST_F(LanguageCatalogueTest, EntryWithoutPathOrUnknownIdLoadsNothing) {
    WriteCatalogue("<languages><language id=\"NOPATH\" name=\"No path\"/></languages>");
    StoreLanguage("NOPATH");
    EXPECT_TRUE(catalogue.ApplyStoredLanguage());
    EXPECT_EQ(CurrentId(), "");
    // Translation is on without a language: texts come back unchanged (as the storage's copy).
    EXPECT_STREQ(Exit(), L"Выход");

    test::ResetTranslationStorage();
    StoreLanguage("XXX");
    EXPECT_TRUE(catalogue.ApplyStoredLanguage());
    EXPECT_EQ(CurrentId(), "");
    EXPECT_STREQ(Exit(), L"Выход");
}

TEST_F(LanguageCatalogueTest, LanguageChoicesFromTheCommandLineAndTheDesktopLocale) {
    WriteCatalogue(
        "<languages><language id=\"ENG\" name=\"English\" file_path=\"eng.db\"/>"
        "<language id=\"Deu\" name=\"Deutsch\" file_path=\"deu.db\"/></languages>");
    EXPECT_EQ(catalogue.ChoosableIds(), (std::vector<std::string>{"RUS", "ENG", "Deu"}));
    struct Choice {
        const char* requested;
        std::optional<std::string> stored;
    };
    for (const Choice& c : std::initializer_list<Choice>{{"ENG", "ENG"},
                                                         {"eng", "ENG"},
                                                         {"rus", "RUS"},
                                                         {"DEU", "Deu"},
                                                         {"EN", std::nullopt},
                                                         {"ENGLISH", std::nullopt},
                                                         {"", std::nullopt}}) {
        EXPECT_EQ(catalogue.ResolveChoice(c.requested), c.stored) << c.requested;
    }

    struct Locale {
        const char* name;
        const char* language;
    };
    for (const Locale& l : std::initializer_list<Locale>{{"ru_RU.UTF-8", "RUS"},
                                                         {"ru", "RUS"},
                                                         {"ru_UA@euro", "RUS"},
                                                         {"ru.KOI8-R", "RUS"},
                                                         {"en_US.UTF-8", "ENG"},
                                                         {"de_DE", "ENG"},
                                                         {"C", "ENG"},
                                                         {"POSIX", "ENG"},
                                                         {"", "ENG"},
                                                         {"rue_UA", "ENG"},
                                                         {"run", "ENG"}}) {
        EXPECT_EQ(LanguageForLocale(l.name), l.language) << l.name;
    }

    // A first start stores the locale's language; later starts and a stored choice keep theirs.
    EXPECT_TRUE(catalogue.StoreFirstLanguage("de_AT.UTF-8"));
    EXPECT_EQ(GetCurrentLanguage(), std::optional<std::wstring>(L"ENG"));
    EXPECT_FALSE(catalogue.StoreFirstLanguage("ru_RU.UTF-8"));
    EXPECT_EQ(GetCurrentLanguage(), std::optional<std::wstring>(L"ENG"));
    StoreLanguage("");
    EXPECT_FALSE(catalogue.StoreFirstLanguage("en_GB"));
    EXPECT_EQ(GetCurrentLanguage(), std::optional<std::wstring>(L""));
}

TEST_F(LanguageCatalogueTest, FirstStartStoresNothingWhenEnglishIsNotInTheCatalogue) {
    WriteCatalogue("<languages><language id=\"DEU\" name=\"Deutsch\"/></languages>");
    EXPECT_FALSE(catalogue.StoreFirstLanguage("en_US.UTF-8"));
    EXPECT_FALSE(GetCurrentLanguage());
    // Russian needs no catalogue entry.
    EXPECT_TRUE(catalogue.StoreFirstLanguage("ru_RU.UTF-8"));
    EXPECT_EQ(GetCurrentLanguage(), std::optional<std::wstring>(L"RUS"));
}

}  // namespace
}  // namespace vorn
