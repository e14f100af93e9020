// kodexa-bench: puts Kodexa's hot paths beside what a user or developer would
// pick instead, on the same data in the same run, and prints one Markdown
// table. scripts/bench.sh builds, installs what is needed and runs it.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

#include "bench/figures.h"
#include "bench/sqlite_db.h"

namespace {

using kodexa::bench::Options;

const char kUsage[] =
    "usage: kodexa-bench [options]\n"
    "  --figures LIST     figures to run, e.g. 1,2,5 (default: all)\n"
    "  --reps N           repetitions per measurement (default 5)\n"
    "  --scale LIST       key counts of figure 5 (default 10000,100000,1000000)\n"
    "  --scale-reps N     repetitions of figure 5 (default 1)\n"
    "  --bin DIR          directory of kodexa, kodexa-find, kodexa-import\n"
    "  --catalogue DIR    directory of the catalogue files data1..3 (default: --bin)\n"
    "  --source DIR       directory of the classification text files\n"
    "  --empty-window P   the empty FOX window program (the start-up floor)\n"
    "  --work DIR         scratch directory (default /tmp/kodexa-bench)\n"
    "  --out FILE         also write the table to FILE\n"
    "  --help, --version\n";

std::vector<int> ParseList(const char* text) {
    std::vector<int> values;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        char* end = nullptr;
        long value = std::strtol(item.c_str(), &end, 10);
        if (end == item.c_str() || *end != 0 || value <= 0) kodexa::bench::Die("not a list of numbers: " + item);
        values.push_back(static_cast<int>(value));
    }
    return values;
}

int ParseCount(const char* text) {
    std::vector<int> values = ParseList(text);
    if (values.size() != 1) kodexa::bench::Die(std::string("not a number: ") + text);
    return values[0];
}

}  // namespace

int main(int argc, char* argv[]) {
    Options options;
    std::set<int> figures = {1, 2, 3, 4, 5, 6, 7, 8};
    std::string outFile;
    if (argc == 4 && std::strcmp(argv[1], "--memory-child") == 0)
        return kodexa::bench::MemoryChild(argv[2], std::atoi(argv[3]));
    if (argc == 5 && std::strcmp(argv[1], "--window-search-child") == 0)
        return kodexa::bench::WindowSearchChild(argv[2], std::atoi(argv[3]), argv[4]);
    if (argc == 5 && std::strcmp(argv[1], "--typed-search-child") == 0)
        return kodexa::bench::TypedSearchChild(argv[2], std::atoi(argv[3]), argv[4]);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help") return std::fputs(kUsage, stdout), 0;
        if (arg == "--version") return std::puts("kodexa-bench 1.0"), 0;
        if (i + 1 >= argc) return std::fputs(kUsage, stderr), 2;
        const char* value = argv[++i];
        if (arg == "--figures") {
            std::vector<int> list = ParseList(value);
            figures = std::set<int>(list.begin(), list.end());
        } else if (arg == "--reps") {
            options.reps = ParseCount(value);
        } else if (arg == "--scale") {
            options.scaleSizes = ParseList(value);
        } else if (arg == "--scale-reps") {
            options.scaleReps = ParseCount(value);
        } else if (arg == "--bin") {
            options.binDir = value;
        } else if (arg == "--catalogue") {
            options.catalogueDir = value;
        } else if (arg == "--source") {
            options.sourceDir = value;
        } else if (arg == "--empty-window") {
            options.emptyWindow = value;
        } else if (arg == "--work") {
            options.workDir = value;
        } else if (arg == "--out") {
            outFile = value;
        } else {
            std::fprintf(stderr, "kodexa-bench: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (options.catalogueDir.empty()) options.catalogueDir = options.binDir;
    mkdir(options.workDir.c_str(), 0755);

    kodexa::bench::Table table;
    table.StreamTo(stderr);  // progress; the whole table goes to stdout at the end
    using Figure = void (*)(const Options&, kodexa::bench::Table&);
    static const std::pair<int, Figure> kFigures[] = {
        {1, kodexa::bench::FigureSearch}, {2, kodexa::bench::FigureStartup}, {3, kodexa::bench::FigureLookup},
        {4, kodexa::bench::FigureImport}, {5, kodexa::bench::FigureScale},   {6, kodexa::bench::FigureMemory},
        {7, kodexa::bench::FigureAlphaSearch}, {8, kodexa::bench::FigureWords},
    };
    for (const auto& figure : kFigures)
        if (figures.count(figure.first)) figure.second(options, table);

    std::string markdown = table.Markdown();
    std::fputs(markdown.c_str(), stdout);
    if (!outFile.empty()) {
        FILE* out = std::fopen(outFile.c_str(), "w");
        if (out == nullptr) kodexa::bench::Die("cannot write " + outFile);
        std::fputs(markdown.c_str(), out);
        std::fclose(out);
    }
    return 0;
}
