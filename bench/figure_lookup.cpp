// Exact lookup of every code in random order: the index lookup and the
// record read the copy commands make, against SQLite's primary key.
#include <algorithm>
#include <random>

#include "bench/catalogue_bench.h"
#include "bench/sqlite_db.h"
#include "catalogue/catalogue_records.h"

namespace kodexa::bench {

void FigureLookup(const Options& options, Table& table) {
    std::string dir = CatalogueCopy(options);
    std::string sqlitePath = SqliteCatalogue(options, dir);
    std::vector<CodeRow> codes = AllCodes(dir);
    std::shuffle(codes.begin(), codes.end(), std::mt19937(3));
    double perLookup = 1.0 / static_cast<double>(codes.size());

    Catalogue catalogue(dir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading)) Die("no catalogue in " + dir);
    Row row;
    row.figure = "3";
    row.what = "exact lookup, all " + std::to_string(codes.size()) + " codes in random order, per lookup";
    row.subject = "CodeRecord Find + Reload";
    row.subjectSample = Repeat(options.reps, false, [&] {
                            for (const CodeRow& wanted : codes) {
                                CodeRecord record(&catalogue.Database(CatalogueFile::Codes));
                                record.code = wanted.code;
                                if (!record.Find() || !record.Reload() || TextOrEmpty(record.title) != wanted.title)
                                    Die("lookup of " + wanted.code + " failed");
                            }
                        }).Scaled(perLookup);
    catalogue.CloseAll();

    SqliteDb sqlite(sqlitePath, false);
    SqliteStatement select(sqlite, "SELECT title FROM codes WHERE code = ?");
    row.anchor = "SQLite primary-key SELECT";
    row.anchorSample = Repeat(options.reps, false, [&] {
                           for (const CodeRow& wanted : codes) {
                               select.BindText(1, wanted.code);
                               if (!select.Step() || wanted.title != select.Text(0))
                                   Die("SQLite lookup of " + wanted.code + " failed");
                               select.Reset();
                           }
                       }).Scaled(perLookup);
    table.Add(row);
    FigureCheck(options, table);
}

}  // namespace kodexa::bench
