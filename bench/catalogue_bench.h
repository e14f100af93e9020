// The catalogue side shared by the figures: a scratch copy of the catalogue,
// the sinks, and the same rows in SQLite.
#ifndef KODEXA_BENCH_CATALOGUE_BENCH_H
#define KODEXA_BENCH_CATALOGUE_BENCH_H

#include <string>
#include <vector>

#include "bench/figures.h"
#include "catalogue/catalogue.h"

namespace kodexa::bench {

// A copy of the catalogue in the scratch directory, so that the window's
// read-write opening never touches the program's own files.
std::string CatalogueCopy(const Options& options);

struct CodeRow {
    std::string code, title;
};

// What the search hands the window: the lines, kept.
class LineSink : public SearchSink {
public:
    void AddResult(const std::string& code, const std::string& title) override {
        lines.push_back(code + '\t' + title);
    }
    std::vector<std::string> lines;
};

class NullTreeSink : public TreeSink {
public:
    Item AddItem(Item, const std::string&, IconRole, ItemKind, const std::string&) override {
        return reinterpret_cast<Item>(++count);
    }
    size_t count = 0;
};

// Every code and title in index order, read with the search itself.
std::vector<CodeRow> AllCodes(const std::string& catalogueDir);

// The SQLite anchor database: codes(code PRIMARY KEY, title) and the
// chapters and groups likewise, built once from the Kodexa catalogue.
std::string SqliteCatalogue(const Options& options, const std::string& catalogueDir);

void StartupInProcess(const Options& options, Table& table);

}  // namespace kodexa::bench

#endif
