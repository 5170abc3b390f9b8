#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "LanguageDatabase.h"
#include "support/TestEnvironment.h"
#include "translation/SqlDatabase.h"
#include "translation/SqlException.h"
#include "translation/SqlQuery.h"

namespace {

using Localization::SqlDatabase;
using Localization::SqlException;
using Localization::SqlQuery;
using testing::HasSubstr;
using testing::StartsWith;

// Runs `action`, expecting a SqlException, and returns it.
template <typename Action>
SqlException Thrown(Action action) {
    try {
        action();
    } catch (const SqlException& e) {
        return e;
    }
    ADD_FAILURE() << "no SqlException thrown";
    return SqlException(-1, "none");
}

class SqlLayerTest : public testing::Test {
protected:
    void SetUp() override {
        vorn::test::ExecSql(file_,
                            "CREATE TABLE t (id INTEGER, source TEXT, destination TEXT);"
                            "INSERT INTO t VALUES (1, 'один', 'one'), (2, NULL, 'two'),"
                            "  (3, 'три', NULL);"
                            "CREATE TABLE empty (source TEXT, destination TEXT);");
        db_.openDatabase(file_.string());
    }

    vorn::test::TempDir dir_;
    std::filesystem::path file_ = dir_ / "lang.db";
    SqlDatabase db_;
};

TEST(SqlExceptionTest, TextNamesTheCodeAndCarriesTheMessage) {
    EXPECT_STREQ(SqlException(1, "near \"x\": syntax error").what(),
                 "SQLITE_ERROR [1]: near \"x\": syntax error");
    EXPECT_STREQ(SqlException(14, "").what(), "SQLITE_CANTOPEN [14]");
    EXPECT_STREQ(SqlException(25, "").what(), "SQLITE_RANGE [25]");
    EXPECT_STREQ(SqlException(0, "").what(), "SQLITE_OK [0]");
    EXPECT_STREQ(SqlException(100, "").what(), "SQLITE_ROW [100]");
    EXPECT_STREQ(SqlException(101, "").what(), "SQLITE_DONE [101]");
    EXPECT_STREQ(SqlException(1000, "Database not open").what(),
                 "LAYER_ERROR [1000]: Database not open");
    // Codes the layer does not name, 26 among them.
    EXPECT_STREQ(SqlException(26, "").what(), "UNKNOWN_ERROR [26]");
    EXPECT_STREQ(SqlException(-1, "x").what(), "UNKNOWN_ERROR [-1]: x");
    EXPECT_STREQ(SqlException(266, "").what(), "UNKNOWN_ERROR [266]");

    const SqlException original(5, "database is locked");
    const SqlException copy = original;
    EXPECT_EQ(copy.code(), 5);
    EXPECT_STREQ(copy.what(), original.what());
}

TEST_F(SqlLayerTest, WalksRowsAndReadsTextWithNullValue) {
    SqlQuery query = db_.runQuery("SELECT source, destination FROM t ORDER BY id");
    ASSERT_FALSE(query.atEnd());
    EXPECT_STREQ(query.columnText(0, "-"), "один");
    EXPECT_STREQ(query.columnText(1, "-"), "one");
    EXPECT_EQ(query.columnType(0), SQLITE_TEXT);
    query.stepRow();
    EXPECT_EQ(query.columnType(0), SQLITE_NULL);
    EXPECT_STREQ(query.columnText(0, "-"), "-");
    EXPECT_STREQ(query.columnText(1, "-"), "two");
    query.stepRow();
    EXPECT_STREQ(query.columnText(1, ""), "");
    query.stepRow();
    EXPECT_TRUE(query.atEnd());
    // A step past the last row must not start the statement over.
    query.stepRow();
    EXPECT_TRUE(query.atEnd());
    query.finishStatement();
}

TEST_F(SqlLayerTest, EmptyResultStartsAtEnd) {
    SqlQuery query = db_.runQuery("SELECT source, destination FROM empty");
    EXPECT_TRUE(query.atEnd());
}

TEST_F(SqlLayerTest, ColumnIndexOutsideTheResultThrows) {
    SqlQuery query = db_.runQuery("SELECT source, destination FROM t");
    for (int column : {-1, 2, 100}) {
        const SqlException e = Thrown([&] { query.columnType(column); });
        EXPECT_EQ(e.code(), 1000);
        EXPECT_STREQ(e.what(), "LAYER_ERROR [1000]: Invalid column index requested");
        EXPECT_THROW(query.columnText(column, ""), SqlException);
    }
}

TEST_F(SqlLayerTest, FinishedStatementThrowsNullStatement) {
    SqlQuery query = db_.runQuery("SELECT source FROM t");
    query.finishStatement();
    query.finishStatement();  // nothing left to finish
    for (const SqlException& e : {Thrown([&] { query.atEnd(); }), Thrown([&] { query.stepRow(); }),
                                  Thrown([&] { query.columnType(0); })}) {
        EXPECT_STREQ(e.what(), "LAYER_ERROR [1000]: Null statement pointer");
    }

    SqlQuery moved = db_.runQuery("SELECT source FROM t");
    SqlQuery target = std::move(moved);
    EXPECT_FALSE(target.atEnd());
    EXPECT_THROW(moved.atEnd(), SqlException);  // NOLINT(bugprone-use-after-move)
}

TEST_F(SqlLayerTest, CompileErrorsCarrySqliteMessage) {
    const SqlException missing = Thrown([&] { db_.runQuery("SELECT source FROM nowhere"); });
    EXPECT_EQ(missing.code(), 1);
    EXPECT_THAT(missing.what(), StartsWith("SQLITE_ERROR [1]: "));
    EXPECT_THAT(missing.what(), HasSubstr("no such table: nowhere"));

    const SqlException syntax = Thrown([&] { db_.runQuery("SELEC 1"); });
    EXPECT_THAT(syntax.what(), StartsWith("SQLITE_ERROR [1]: "));

    // Text with no statement in it compiles to nothing and must not be stepped.
    const SqlException nothing = Thrown([&] { db_.runQuery("  -- only a comment"); });
    EXPECT_STREQ(nothing.what(), "LAYER_ERROR [1000]: Null statement pointer");
}

TEST_F(SqlLayerTest, FailingStepsThrowAndDropTheStatement) {
    // abs() of the smallest integer fails while the row is computed, not while compiling.
    const SqlException first =
        Thrown([&] { db_.runQuery("SELECT abs(-9223372036854775807 - 1)"); });
    EXPECT_EQ(first.code(), 1);
    EXPECT_THAT(first.what(), HasSubstr("integer overflow"));

    SqlQuery query = db_.runQuery(
        "SELECT CASE WHEN id = 2 THEN abs(id - 9223372036854775807 - 3) ELSE source END "
        "FROM t");
    EXPECT_STREQ(query.columnText(0, ""), "один");
    const SqlException second = Thrown([&] { query.stepRow(); });
    EXPECT_EQ(second.code(), 1);
    EXPECT_THAT(second.what(), HasSubstr("integer overflow"));
    EXPECT_STREQ(Thrown([&] { query.atEnd(); }).what(),
                 "LAYER_ERROR [1000]: Null statement pointer");
}

TEST_F(SqlLayerTest, OpenAndCloseFailures) {
    SqlDatabase closed;
    EXPECT_FALSE(closed.isOpen());
    closed.closeDatabase();  // closing a closed database does nothing
    EXPECT_STREQ(Thrown([&] { closed.runQuery("SELECT 1"); }).what(),
                 "LAYER_ERROR [1000]: Database not open");

    SqlDatabase nowhere;
    const SqlException cannot =
        Thrown([&] { nowhere.openDatabase((dir_ / "no" / "such" / "x.db").string()); });
    EXPECT_EQ(cannot.code(), 14);
    EXPECT_THAT(cannot.what(), StartsWith("SQLITE_CANTOPEN [14]: "));
    EXPECT_FALSE(nowhere.isOpen());

    // A live statement keeps the database from closing; the handle stays usable.
    SqlQuery query = db_.runQuery("SELECT source FROM t");
    EXPECT_STREQ(Thrown([&] { db_.closeDatabase(); }).what(),
                 "LAYER_ERROR [1000]: Unable to close database");
    EXPECT_TRUE(db_.isOpen());
    EXPECT_NO_THROW(db_.runQuery("SELECT 1"));
    query.finishStatement();
    db_.closeDatabase();
    EXPECT_FALSE(db_.isOpen());
    EXPECT_EQ(db_.busyTimeout(), 60000);
}

TEST_F(SqlLayerTest, BusyTimeoutWaitsForAWriter) {
    // Another connection holds a write lock briefly; the reader waits instead of failing.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(vorn::platform::PathToUtf8(file_).c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::atomic<vorn::test::ThreadId> reader{vorn::test::CurrentThreadId()};
    std::thread release([writer, &reader] {
        // The lock goes only once the reader sleeps in its busy wait (nothing else in the query
        // sleeps), so that the wait is what the query gets through.
        EXPECT_TRUE(vorn::test::WaitUntilThreadSleeps(reader));
        sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_NO_THROW({
        SqlQuery query = db_.runQuery("SELECT source FROM t");
        EXPECT_FALSE(query.atEnd());
    });
    release.join();
    sqlite3_close(writer);
}

}  // namespace
