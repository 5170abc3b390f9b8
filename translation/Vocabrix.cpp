#include "translation/Vocabrix.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileWrite.h"
#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"
#include "translation/SqlDatabase.h"
#include "translation/SqlException.h"
#include "translation/TextCodec.h"

namespace Localization {

namespace {

// Code-point order: the same as UTF-16 order but for the rare texts beyond U+FFFF, which the
// untranslated-texts file sorts its own way.
using TranslationMap = std::map<std::wstring, std::wstring, std::less<>>;

// The id names a table; quoted, it can never become part of the statement.
std::string QuoteIdentifier(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    quoted += '"';
    return quoted;
}

bool LoadTranslations(const LANGUAGE_INFO& info, TranslationMap& translations) {
    translations.clear();
    if (info.file_path.empty()) {
        return false;
    }
    const std::string path = vorn::platform::WideToUtf8(info.file_path);
    std::error_code error;
    // Only an existing regular file is opened: SQLite would create a missing one, and a pipe or
    // device could block the reader while it holds the storage's lock.
    if (path.find('\0') != std::string::npos ||
        !std::filesystem::is_regular_file(std::filesystem::path(path), error)) {
        return false;
    }
    try {
        SqlDatabase db;
        db.openDatabase(path);
        const std::string table = info.id.empty() ? "Translate" : info.id;
        SqlQuery query = db.runQuery("SELECT source, destination FROM " + QuoteIdentifier(table));
        while (!query.atEnd()) {
            std::wstring source = vorn::platform::Utf8ToWide(query.columnText(0, ""));
            std::wstring destination = vorn::platform::Utf8ToWide(query.columnText(1, ""));
            if (!source.empty() && !destination.empty()) {
                // A source already present keeps its first destination.
                translations.try_emplace(std::move(source), std::move(destination));
            }
            query.stepRow();
        }
        query.finishStatement();
        try {
            db.closeDatabase();
        } catch (const SqlException&) {
            // Everything is read; a database that will not close changes nothing for us.
        }
        return true;
    } catch (const SqlException&) {
        return false;
    }
}

}  // namespace

struct CVocabrix::State {
    TranslationMap translations;
    // Texts asked for without a translation, one copy each (the returned pointers point here).
    std::set<std::wstring, std::less<>> untranslated;
    std::size_t leftOut = 0;
    std::function<void(const std::string&)> logSink;
    std::atomic<bool> translateOn{false};
    LANGUAGE_INFO current;
    std::recursive_mutex lock;
};

CVocabrix::CVocabrix() : state_(std::make_unique<State>()) {}

CVocabrix::~CVocabrix() = default;

CVocabrix& CVocabrix::Instance() {
    static CVocabrix instance;
    return instance;
}

void CVocabrix::SelectLanguage(const LANGUAGE_INFO& info) {
    if (!state_->translateOn.load()) {
        return;
    }
    std::lock_guard guard(state_->lock);
    // Compared under the lock: CleanUp on another thread may be changing the current language.
    if (info == state_->current) {
        return;
    }
    CleanUp();
    if (LoadTranslations(info, state_->translations)) {
        state_->current = info;
    }
}

void CVocabrix::GetCurrentLanguage(std::pair<std::string, std::string>& out) const {
    std::lock_guard guard(state_->lock);
    out.first = state_->current.id;
    out.second = state_->current.name;
}

void CVocabrix::SetTranslateOn(bool on) {
    std::lock_guard guard(state_->lock);
    state_->translateOn.store(on);
}

const wchar_t* CVocabrix::TranslateString(const wchar_t* text) {
    if (!state_->translateOn.load() || text == nullptr || *text == L'\0') {
        return text;
    }
    std::lock_guard guard(state_->lock);
    const std::wstring_view key(text);
    if (auto entry = state_->translations.find(key); entry != state_->translations.end()) {
        return entry->second.c_str();
    }
    if (auto recorded = state_->untranslated.find(key); recorded != state_->untranslated.end()) {
        return recorded->c_str();
    }
    // Agent texts carry device ids, times and file names, so their variety has no end.
    if (state_->untranslated.size() >= kMaxRecordedTexts || key.size() > kMaxRecordedLength) {
        ++state_->leftOut;
        return text;
    }
    return state_->untranslated.emplace(key).first->c_str();
}

void CVocabrix::CleanUp() {
    std::lock_guard guard(state_->lock);
    state_->translations.clear();
    state_->untranslated.clear();
    state_->leftOut = 0;
    state_->current = LANGUAGE_INFO();
}

std::size_t CVocabrix::LeftOutCount() const {
    std::lock_guard guard(state_->lock);
    return state_->leftOut;
}

void CVocabrix::SetLogSink(std::function<void(const std::string& line)> sink) {
    std::lock_guard guard(state_->lock);
    state_->logSink = std::move(sink);
}

void CVocabrix::FlushUntranslated() {
    std::lock_guard guard(state_->lock);
    if (state_->leftOut > 0 && state_->logSink) {
        state_->logSink("untranslated texts: " + std::to_string(state_->leftOut) +
                        " left out of the record (at most " + std::to_string(kMaxRecordedTexts) +
                        " texts of at most " + std::to_string(kMaxRecordedLength) +
                        " characters are kept)");
        state_->leftOut = 0;
    }
    if (state_->translations.empty() && state_->untranslated.empty()) {
        return;
    }
    const std::filesystem::path folder = vorn::platform::ProgramFolder();
    if (folder.empty()) {
        return;
    }
    const std::filesystem::path file = folder / "untranslated_data.txt";
    std::error_code error;
    const auto status = std::filesystem::symlink_status(file, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
        std::filesystem::remove(file, error);
    }
    std::vector<const std::wstring*> untranslated;
    for (const auto& [source, destination] : state_->translations) {
        if (source == destination) {
            untranslated.push_back(&source);
        }
    }
    for (const std::wstring& source : state_->untranslated) {
        untranslated.push_back(&source);
    }
    std::stable_sort(
        untranslated.begin(), untranslated.end(),
        [](const std::wstring* a, const std::wstring* b) { return text::Utf16Less(*a, *b); });
    std::wstring lines;
    for (const std::wstring* source : untranslated) {
        lines += *source;
        lines += L"\r\n";
    }
    vorn::platform::AppendToFile(file, vorn::platform::WideToCp1251(lines));
}

}  // namespace Localization
