// B-tree scale: insert, find and a full walk at growing key counts, keys in
// random order, against SQLite's B-tree behind an indexed table.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "bench/bench_key.h"
#include "bench/figures.h"
#include "bench/sqlite_db.h"
#include "index/btree_cursor.h"
#include "index/btree_index.h"

namespace kodexa::bench {

namespace {

constexpr int kOrder = 29;

std::vector<std::string> RandomKeys(int n, unsigned seed) {
    std::vector<std::string> keys;
    keys.reserve(static_cast<size_t>(n));
    char text[16];
    for (int i = 0; i < n; ++i) {
        std::snprintf(text, sizeof text, "%07d", i);
        keys.emplace_back(text);
    }
    std::shuffle(keys.begin(), keys.end(), std::mt19937(seed));
    return keys;
}

struct ScaleTimes {
    Sample insert, find, walk;
};

void KodexaRun(const std::string& path, const std::vector<std::string>& inserts,
               const std::vector<std::string>& lookups, ScaleTimes& times) {
    unlink(path.c_str());
    BenchKey key, scratch;
    StoreFile* file = new StoreFile();
    if (file->Create(path.c_str(), kBtreeHeaderSize, 0) != kNoError) Die("cannot create " + path);
    BtreeIndex tree(key, kOrder, -1);
    if (tree.Create(file, 1, file->HeaderSize()) != kNoError) Die("cannot create the tree in " + path);

    auto start = std::chrono::steady_clock::now();
    int32_t value = 0;
    for (const std::string& text : inserts) {
        key.Set(text, ++value);
        if (!tree.Insert(key, scratch, 0)) Die("insert failed");
    }
    if (tree.Flush() != kNoError) Die("flush failed");
    times.insert.Add(SecondsSince(start));

    start = std::chrono::steady_clock::now();
    for (const std::string& text : lookups) {
        key.Set(text, 0);
        if (!tree.Find(key, scratch, 0) || key.Value() == 0) Die("find failed for " + text);
    }
    times.find.Add(SecondsSince(start));

    start = std::chrono::steady_clock::now();
    size_t walked = 0;
    BtreeCursor cursor(tree, key, scratch);
    for (bool on = cursor.First(); on; on = cursor.Next()) ++walked;
    times.walk.Add(SecondsSince(start));
    if (walked != inserts.size()) Die("the walk missed keys");
    tree.Close();
    unlink(path.c_str());
}

void SqliteRun(const std::string& path, const std::vector<std::string>& inserts,
               const std::vector<std::string>& lookups, ScaleTimes& times) {
    SqliteDb db(path, true);
    db.Exec("CREATE TABLE t(k TEXT NOT NULL, v INTEGER NOT NULL); CREATE INDEX t_k ON t(k);");

    auto start = std::chrono::steady_clock::now();
    {
        db.Exec("BEGIN");
        SqliteStatement insert(db, "INSERT INTO t(k, v) VALUES(?, ?)");
        long long value = 0;
        for (const std::string& text : inserts) {
            insert.BindText(1, text);
            insert.BindInt(2, ++value);
            insert.Step();
            insert.Reset();
        }
        db.Exec("COMMIT");
    }
    times.insert.Add(SecondsSince(start));

    start = std::chrono::steady_clock::now();
    {
        SqliteStatement find(db, "SELECT v FROM t WHERE k = ?");
        for (const std::string& text : lookups) {
            find.BindText(1, text);
            if (!find.Step() || find.Int(0) == 0) Die("SQLite find failed for " + text);
            find.Reset();
        }
    }
    times.find.Add(SecondsSince(start));

    start = std::chrono::steady_clock::now();
    size_t walked = 0;
    {
        SqliteStatement walk(db, "SELECT k, v FROM t ORDER BY k");
        while (walk.Step()) ++walked;
    }
    times.walk.Add(SecondsSince(start));
    if (walked != inserts.size()) Die("the SQLite walk missed rows");
}

std::string Count(int n) {
    if (n % 1000000 == 0) return std::to_string(n / 1000000) + "M";
    if (n % 1000 == 0) return std::to_string(n / 1000) + "k";
    return std::to_string(n);
}

}  // namespace

void FigureScale(const Options& options, Table& table) {
    for (int n : options.scaleSizes) {
        std::vector<std::string> inserts = RandomKeys(n, 1);
        std::vector<std::string> lookups = inserts;
        std::shuffle(lookups.begin(), lookups.end(), std::mt19937(2));
        ScaleTimes ours, theirs;
        for (int rep = 0; rep < options.scaleReps; ++rep) {
            KodexaRun(options.workDir + "/scale.ndx", inserts, lookups, ours);
            SqliteRun(options.workDir + "/scale.sqlite", inserts, lookups, theirs);
        }
        double perKey = 1.0 / n;
        bool million = n >= 1000000;
        struct Line {
            const char* what;
            const char* subject;
            const char* anchor;
            Sample& mine;
            Sample& anchorSample;
            Target target;
        };
        Line lines[] = {
            {"insert", "Insert (flush 0)", "INSERT, one transaction", ours.insert, theirs.insert,
             million ? Target{2, false} : Target{}},
            {"find", "Find (no header sync)", "SELECT by indexed key", ours.find, theirs.find,
             million ? Target{1, true} : Target{}},
            {"walk step", "BtreeCursor First/Next", "SELECT … ORDER BY k", ours.walk, theirs.walk,
             million ? Target{10, false} : Target{}},
        };
        for (Line& line : lines) {
            Row row;
            row.figure = "5";
            row.what = Count(n) + " keys, " + line.what + ", per key";
            row.subject = line.subject;
            row.subjectSample = line.mine.Scaled(perKey);
            row.anchor = std::string("SQLite ") + line.anchor;
            row.anchorSample = line.anchorSample.Scaled(perKey);
            row.target = line.target;
            table.Add(row);
        }
    }
}

}  // namespace kodexa::bench
