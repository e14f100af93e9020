// kodexa-check: tells whether Kodexa store and index files are sound.
#include <cstdio>
#include <string>
#include <vector>

#include "check/file_check.h"
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
    "Usage: kodexa-check [--index] FILE...\n"
    "\n"
    "Reads each Kodexa store file (.dat) or index file (.ndx) and reports its\n"
    "header, its blocks by status, the length of its free list and any checksum\n"
    "failures; for an index file also the B-tree: order, entry size, key count,\n"
    "height, node count, and whether keys ascend across the whole tree, all\n"
    "leaves lie at the same depth, the header's counts match the tree and no\n"
    "node is reached twice. Files are opened read-only and never changed.\n"
    "\n"
    "  --index    check every FILE as an index file, whatever its name\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 all files sound, 1 a file is damaged or cannot be read,\n"
    "2 wrong usage.\n";

void PrintReport(const std::string& name, const kodexa::CheckReport& report) {
    std::printf("%s\n", name.c_str());
    for (const std::string& line : report.facts) std::printf("  %s\n", line.c_str());
    for (const std::string& line : report.warnings) std::printf("  warning: %s\n", line.c_str());
    for (const std::string& line : report.problems) std::printf("  problem: %s\n", line.c_str());
    int64_t unlisted = report.problemCount - int64_t(report.problems.size());
    if (unlisted > 0) std::printf("  problem: %lld more not listed\n", static_cast<long long>(unlisted));
    if (report.IsSound())
        std::printf("  result: sound\n");
    else
        std::printf("  result: damaged (%lld problems)\n", static_cast<long long>(report.problemCount));
}

}  // namespace

int main(int argc, char** argv) {
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
    for (size_t i = 0; i < files.size(); ++i) {
        if (i > 0) std::printf("\n");
        bool asIndex = allAsIndex || kodexa::IsIndexFileName(files[i]);
        kodexa::CheckReport report = kodexa::CheckStoreFile(files[i], asIndex);
        PrintReport(files[i], report);
        if (!report.IsSound()) status = kExitDamaged;
    }
    return status;
}
