// Search with the alphabetical index: titles and every term in one pass, in
// process, beside SQLite running the same LIKE over the same titles and
// terms. No real index file ships with the project (its terms carry rights
// of their own), so the bench makes one of the real index's size from the
// catalogue's codes and titles and imports it with kodexa-import --alpha.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "bench/bench_process.h"
#include "bench/catalogue_bench.h"
#include "bench/sqlite_db.h"
#include "catalogue/alpha_terms.h"

namespace kodexa::bench {

namespace {

const char* const kQueries[] = {"cholera", "diabetes", "fraktur", "nicht näher bezeichnet", "", "xqzvj"};

// Every line a search gives, titles and terms, kept as the window keeps them.
struct AllLines : SearchSink {
    void AddResult(const std::string& code, const std::string& title) override { lines.push_back(code + '\t' + title); }
    void AddTerm(const TermHit& hit) override { lines.push_back(hit.codes + '\t' + hit.term); }
    std::vector<std::string> lines;
};

std::string LastWords(const std::string& title) {
    const size_t comma = title.rfind(", ");
    return comma == std::string::npos ? title : title.substr(comma + 2) + " bei " + title.substr(0, comma);
}

// About five terms per code, every kind of line among them: some 84,000
// lines for the 16,000 codes of an edition, as many as the real index has.
void WriteSyntheticIndex(const std::vector<CodeRow>& codes, const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    size_t number = 0;
    const size_t n = codes.size();
    for (size_t i = 0; i < n; ++i) {
        const std::string& code = codes[i].code;
        const std::string& title = codes[i].title;
        const std::string other = codes[(i * 7 + 3) % n].code;
        out << "1|" << ++number << "|1|" << code << "||||" << title << "\n";
        out << "1|" << ++number << "|1|" << code << "||||" << LastWords(title) << "\n";
        out << "2|" << ++number << "|1|" << code << "+|" << other << "*|||" << title << " als Manifestation\n";
        out << "3|" << ++number << "|0|" << code << "||" << other << "!||" << "Zustand nach " << title << "\n";
        if (i % 2 == 0) out << "6|" << ++number << "|1|" << code << "|||" << other << "|" << title << " mit Begleitbefund\n";
        if (i % 3 == 0) out << "0|" << ++number << "|1|||||Siehe auch " << title << " - s. " << code << "\n";
    }
    if (!out) Die("cannot write " + path);
}

// The terms in the order the search lists them, read back with the search.
std::vector<TermHit> AllTerms(const std::string& dir) {
    Catalogue catalogue(dir);
    if (catalogue.OpenIfPresent(CatalogueFile::AlphaIndex) != OptionalState::Open) Die("no alphabetical index in " + dir);
    struct Terms : SearchSink {
        void AddResult(const std::string&, const std::string&) override {}
        void AddTerm(const TermHit& hit) override { terms.push_back(hit); }
        std::vector<TermHit> terms;
    } sink;
    SearchAlphaTerms(catalogue.Database(CatalogueFile::AlphaIndex), "", sink);
    return sink.terms;
}

std::string SqliteWithTerms(const Options& options, const std::vector<CodeRow>& codes,
                            const std::vector<TermHit>& terms) {
    const std::string path = options.workDir + "/alpha.sqlite";
    SqliteDb db(path, true);
    db.Exec("BEGIN");
    db.Exec("CREATE TABLE codes(code TEXT PRIMARY KEY, title TEXT)");
    db.Exec("CREATE TABLE terms(id INTEGER PRIMARY KEY, codes TEXT, term TEXT)");
    SqliteStatement insertCode(db, "INSERT INTO codes(code, title) VALUES(?, ?)");
    for (const CodeRow& row : codes) {
        insertCode.BindText(1, row.code);
        insertCode.BindText(2, row.title);
        insertCode.Step();
        insertCode.Reset();
    }
    SqliteStatement insertTerm(db, "INSERT INTO terms(codes, term) VALUES(?, ?)");
    for (const TermHit& term : terms) {
        insertTerm.BindText(1, term.codes);
        insertTerm.BindText(2, term.term);
        insertTerm.Step();
        insertTerm.Reset();
    }
    db.Exec("COMMIT");
    return path;
}

const char kTitleQuery[] = "SELECT code, title FROM codes WHERE title LIKE ?1 OR code LIKE ?1 ORDER BY code";
const char kTermQuery[] = "SELECT codes, term FROM terms WHERE term LIKE ?1 ORDER BY id";

void SqliteQuery(SqliteDb& db, const char* sql, const std::string& query, std::vector<std::string>& lines) {
    SqliteStatement select(db, sql);
    select.BindText(1, "%" + query + "%");
    while (select.Step()) lines.push_back(std::string(select.Text(0)) + '\t' + select.Text(1));
}

size_t SqliteSearch(SqliteDb& db, const std::string& query, bool withTitles = true) {
    std::vector<std::string> lines;
    if (withTitles) SqliteQuery(db, kTitleQuery, query, lines);
    SqliteQuery(db, kTermQuery, query, lines);
    return lines.size();
}

std::string Label(const std::string& query) { return query.empty() ? "(empty text)" : "\"" + query + "\""; }

}  // namespace

void FigureAlphaSearch(const Options& options, Table& table) {
    const std::string source = CatalogueCopy(options);
    const std::vector<CodeRow> codes = AllCodes(source);
    const std::string dir = options.workDir + "/alpha-catalogue", indexFile = options.workDir + "/alpha-index.txt";
    WriteSyntheticIndex(codes, indexFile);
    if (RunProcess({options.binDir + "/kodexa-import", "--quiet", "--force", "--alpha", indexFile,
                    options.sourceDir, dir})
            .exitStatus != 0)
        Die("kodexa-import --alpha failed");
    const std::vector<TermHit> terms = AllTerms(dir);
    SqliteDb sqlite(SqliteWithTerms(options, codes, terms), false);
    Catalogue catalogue(dir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading) ||
        catalogue.OpenIfPresent(CatalogueFile::AlphaIndex) != OptionalState::Open)
        Die("cannot open " + dir);
    table.Note("figure 7: a made-up index of " + std::to_string(terms.size()) + " terms for " +
               std::to_string(codes.size()) + " codes");

    for (const char* query : kQueries) {
        size_t ours = 0, theirs = 0;
        Row row;
        row.figure = "7";
        row.what = Label(query) + " titles and index terms";
        row.subject = "Search with data4 into kept lines";
        row.subjectSample = Repeat(options.reps, true, [&] {
            AllLines sink;
            catalogue.Search(query, sink);
            ours = sink.lines.size();
        });
        row.anchor = "SQLite LIKE over titles and terms, in-process";
        row.anchorSample = Repeat(options.reps, true, [&] { theirs = SqliteSearch(sqlite, query); });
        row.target = Target{2, false};
        table.Add(row);
        // The index's own share: its terms alone, against the terms query.
        Row terms = row;
        terms.figure = "7b";
        terms.what = Label(query) + " index terms only";
        terms.subject = "SearchAlphaTerms into kept lines";
        terms.subjectSample = Repeat(options.reps, true, [&] {
            AllLines sink;
            SearchAlphaTerms(catalogue.Database(CatalogueFile::AlphaIndex), query, sink);
        });
        terms.anchor = "SQLite LIKE over the terms, in-process";
        terms.anchorSample = Repeat(options.reps, true, [&] { SqliteSearch(sqlite, query, false); });
        terms.target = Target{};
        table.Add(terms);
        if (ours != theirs)
            table.Note("figure 7: " + Label(query) + ": Kodexa " + std::to_string(ours) + " lines, SQLite " +
                       std::to_string(theirs));
    }
    catalogue.CloseAll();
    FigureTypedSearch(options, dir, table);
}

}  // namespace kodexa::bench
