// kodexa-import: turns the ICD-10 classification text files (chapters,
// groups, codes) into the six catalogue files Kodexa reads.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "catalogue/catalogue_shelf.h"
#include "import/facts_source.h"
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
    "       kodexa-import [OPTIONS] SOURCE-DIR | CHAPTERS-FILE GROUPS-FILE CODES-FILE\n"
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
    "A transition table from the previous edition (\"Umsteiger\",\n"
    "icd10gm2024syst_umsteiger_2023_20221206_2024.txt) found in SOURCE-DIR or named\n"
    "with --transitions is checked line by line and written as data6.dat/.ndx, with\n"
    "the years its name joins. A table naming a new code that the catalogue lacks,\n"
    "or leading to another year than the catalogue's, is refused.\n"
    "\n"
    "Without TARGET-DIR the catalogue goes to ~/.local/share/kodexa/catalogues/\n"
    "EDITION (EDITION as ICD-10-GM-2025, from the codes file's name; under\n"
    "$XDG_DATA_HOME/kodexa/catalogues when that is set), where the window's\n"
    "\"Datei > Katalog w\xc3\xa4hlen\" finds it.\n"
    "\n"
    "The new files are built beside the target and moved in only when complete;\n"
    "a failed import leaves TARGET-DIR as it was.\n"
    "\n"
    "Options:\n"
    "  --alpha FILE  take FILE as the alphabetical index\n"
    "  --transitions FILE\n"
    "                take FILE as the transition table from the previous edition\n"
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
    "5 standard output could not be written.\n";

enum OptionId { kHelp = kodexa::kHelpOption, kVersion = 256, kAlpha, kForce, kQuiet, kTransitions };
const option kOptions[] = {
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"alpha", required_argument, nullptr, kAlpha},
    {"force", no_argument, nullptr, kForce},
    {"quiet", no_argument, nullptr, kQuiet},
    {"transitions", required_argument, nullptr, kTransitions},
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
            << " codes" << AlphaSummary(counts) << TransitionSummary(counts) << " written to " << target << " in " << elapsed << " seconds"
            << std::endl;
    }
    void Failed(const std::string& message) override { out << kTool << message << std::endl; }

private:
    static std::string AlphaSummary(const kodexa::ImportCounts& counts) {
        if (!counts.alphaIndex) return "";
        return ", " + std::to_string(counts.terms) + " index terms (" + std::to_string(counts.termsLeftOut) +
               " left out: codes not in the catalogue)";
    }

    static std::string TransitionSummary(const kodexa::ImportCounts& counts) {
        if (!counts.transitions) return "";
        const std::string years = counts.transitionFrom.empty()
                                      ? std::string()
                                      : " " + counts.transitionFrom + " -> " + counts.transitionTo;
        return ", " + std::to_string(counts.transitionPairs) + " transitions" + years;
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

// The user's catalogue directory for the edition the codes file's name
// tells.
bool DefaultTarget(kodexa::ImportRequest& request, kodexa::ImportReport& report) {
    kodexa::ImportError error;
    kodexa::SourceFiles files = request.files;
    if (!request.sourceDir.empty() && !kodexa::FindSourceFiles(request.sourceDir, files, error)) {
        report.Failed(kodexa::FormatImportError(error));
        return false;
    }
    const std::string edition = kodexa::EditionDirectoryName(kodexa::EditionOfSourceName(files.codes));
    std::string made;
    if (edition.empty()) {
        report.Failed(files.codes + ": the name does not tell the edition; give a TARGET-DIR");
        return false;
    }
    if (!kodexa::MakeUserCatalogueRoot(made)) {
        report.Failed(made);
        return false;
    }
    request.targetDir = kodexa::UserCatalogueRoot() + "/" + edition;
    return true;
}

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
            case kTransitions:
                request.transitionsFile = argument.value;
                break;
            case kodexa::kMissingValue:
                return UsageError(argument.text + " needs a file");
            default:
                return UsageError("unknown option " + argument.text);
        }
    }
    if (operands.size() == 1 || operands.size() == 2) {
        request.sourceDir = operands[0];
    } else if (operands.size() == 3 || operands.size() == 4) {
        request.files = {operands[0], operands[1], operands[2]};
    } else {
        return UsageError(operands.empty() ? "missing operands" : "wrong number of operands");
    }
    PrintedReport report(std::cerr, isatty(STDERR_FILENO) ? ProgressStyle::Bar : ProgressStyle::Lines, quiet);
    if (operands.size() == 2 || operands.size() == 4) {
        request.targetDir = operands.back();
    } else if (!DefaultTarget(request, report)) {
        return 1;
    }
    return kodexa::RunImport(request, report);
}

// Whatever the answer, it counts only once it is written.
int main(int argc, char** argv) { return kodexa::FinishOutput(kToolName, RunTool(argc, argv)); }
