// Several words in any order: kodexa-find over the titles against the
// sqlite3 shell running the query a program on SQLite would use, every
// word in a LIKE of its own, and SQLite's FTS5 with its trigram tokenizer.
#include <string>
#include <vector>

#include "bench/bench_process.h"
#include "bench/catalogue_bench.h"
#include "bench/sqlite_db.h"

namespace kodexa::bench {

namespace {

const char* const kWordQueries[] = {"diabetes niere", "bronchitis akut", "radius fraktur distal",
                                    "nicht bezeichnet akut"};

std::vector<std::string> WordsOf(const std::string& text) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

std::string WordsAndLike(const std::string& text) {
    std::string sql = "SELECT code, title FROM codes WHERE 1";
    for (const std::string& word : WordsOf(text))
        sql += " AND (title LIKE '%" + word + "%' OR code LIKE '%" + word + "%')";
    return sql + " ORDER BY code";
}

std::string TrigramMatch(const std::string& text) {
    std::string match;
    for (const std::string& word : WordsOf(text)) match += (match.empty() ? "\"" : " AND \"") + word + "\"";
    return "SELECT code, title FROM codes_trigram WHERE codes_trigram MATCH '" + match + "' ORDER BY code";
}

// The same rows in an FTS5 table with the trigram tokenizer, which finds a
// word inside a longer one as LIKE does, in any case.
std::string TrigramCatalogue(const Options& options, const std::string& catalogueDir) {
    const std::string path = options.workDir + "/catalogue-trigram.sqlite";
    SqliteDb db(path, true);
    const std::string attach = "ATTACH '" + SqliteCatalogue(options, catalogueDir) + "' AS plain";
    db.Exec(attach.c_str());
    db.Exec("CREATE VIRTUAL TABLE codes_trigram USING fts5(code, title, tokenize='trigram')");
    db.Exec("INSERT INTO codes_trigram SELECT code, title FROM plain.codes");
    return path;
}

size_t LineCount(const std::string& text) {
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

}  // namespace

void FigureWords(const Options& options, Table& table) {
    const std::string dir = CatalogueCopy(options);
    const std::string sqlitePath = SqliteCatalogue(options, dir), trigramPath = TrigramCatalogue(options, dir);
    const std::string find = options.binDir + "/kodexa-find";
    for (const char* query : kWordQueries) {
        const std::vector<std::string> findArgs = {find, "--dir", dir, "--titles-only", "--", query};
        const std::vector<std::string> likeArgs = {"sqlite3", sqlitePath, WordsAndLike(query)};
        const std::vector<std::string> trigramArgs = {"sqlite3", trigramPath, TrigramMatch(query)};
        Row row;
        row.figure = "8";
        row.what = std::string("\"") + query + "\" several words, as a process";
        row.subject = "kodexa-find --titles-only";
        row.subjectSample = RepeatProcess(options.reps, findArgs);
        row.anchor = "sqlite3 shell, every word a LIKE, AND";
        row.anchorSample = RepeatProcess(options.reps, likeArgs);
        row.target = Target{1.5, false};
        Row trigram = row;
        trigram.anchor = "sqlite3 shell, FTS5 trigram MATCH, AND";
        trigram.anchorSample = RepeatProcess(options.reps, trigramArgs);
        trigram.target = Target{};
        table.Add(row);
        table.Add(trigram);
        table.Note("figure 8: \"" + std::string(query) + "\": kodexa-find " +
                   std::to_string(LineCount(CaptureOutput(findArgs))) + " lines (all four groups), words-AND LIKE " +
                   std::to_string(LineCount(CaptureOutput(likeArgs))) + ", FTS5 trigram " +
                   std::to_string(LineCount(CaptureOutput(trigramArgs))));
    }
}

}  // namespace kodexa::bench
