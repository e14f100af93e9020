// Import of the full catalogue by kodexa-import, against loading the same
// rows from the same text files into SQLite in one transaction.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "bench/bench_process.h"
#include "bench/catalogue_bench.h"
#include "bench/sqlite_db.h"

namespace kodexa::bench {

namespace {

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ';')) fields.push_back(field);
    return fields;
}

// Calls insert with the fields of every line of a classification file.
template <typename Insert>
size_t LoadLines(const std::string& path, size_t minFields, Insert insert) {
    std::ifstream in(path);
    if (!in) Die("cannot read " + path);
    std::string line;
    size_t rows = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields = Fields(line);
        if (fields.size() < minFields) continue;
        insert(fields);
        ++rows;
    }
    return rows;
}

size_t SqliteLoad(const std::string& sourceDir, const std::string& path) {
    SqliteDb db(path, true);
    db.Exec("BEGIN");
    db.Exec("CREATE TABLE chapters(code TEXT PRIMARY KEY, title TEXT);"
            "CREATE TABLE groups(code TEXT PRIMARY KEY, title TEXT, chapter TEXT);"
            "CREATE TABLE codes(code TEXT PRIMARY KEY, title TEXT, level TEXT, chapter TEXT, grp TEXT,"
            " branch TEXT, spare TEXT)");
    size_t rows = 0;
    {
        SqliteStatement insert(db, "INSERT INTO chapters VALUES(?, ?)");
        rows += LoadLines(sourceDir + "/icd10gm2024syst_kapitel.txt", 2, [&](const std::vector<std::string>& f) {
            insert.BindText(1, f[0]);
            insert.BindText(2, f[1]);
            insert.Step();
            insert.Reset();
        });
    }
    {
        SqliteStatement insert(db, "INSERT INTO groups VALUES(?, ?, ?)");
        rows += LoadLines(sourceDir + "/icd10gm2024syst_gruppen.txt", 4, [&](const std::vector<std::string>& f) {
            insert.BindText(1, f[0]);
            insert.BindText(2, f[3]);
            insert.BindText(3, f[2]);
            insert.Step();
            insert.Reset();
        });
    }
    {
        SqliteStatement insert(db, "INSERT INTO codes VALUES(?, ?, ?, ?, ?, ?, ?)");
        rows += LoadLines(sourceDir + "/icd10gm2024syst_kodes.txt", 9, [&](const std::vector<std::string>& f) {
            const int columns[] = {6, 8, 0, 3, 4, 1, 2};
            for (int i = 0; i < 7; ++i) insert.BindText(i + 1, f[columns[i]]);
            insert.Step();
            insert.Reset();
        });
    }
    db.Exec("COMMIT");
    return rows;
}

}  // namespace

void FigureImport(const Options& options, Table& table) {
    std::string importer = options.binDir + "/kodexa-import";
    if (access(importer.c_str(), X_OK) != 0) {
        table.Note("figure 4: no kodexa-import in " + options.binDir);
        return;
    }
    std::string target = options.workDir + "/import";
    mkdir(target.c_str(), 0755);
    std::vector<std::string> argv = {importer, "--quiet", "--force", options.sourceDir, target};
    int reps = std::max(1, options.reps / 2);
    Row row;
    row.figure = "4";
    row.what = "import of the full catalogue (22 + 243 + 16,793 rows)";
    row.subject = "kodexa-import (process)";
    ProcessRun first = RunProcess(argv);
    if (first.exitStatus != 0) Die("kodexa-import failed");
    for (int i = 0; i < reps; ++i) row.subjectSample.Add(RunProcess(argv).seconds);
    row.anchor = "SQLite, same rows, one transaction";
    size_t rows = 0;
    row.anchorSample = Repeat(reps, true, [&] { rows = SqliteLoad(options.sourceDir, options.workDir + "/load.sqlite"); });
    row.target = Target{20, false};
    table.Add(row);
    table.Note("figure 4: SQLite loaded " + std::to_string(rows) + " rows");
}

}  // namespace kodexa::bench
