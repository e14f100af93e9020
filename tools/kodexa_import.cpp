// kodexa-import: turns the ICD-10 classification text files (chapters,
// groups, codes) into the six catalogue files Kodexa reads.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "import/importer.h"
#include "tools/arguments.h"

namespace {

constexpr char kToolName[] = "kodexa-import";
constexpr char kTool[] = "kodexa-import: ";
constexpr size_t kCodesPerProgressLine = 2000;
constexpr int kBarWidth = 30;

enum class ProgressStyle { None, Lines, Bar };

const char kUsage[] =
    "Usage: kodexa-import [OPTIONS] SOURCE-DIR TARGET-DIR\n"
    "       kodexa-import [OPTIONS] CHAPTERS-FILE GROUPS-FILE CODES-FILE TARGET-DIR\n"
    "\n"
    "Builds a Kodexa catalogue (data1, data2 and data3 .dat/.ndx: groups, chapters\n"
    "and codes) in TARGET-DIR from the classification files of the ICD-10-GM or\n"
    "ICD-10-WHO, years 2007 on. SOURCE-DIR is searched for the three files under\n"
    "any of the names the downloads use (icd10gm2024syst_kodes.txt,\n"
    "icd10gmsyst_kodes2010.txt, icd102019syst_codes.txt, ...); the files taken are\n"
    "named. UTF-8 and ISO-8859-1 files are read; the catalogue holds UTF-8.\n"
    "\n"
    "An alphabetical index (icd10gm2026alpha_edvtxt_20250926.txt, the BfArM's\n"
    "\"EDV-Fassung TXT\") found in SOURCE-DIR or named with --alpha is checked and\n"
    "written as data4.dat/.ndx; its terms are then searched too. Terms naming a\n"
    "code that is not in the catalogue are left out and counted.\n"
    "\n"
    "The new files are built beside the target and moved in only when complete;\n"
    "a failed import leaves TARGET-DIR as it was.\n"
    "\n"
    "Options:\n"
    "  --alpha FILE  take FILE as the alphabetical index\n"
    "  --force       replace the catalogue TARGET-DIR already holds\n"
    "  --quiet       no progress and no summary (notes and errors still appear)\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "A source that seems cut short is refused with its file and line: a last\n"
    "line without line end, a codes line with fewer fields than the file's\n"
    "other lines, a chapter left without codes.\n"
    "\n"
    "Exit status: 0 imported, 1 failed (bad input or file error), 2 wrong usage,\n"
    "4 standard output could not be written.\n";

enum OptionId { kHelp = kodexa::kHelpOption, kVersion = 256, kAlpha, kForce, kQuiet };
const option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"alpha", required_argument, nullptr, kAlpha},
    {"force", no_argument, nullptr, kForce},
    {"quiet", no_argument, nullptr, kQuiet},
    {nullptr, 0, nullptr, 0},
};

int UsageError(const std::string& message) { return kodexa::UsageError(kToolName, message); }

// Prints the run's report on out. Quiet leaves out the files taken, the
// progress and the summary; notes and errors always show.
class PrintedReport : public kodexa::ImportReport {
public:
    PrintedReport(std::ostream& out, ProgressStyle style, bool quiet)
        : out(out), style(quiet ? ProgressStyle::None : style), quiet(quiet) {}

    void SourceTaken(kodexa::SourceRole role, const std::string& path, kodexa::SourceEncoding encoding) override {
        if (quiet) return;
        out << kTool << kodexa::RoleName(role) << ": " << path << " (" << kodexa::EncodingName(encoding) << ")"
            << std::endl;
    }
    void LeftOut(const std::string& note) override { out << kTool << "note: " << note << std::endl; }
    void EarlierReplacementFinished() override {
        out << kTool << "finished moving in the catalogue of an earlier import that was cut short" << std::endl;
    }
    void CodesWritten(size_t done, size_t total) override {
        if (style == ProgressStyle::Lines && (done % kCodesPerProgressLine == 0 || done == total)) {
            out << kTool << done << " of " << total << " codes written" << std::endl;
        } else if (style == ProgressStyle::Bar) {
            ShowBar(done, total);
        }
    }
    void Finished(const kodexa::ImportCounts& counts, const std::string& target, double seconds) override {
        if (quiet) return;
        char elapsed[32];
        std::snprintf(elapsed, sizeof elapsed, "%.1f", seconds);
        out << kTool << counts.chapters << " chapters, " << counts.groups << " groups, " << counts.codes
            << " codes" << AlphaSummary(counts) << " written to " << target << " in " << elapsed << " seconds"
            << std::endl;
    }
    void Failed(const std::string& message) override { out << kTool << message << std::endl; }

private:
    static std::string AlphaSummary(const kodexa::ImportCounts& counts) {
        if (!counts.alphaIndex) return "";
        return ", " + std::to_string(counts.terms) + " index terms (" + std::to_string(counts.termsLeftOut) +
               " left out: codes not in the catalogue)";
    }

    // Redrawn in place, only when the percentage changes.
    void ShowBar(size_t done, size_t total) {
        int percent = static_cast<int>(done * 100 / total);
        if (percent == shownPercent) return;
        shownPercent = percent;
        int filled = percent * kBarWidth / 100;
        out << '\r' << kTool << "writing codes [" << std::string(filled, '#') << std::string(kBarWidth - filled, ' ')
            << "] " << percent << '%' << (done == total ? "\n" : "") << std::flush;
    }

    std::ostream& out;
    ProgressStyle style;
    bool quiet;
    int shownPercent = -1;
};

}  // namespace

static int RunTool(int argc, char** argv) {
    kodexa::ImportRequest request;
    bool quiet = false;
    std::vector<std::string> operands;
    kodexa::ArgumentReader arguments(argc, argv, kOptions);
    for (kodexa::Argument argument; arguments.Next(argument);) {
        switch (argument.option) {
            case kodexa::kOperand:
                operands.push_back(argument.value);
                break;
            case kHelp:
                return kodexa::ShowUsage(kUsage);
            case kVersion:
                return kodexa::ShowVersion(kToolName);
            case kAlpha:
                request.alphaFile = argument.value;
                break;
            case kForce:
                request.force = true;
                break;
            case kQuiet:
                quiet = true;
                break;
            case kodexa::kMissingValue:
                return UsageError("--alpha needs a file");
            default:
                return UsageError("unknown option " + argument.text);
        }
    }
    if (operands.size() == 2) {
        request.sourceDir = operands[0];
    } else if (operands.size() == 4) {
        request.files = {operands[0], operands[1], operands[2]};
    } else {
        return UsageError(operands.size() < 2 ? "missing operands" : "wrong number of operands");
    }
    request.targetDir = operands.back();
    PrintedReport report(std::cerr, isatty(STDERR_FILENO) ? ProgressStyle::Bar : ProgressStyle::Lines, quiet);
    return kodexa::RunImport(request, report);
}

// Whatever the answer, it counts only once it is written.
int main(int argc, char** argv) { return kodexa::FinishOutput(kToolName, RunTool(argc, argv)); }
