#include "translation/SqlDatabase.h"

#include <sqlite3.h>

#include "translation/SqlException.h"

namespace Localization {

SqlDatabase::~SqlDatabase() {
    try {
        closeDatabase();
    } catch (const SqlException&) {
        // Destruction never throws; the handle stays as it was.
    }
}

void SqlDatabase::openDatabase(const std::string& file) {
    closeDatabase();
    sqlite3* db = nullptr;
    const int result = sqlite3_open(file.c_str(), &db);
    if (result != SQLITE_OK) {
        // SQLite hands out a handle even when opening fails; it has to be closed all the same.
        const std::string message = db != nullptr ? sqlite3_errmsg(db) : std::string();
        sqlite3_close(db);
        throw SqlException(result, message);
    }
    db_ = db;
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
}

void SqlDatabase::closeDatabase() {
    if (db_ == nullptr) {
        return;
    }
    if (sqlite3_close(db_) != SQLITE_OK) {
        throw SqlException(SqlException::LayerError, "Unable to close database");
    }
    db_ = nullptr;
}

SqlQuery SqlDatabase::runQuery(const std::string& sql) {
    if (db_ == nullptr) {
        throw SqlException(SqlException::LayerError, "Database not open");
    }
    sqlite3_stmt* statement = nullptr;
    const int prepared = sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
    if (prepared != SQLITE_OK) {
        throw SqlException(prepared, sqlite3_errmsg(db_));
    }
    if (statement == nullptr) {
        // Text without any statement in it compiles to nothing.
        throw SqlException(SqlException::LayerError, "Null statement pointer");
    }
    const int stepped = sqlite3_step(statement);
    if (stepped != SQLITE_DONE && stepped != SQLITE_ROW) {
        int code = sqlite3_finalize(statement);
        if (code == SQLITE_OK) {
            code = stepped;
        }
        throw SqlException(code, sqlite3_errmsg(db_));
    }
    return SqlQuery(db_, statement, stepped == SQLITE_DONE, true);
}

}  // namespace Localization
