#include "translation/SqlQuery.h"

#include <sqlite3.h>

#include <utility>

#include "translation/SqlException.h"

namespace Localization {

namespace {

std::string MessageOf(sqlite3* db) {
    return db != nullptr ? sqlite3_errmsg(db) : "db pointer is null";
}

}  // namespace

SqlQuery::SqlQuery(sqlite3* db, sqlite3_stmt* statement, bool atEnd, bool ownsStatement)
    : db_(db), statement_(statement), atEnd_(atEnd), ownsStatement_(ownsStatement) {
    columns_ = statement_ != nullptr ? sqlite3_column_count(statement_) : 0;
}

SqlQuery::~SqlQuery() {
    try {
        finishStatement();
    } catch (const SqlException&) {
        // A failing finalisation while going away leaves nothing to do.
    }
}

SqlQuery::SqlQuery(SqlQuery&& other) noexcept
    : db_(other.db_),
      statement_(std::exchange(other.statement_, nullptr)),
      atEnd_(other.atEnd_),
      columns_(other.columns_),
      ownsStatement_(std::exchange(other.ownsStatement_, false)) {}

SqlQuery& SqlQuery::operator=(SqlQuery&& other) noexcept {
    if (this != &other) {
        release();
        db_ = other.db_;
        statement_ = std::exchange(other.statement_, nullptr);
        atEnd_ = other.atEnd_;
        columns_ = other.columns_;
        ownsStatement_ = std::exchange(other.ownsStatement_, false);
    }
    return *this;
}

void SqlQuery::release() noexcept {
    if (statement_ != nullptr && ownsStatement_) {
        sqlite3_finalize(statement_);
    }
    statement_ = nullptr;
}

void SqlQuery::requireStatement() const {
    if (statement_ == nullptr) {
        throw SqlException(SqlException::LayerError, "Null statement pointer");
    }
}

bool SqlQuery::atEnd() const {
    requireStatement();
    return atEnd_;
}

void SqlQuery::stepRow() {
    requireStatement();
    // SQLite would start the statement over on a step after its last row.
    if (atEnd_) {
        return;
    }
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_DONE) {
        atEnd_ = true;
    } else if (result != SQLITE_ROW) {
        failStep(result);
    }
}

void SqlQuery::failStep(int stepResult) {
    int code = ownsStatement_ ? sqlite3_finalize(statement_) : stepResult;
    statement_ = nullptr;
    // Finalising reports the step's error; should it ever report none, the failure still stands.
    if (code == SQLITE_OK) {
        code = stepResult;
    }
    throw SqlException(code, MessageOf(db_));
}

int SqlQuery::columnType(int column) const {
    requireStatement();
    if (column < 0 || column > columns_ - 1) {
        throw SqlException(SqlException::LayerError, "Invalid column index requested");
    }
    return sqlite3_column_type(statement_, column);
}

const char* SqlQuery::columnText(int column, const char* nullValue) const {
    if (columnType(column) == SQLITE_NULL) {
        return nullValue;
    }
    const unsigned char* text = sqlite3_column_text(statement_, column);
    // SQLite gives no text for an empty blob or when it runs out of memory.
    return text != nullptr ? reinterpret_cast<const char*>(text) : nullValue;
}

void SqlQuery::finishStatement() {
    if (statement_ == nullptr || !ownsStatement_) {
        return;
    }
    const int result = sqlite3_finalize(statement_);
    // The statement is gone whatever finalisation reports.
    statement_ = nullptr;
    if (result != SQLITE_OK) {
        throw SqlException(result, MessageOf(db_));
    }
}

}  // namespace Localization
