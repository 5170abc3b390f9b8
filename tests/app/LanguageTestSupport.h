#pragma once

// Language databases and catalogues for the language tests.

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/PathText.h"
#include "translation/Vocabrix.h"

namespace vorn::test {

// A database with one table `table` holding the pairs (UTF-8).
inline bool MakeLanguageDatabase(const std::filesystem::path& file, const std::string& table,
                                 const std::vector<std::pair<std::string, std::string>>& rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open(platform::PathToUtf8(file).c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    std::string sql = "CREATE TABLE \"" + table + "\" (source TEXT, destination TEXT);";
    bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    std::string insertSql = "INSERT INTO \"" + table + "\" VALUES (?, ?);";
    ok = ok && sqlite3_prepare_v2(db, insertSql.c_str(), -1, &insert, nullptr) == SQLITE_OK;
    for (const auto& [source, destination] : rows) {
        if (!ok) {
            break;
        }
        sqlite3_bind_text(insert, 1, source.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, destination.c_str(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return ok;
}

// Puts the translation storage back to its state at start: no language, translation off.
inline void ResetTranslationStorage() {
    auto& storage = Localization::CVocabrix::Instance();
    storage.CleanUp();
    storage.SetTranslateOn(false);
}

}  // namespace vorn::test
