// Memory of 100 searches in a row as the window runs them: each search
// clears the result list and appends a line per hit, and every hit's item
// data stays alive until the program ends.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "bench/bench_process.h"
#include "bench/catalogue_bench.h"
#include "bench/sqlite_db.h"

#ifdef KODEXA_BENCH_FOX
#include <fx.h>
#endif

namespace kodexa::bench {

#ifdef KODEXA_BENCH_FOX

namespace {

const char* const kQueries[] = {"cholera", "diabetes", "fraktur", "nicht näher bezeichnet", "ü", "e11", "",
                                "xqzvj"};

struct ItemData : FXObject {
    int kind = kKindLeafCode;
    FXString code;
};

class ResultListSink : public SearchSink {
public:
    ResultListSink(FXIconList* list, std::vector<std::unique_ptr<ItemData>>& owned) : list(list), owned(owned) {}
    void AddResult(const std::string& code, const std::string& title) override {
        owned.push_back(std::make_unique<ItemData>());
        owned.back()->code = code.c_str();
        list->appendItem((code + '\t' + title).c_str(), nullptr, nullptr, owned.back().get(), FALSE);
    }

private:
    FXIconList* list;
    std::vector<std::unique_ptr<ItemData>>& owned;
};

double PeakOfChild(const std::string& dir, int searches) {
    std::string output = CaptureOutput({"/proc/self/exe", "--memory-child", dir, std::to_string(searches)});
    double peak = std::strtod(output.c_str(), nullptr);
    if (peak <= 0) Die("the memory child failed");
    return peak;
}

}  // namespace

// Runs as a process of its own (kodexa-bench --memory-child DIR N), so that
// its peak resident set is its own; prints it in bytes.
int MemoryChild(const std::string& dir, int searches) {
    static int argc = 1;
    static char name[] = "kodexa-bench";
    static char* argv[] = {name, nullptr};
    FXApp application("KodexaBenchMemory", "Taviron");
    application.init(argc, argv);
    FXMainWindow* window = new FXMainWindow(&application, "Kodexa bench memory", nullptr, nullptr, DECOR_ALL, 0, 0, 600, 400);
    FXIconList* list = new FXIconList(window, nullptr, 0, ICONLIST_DETAILED | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    list->appendHeader("Code", nullptr, 80);
    list->appendHeader("Titel", nullptr, 500);
    application.create();
    Catalogue catalogue(dir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading)) return 3;
    std::vector<std::unique_ptr<ItemData>> owned;
    for (int i = 0; i < searches; ++i) {
        list->clearItems();
        ResultListSink sink(list, owned);
        catalogue.Search(kQueries[i % (sizeof kQueries / sizeof *kQueries)], sink);
    }
    catalogue.CloseAll();
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) std::printf("%.0f\n", std::strtod(line.c_str() + 6, nullptr) * 1024.0);
    return 0;
}

void FigureMemory(const Options& options, Table& table) {
    if (std::getenv("DISPLAY") == nullptr) {
        table.Note("figure 6b: no X display; not measured");
        return;
    }
    std::string dir = CatalogueCopy(options);
    Row row;
    row.figure = "6b";
    row.what = "peak resident set, 100 searches into a result list (8 texts in turn)";
    row.subject = "SearchCodes into FXIconList";
    row.subjectSample.Add(PeakOfChild(dir, 100));
    row.anchor = "the same process with no search";
    row.anchorSample.Add(PeakOfChild(dir, 0));
    row.unit = Unit::Bytes;
    table.Add(row);
}

#else

void FigureMemory(const Options&, Table& table) { table.Note("figure 6b: built without FOX; not measured"); }
int MemoryChild(const std::string&, int) { return 2; }

#endif

}  // namespace kodexa::bench
