// A few lines of RAII over SQLite's C interface, for the anchors. Any
// failure ends the benchmark: an anchor that did not run must not be timed.
#ifndef KODEXA_BENCH_SQLITE_DB_H
#define KODEXA_BENCH_SQLITE_DB_H

#include <sqlite3.h>

#include <string>

namespace kodexa::bench {

[[noreturn]] void Die(const std::string& message);

class SqliteStatement;

class SqliteDb {
public:
    // Removes an older file of that name first when fresh is set.
    SqliteDb(const std::string& path, bool fresh);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    void Exec(const char* sql);
    sqlite3* Handle() const { return db; }

private:
    sqlite3* db = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteDb& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void BindText(int index, const std::string& text);
    void BindInt(int index, long long value);
    // True while a row is there.
    bool Step();
    void Reset();
    const char* Text(int column) const;
    long long Int(int column) const { return sqlite3_column_int64(statement, column); }

private:
    sqlite3* db;
    sqlite3_stmt* statement = nullptr;
};

}  // namespace kodexa::bench

#endif
