#pragma once

// Which language the interface speaks. The operator chooses it outside the program, in the
// registry value CurrentLanguage; the catalogue "languages.xml" beside the executable names the
// database of each language:
//
//   <languages>
//     <language id="ENG" name="English" file_path="english.db"/>
//   </languages>
//
// "RUS" is the language the program is written in and means no translation. The command line's
// --language stores the choice there, and a first start without one takes it from the desktop's
// locale.

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "translation/Vocabrix.h"

namespace vorn {

inline constexpr const char* kSourceLanguageId = "RUS";
inline constexpr const char* kEnglishLanguageId = "ENG";
inline constexpr const char* kCatalogueFileName = "languages.xml";

// The language a locale name (as in LANG) asks for: the source language for Russian ("ru",
// "ru_RU.UTF-8", "ru_UA@..."), English for any other, the "C" locale and none included.
std::string LanguageForLocale(std::string_view locale);
// The desktop's locale for messages: LC_ALL, else LC_MESSAGES, else LANG; empty when none is set.
std::string DesktopMessagesLocale();

class LanguageCatalogue {
public:
    // A catalogue read from "languages.xml" in `programFolder`.
    explicit LanguageCatalogue(std::filesystem::path programFolder);

    // The catalogue of the running program, beside its executable.
    static LanguageCatalogue& Instance();

    // Reads the file once; a failed read is tried again at the next call. False while no read
    // has succeeded.
    bool EnsureLoaded();
    bool IsLoaded() const;
    std::vector<Localization::LANGUAGE_INFO> Entries() const;

    // The first entry with exactly this id (case-sensitive), loading the catalogue first.
    std::optional<Localization::LANGUAGE_INFO> Find(const std::string& id);

    // Finds the entry and hands it to the translation storage.
    std::optional<Localization::LANGUAGE_INFO> SelectLanguage(const std::string& id);

    // The id to store for a language asked for by name: the source language or an id of the
    // catalogue, either in any letter case; none when there is no such language.
    std::optional<std::string> ResolveChoice(std::string_view requested);
    // The ids an operator can choose: the source language, then the catalogue's.
    std::vector<std::string> ChoosableIds();
    // Stores the language of `locale` as CurrentLanguage when no choice is stored yet and the
    // language can be chosen. True when it stored one.
    bool StoreFirstLanguage(std::string_view locale);

    // Reads CurrentLanguage and, unless it is empty or the source language, turns translation on
    // and selects that language. True when the value could be read.
    bool ApplyStoredLanguage();

private:
    bool LoadLocked();

    std::filesystem::path folder_;
    mutable std::mutex mutex_;
    bool loaded_ = false;
    std::vector<Localization::LANGUAGE_INFO> entries_;
};

// Shorthands on the program's catalogue.
bool ApplyStoredLanguage();
std::optional<Localization::LANGUAGE_INFO> SelectLanguageById(const std::string& id);

}  // namespace vorn
