#pragma once

struct sqlite3;
struct sqlite3_stmt;

namespace Localization {

// One compiled SELECT and its current row. Made by SqlDatabase::runQuery; owns its statement
// and finalises it when it goes away. Every failure throws SqlException.
class SqlQuery {
public:
    SqlQuery(sqlite3* db, sqlite3_stmt* statement, bool atEnd, bool ownsStatement);
    virtual ~SqlQuery();

    // The statement moves with the query; the query moved from holds none.
    SqlQuery(SqlQuery&& other) noexcept;
    SqlQuery& operator=(SqlQuery&& other) noexcept;
    SqlQuery(const SqlQuery&) = delete;
    SqlQuery& operator=(const SqlQuery&) = delete;

    bool atEnd() const;
    void stepRow();
    int columnType(int column) const;
    // SQLite's UTF-8 text of the column, valid until the next step; `nullValue` for NULL.
    const char* columnText(int column, const char* nullValue) const;
    void finishStatement();

private:
    void requireStatement() const;
    // Finalises after a failed step and throws what the finalisation reports.
    [[noreturn]] void failStep(int stepResult);
    void release() noexcept;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
    bool atEnd_ = true;
    int columns_ = 0;
    bool ownsStatement_ = false;
};

}  // namespace Localization
