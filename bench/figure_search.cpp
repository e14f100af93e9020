// Search: the window's full pass in-process and kodexa-find as a process,
// beside SQLite (library and shell), grep and a plain in-memory scan.
#include <algorithm>
#include <cctype>

#include "bench/bench_process.h"
#include "bench/catalogue_bench.h"
#include "bench/sqlite_db.h"

namespace kodexa::bench {

namespace {

const char* const kQueries[] = {"cholera", "diabetes", "fraktur", "nicht näher bezeichnet", "ü", "e11", "",
                                "xqzvj"};

const char kLikeQuery[] =
    "SELECT code, title FROM codes WHERE title LIKE ?1 OR code LIKE ?1 ORDER BY code";

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

std::string Quoted(const std::string& text) {
    std::string quoted;
    for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted;
}

std::string Label(const std::string& query) { return query.empty() ? "(empty text)" : "\"" + query + "\""; }

size_t SqliteSearch(SqliteDb& db, const std::string& query) {
    SqliteStatement select(db, kLikeQuery);
    select.BindText(1, "%" + query + "%");
    std::vector<std::string> lines;
    while (select.Step()) lines.push_back(std::string(select.Text(0)) + '\t' + select.Text(1));
    return lines.size();
}

// Figure 1d: the same two processes counted in instructions, one run each;
// left out when valgrind is not there.
void AddInstructionRow(const Options& options, const std::string& query, const std::vector<std::string>& findArgs,
                       const std::vector<std::string>& shellArgs, Table& table) {
    const double ours = InstructionCount(findArgs, options.workDir);
    const double theirs = InstructionCount(shellArgs, options.workDir);
    if (ours < 0 || theirs < 0) {
        table.Note("figure 1d: " + Label(query) + ": no instruction counts (is valgrind installed?)");
        return;
    }
    Row row;
    row.figure = "1d";
    row.what = Label(query) + " instructions, exec to exit";
    row.subject = "kodexa-find";
    row.subjectSample.Add(ours);
    row.anchor = "sqlite3 shell";
    row.anchorSample.Add(theirs);
    row.unit = Unit::Instructions;
    row.target = Target{1, false};
    table.Add(row);
}

size_t LineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

void FigureSearch(const Options& options, Table& table) {
    std::string dir = CatalogueCopy(options);
    std::string sqlitePath = SqliteCatalogue(options, dir);
    std::vector<CodeRow> codes = AllCodes(dir);
    std::vector<std::string> loweredTitles, loweredCodes;
    for (const CodeRow& row : codes) {
        loweredTitles.push_back(Lowered(row.title));
        loweredCodes.push_back(Lowered(row.code));
    }
    std::string kodes = options.sourceDir + "/icd10gm2024syst_kodes.txt";
    std::string find = options.binDir + "/kodexa-find";

    Catalogue catalogue(dir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading)) Die("no catalogue in " + dir);
    SqliteDb sqlite(sqlitePath, false);

    for (const char* query : kQueries) {
        size_t ours = 0, theirs = 0, floorHits = 0;
        Row inProcess;
        inProcess.figure = "1a";
        inProcess.what = Label(query) + " in-process";
        inProcess.subject = "SearchCodes into kept lines";
        inProcess.subjectSample = Repeat(options.reps, true, [&] {
            LineSink sink;
            catalogue.Search(query, sink, SearchScope::Exact);
            ours = sink.lines.size();
        });
        inProcess.anchor = "SQLite LIKE, in-process";
        inProcess.anchorSample = Repeat(options.reps, true, [&] { theirs = SqliteSearch(sqlite, query); });
        inProcess.target = Target{1, false};
        Row floor = inProcess;
        floor.anchor = "floor: string::find on lowered titles in memory";
        const std::string needle = Lowered(query);
        floor.anchorSample = Repeat(options.reps, true, [&] {
            floorHits = 0;
            for (size_t i = 0; i < loweredTitles.size(); ++i)
                floorHits += loweredTitles[i].find(needle) != std::string::npos ||
                             loweredCodes[i].find(needle) != std::string::npos;
        });
        floor.target = Target{};
        table.Add(inProcess);
        table.Add(floor);
        if (ours != theirs || ours != floorHits)
            table.Note("figure 1: " + Label(query) + ": SearchCodes " + std::to_string(ours) + " hits, SQLite " +
                       std::to_string(theirs) + ", floor " + std::to_string(floorHits));

        // LIKE is the plain substring query, so the same query here is the
        // exact step alone; the steps after it are figure 8's.
        std::vector<std::string> findArgs = {find, "--dir", dir, "--exact", "--", query};
        std::vector<std::string> shellArgs = {"sqlite3", sqlitePath,
                                              "SELECT code, title FROM codes WHERE title LIKE '%" + Quoted(query) +
                                                  "%' OR code LIKE '%" + Quoted(query) + "%' ORDER BY code"};
        Row process;
        process.figure = "1b";
        process.what = Label(query) + " as a process";
        process.subject = "kodexa-find";
        process.subjectSample = RepeatProcess(options.reps, findArgs);
        process.anchor = "sqlite3 shell";
        process.anchorSample = RepeatProcess(options.reps, shellArgs);
        process.target = Target{0.9, false};
        Row grep = process;
        grep.anchor = "grep -ci over the kodes text file";
        grep.anchorSample = RepeatProcess(options.reps, {"grep", "-ci", query, kodes});
        grep.target = Target{};
        table.Add(process);
        table.Add(grep);
        AddInstructionRow(options, query, findArgs, shellArgs, table);
        size_t findLines = LineCount(CaptureOutput(findArgs)), shellLines = LineCount(CaptureOutput(shellArgs));
        if (findLines != ours || shellLines != theirs)
            table.Note("figure 1: " + Label(query) + ": kodexa-find printed " + std::to_string(findLines) +
                       " lines, the sqlite3 shell " + std::to_string(shellLines));
    }
    catalogue.CloseAll();
    FigureWindowSearch(options, dir, table);
}

}  // namespace kodexa::bench
