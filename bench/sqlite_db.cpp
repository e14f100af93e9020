#include "bench/sqlite_db.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace kodexa::bench {

void Die(const std::string& message) {
    std::fprintf(stderr, "kodexa-bench: %s\n", message.c_str());
    std::exit(1);
}

SqliteDb::SqliteDb(const std::string& path, bool fresh) {
    if (fresh) {
        unlink(path.c_str());
        unlink((path + "-journal").c_str());
    }
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) Die("cannot open SQLite database " + path);
}

SqliteDb::~SqliteDb() { sqlite3_close(db); }

void SqliteDb::Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK)
        Die(std::string("SQLite: ") + (message ? message : "?") + " in " + sql);
}

SqliteStatement::SqliteStatement(SqliteDb& owner, const char* sql) : db(owner.Handle()) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        Die(std::string("SQLite: ") + sqlite3_errmsg(db) + " in " + sql);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement); }

void SqliteStatement::BindText(int index, const std::string& text) {
    if (sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
        Die(std::string("SQLite bind: ") + sqlite3_errmsg(db));
}

void SqliteStatement::BindInt(int index, long long value) {
    if (sqlite3_bind_int64(statement, index, value) != SQLITE_OK)
        Die(std::string("SQLite bind: ") + sqlite3_errmsg(db));
}

bool SqliteStatement::Step() {
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Die(std::string("SQLite step: ") + sqlite3_errmsg(db));
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}

const char* SqliteStatement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace kodexa::bench
