// kodexa-check: tells whether Kodexa store and index files are sound.
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_check.h"
#include "check/file_check.h"
#include "store/file_layer.h"
#include "tools/arguments.h"

namespace {

constexpr int kExitSound = 0;
constexpr int kExitDamaged = 1;
constexpr char kTool[] = "kodexa-check";

enum OptionId { kHelp = kodexa::kHelpOption, kVersion = 256, kIndex };
const option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"index", no_argument, nullptr, kIndex},
    {nullptr, 0, nullptr, 0},
};

const char kUsage[] =
    "Usage: kodexa-check [--index] FILE|DIR...\n"
    "\n"
    "Reads each Kodexa store file (.dat) or index file (.ndx) and reports its\n"
    "header, its blocks by status, the length of its free list and any checksum\n"
    "failures; for an index file also the B-tree: order, entry size, key count,\n"
    "height, node count, and whether keys ascend across the whole tree, all\n"
    "leaves lie at the same depth, the header's counts match the tree and no\n"
    "node is reached twice. Files are opened read-only and never changed.\n"
    "\n"
    "A DIR is taken as a catalogue: each of its files (data1 to data3, and data4\n"
    "to data6 when there) is checked, then the catalogue as a whole: each\n"
    "record holds the code its key names, the keys ascend, each code lies in its\n"
    "group's range and each group in its chapter, the facts belong to codes of\n"
    "the catalogue, each term line of the alphabetical index reads, and the\n"
    "transition table's links read, lead to codes of the catalogue and agree\n"
    "from both ends. A disagreement is named with its file and the offset of\n"
    "the record.\n"
    "\n"
    "  --index    check every FILE as an index file, whatever its name (the\n"
    "             files of a DIR go by their names)\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 all files sound, 1 a file or a catalogue is damaged or\n"
    "cannot be read, 2 wrong usage, 5 standard output could not be written.\n";

// The problems listed, how many more there are, and the result line.
void PrintProblems(const std::vector<std::string>& problems, int64_t problemCount) {
    for (const std::string& line : problems) std::printf("  problem: %s\n", line.c_str());
    int64_t unlisted = problemCount - int64_t(problems.size());
    if (unlisted > 0) std::printf("  problem: %lld more not listed\n", static_cast<long long>(unlisted));
    if (problemCount == 0)
        std::printf("  result: sound\n");
    else
        std::printf("  result: damaged (%lld %s)\n", static_cast<long long>(problemCount),
                    problemCount == 1 ? "problem" : "problems");
}

void PrintReport(const std::string& name, const kodexa::CheckReport& report) {
    std::printf("%s\n", name.c_str());
    for (const std::string& line : report.facts) std::printf("  %s\n", line.c_str());
    for (const std::string& line : report.warnings) std::printf("  warning: %s\n", line.c_str());
    PrintProblems(report.problems, report.problemCount);
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return kodexa::PathStatus(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The files of the catalogue in dir: those every catalogue has, whether
// there or not, and the optional ones of which a file is there.
std::vector<std::string> CatalogueFiles(const std::string& dir) {
    std::vector<std::string> paths;
    for (const std::string& name : kodexa::FileNamesOf(kodexa::kAllCatalogueFiles)) paths.push_back(dir + name);
    for (kodexa::CatalogueFile which : kodexa::kOptionalCatalogueFiles) {
        const std::vector<std::string> names = kodexa::FileNamesOf(std::vector<kodexa::CatalogueFile>{which});
        const bool there = kodexa::StoreFile::FileExists((dir + names[0]).c_str()) ||
                           kodexa::StoreFile::FileExists((dir + names[1]).c_str());
        if (there)
            for (const std::string& name : names) paths.push_back(dir + name);
    }
    return paths;
}

// Each file of the catalogue, then the catalogue as a whole; answers
// whether all was sound. The names say which files are indexes.
bool CheckDirectory(const std::string& dir, bool& first) {
    const std::string slashed = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    bool sound = true;
    for (const std::string& path : CatalogueFiles(slashed)) {
        if (!first) std::printf("\n");
        first = false;
        kodexa::CheckReport report = kodexa::CheckStoreFile(path, kodexa::IsIndexFileName(path));
        PrintReport(path, report);
        sound = report.IsSound() && sound;
    }
    const kodexa::CatalogueCheckReport whole = kodexa::CheckCatalogue(dir);
    std::printf("\n%s (the catalogue as a whole)\n", dir.c_str());
    for (const std::string& line : whole.facts) std::printf("  %s\n", line.c_str());
    PrintProblems(whole.problems, whole.problemCount);
    return whole.IsSound() && sound;
}

}  // namespace

static int RunTool(int argc, char** argv) {
    bool allAsIndex = false;
    std::vector<std::string> files;
    kodexa::ArgumentReader arguments(argc, argv, kOptions);
    for (kodexa::Argument argument; arguments.Next(argument);) {
        switch (argument.option) {
            case kodexa::kOperand:
                files.push_back(argument.value);
                break;
            case kHelp:
                return kodexa::ShowUsage(kUsage);
            case kVersion:
                return kodexa::ShowVersion(kTool);
            case kIndex:
                allAsIndex = true;
                break;
            default:
                return kodexa::UsageError(kTool, "unknown option " + argument.text);
        }
    }
    if (files.empty()) return kodexa::UsageError(kTool, "no file given");

    int status = kExitSound;
    bool first = true;
    for (const std::string& file : files) {
        if (IsDirectory(file)) {
            if (!CheckDirectory(file, first)) status = kExitDamaged;
            continue;
        }
        if (!first) std::printf("\n");
        first = false;
        bool asIndex = allAsIndex || kodexa::IsIndexFileName(file);
        kodexa::CheckReport report = kodexa::CheckStoreFile(file, asIndex);
        PrintReport(file, report);
        if (!report.IsSound()) status = kExitDamaged;
    }
    return status;
}

// Whatever the answer, it counts only once it is written.
int main(int argc, char** argv) { return kodexa::FinishOutput(kTool, RunTool(argc, argv)); }
