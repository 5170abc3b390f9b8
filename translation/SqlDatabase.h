#pragma once

#include <string>

#include "translation/SqlQuery.h"

struct sqlite3;

namespace Localization {

// An SQLite database file opened for one SELECT at a time. Every failure throws SqlException.
class SqlDatabase {
public:
    SqlDatabase() = default;
    virtual ~SqlDatabase();
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;

    // `file` is in UTF-8.
    void openDatabase(const std::string& file);
    void closeDatabase();
    bool isOpen() const noexcept { return db_ != nullptr; }

    // Compiles `sql` (UTF-8) and steps to its first row.
    SqlQuery runQuery(const std::string& sql);

    int busyTimeout() const noexcept { return busyTimeoutMs_; }

private:
    sqlite3* db_ = nullptr;
    int busyTimeoutMs_ = 60000;
};

}  // namespace Localization
