#pragma once

// Translation storage exported by libVocabrix.
//
// Language databases are SQLite files. A language with id ID keeps its phrases in the table
// named ID (the table "Translate" when the id is empty), read as
//     SELECT source, destination FROM "ID"
// so a database made for the library looks like
//     CREATE TABLE "ENG" (source TEXT NOT NULL, destination TEXT NOT NULL);
//     INSERT INTO "ENG" VALUES ('Выход', 'Exit');
// Both columns hold UTF-8 text; the source is the Russian text exactly as the program passes it
// (same punctuation, "\r\n" and "\t" included). Rows with an empty source or destination are
// ignored; when a source appears twice, the first row read wins. Other tables and columns are
// ignored, and the library opens the file only to read it.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#if defined(_WIN32)
#if defined(VOCABRIX_BUILD)
#define VOCABRIX_API __declspec(dllexport)
#else
#define VOCABRIX_API __declspec(dllimport)
#endif
#else
#define VOCABRIX_API __attribute__((visibility("default")))
#endif

namespace Localization {

struct LANGUAGE_INFO {
    std::string id;          // language identifier, also the table name
    std::string name;        // display name
    std::wstring file_path;  // full path of the database file

    // Spelled out rather than defaulted: programs built as C++11 and later use this header.
    bool operator==(const LANGUAGE_INFO& other) const {
        return id == other.id && name == other.name && file_path == other.file_path;
    }
    bool operator!=(const LANGUAGE_INFO& other) const { return !(*this == other); }
};

class VOCABRIX_API CVocabrix {
public:
    static CVocabrix& Instance();

    CVocabrix(const CVocabrix&) = delete;
    CVocabrix& operator=(const CVocabrix&) = delete;

    // Loads the translations of `info`; afterwards GetCurrentLanguage shows its id, or an empty
    // id when the database could not be read. Does nothing while translation is off.
    void SelectLanguage(const LANGUAGE_INFO& info);
    void GetCurrentLanguage(std::pair<std::string, std::string>& out) const;
    void SetTranslateOn(bool on);

    // The record of untranslated texts stays bounded in a program that runs for weeks: it
    // keeps at most this many distinct texts, of at most kMaxRecordedLength characters each.
    static constexpr std::size_t kMaxRecordedTexts = 10000;
    static constexpr std::size_t kMaxRecordedLength = 1024;

    // Returns the translation of `text`, or the storage's own copy of it when there is none
    // (recording it as untranslated), or `text` itself while translation is off or when the
    // record is full or the text too long for it (that is counted). A pointer into the storage
    // stays valid until the next CleanUp or SelectLanguage.
    const wchar_t* TranslateString(const wchar_t* text);

    void CleanUp();

    // Writes the texts recorded as untranslated to "untranslated_data.txt" beside the running
    // executable, in Windows-1251 with "\r\n" line ends. How many were left out of the record
    // goes to the log sink.
    void FlushUntranslated();

    // Texts left out of the untranslated record since the last flush or CleanUp.
    std::size_t LeftOutCount() const;

    // Where the library's log lines go (the program log); none by default.
    void SetLogSink(std::function<void(const std::string& line)> sink);

private:
    CVocabrix();
    ~CVocabrix();

    // The map, the current language, the flag and the lock live in the library, so that the
    // layout of this exported class does not change when they do.
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace Localization
