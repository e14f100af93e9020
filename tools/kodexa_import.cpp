// kodexa-import: turns the ICD-10 classification text files (chapters,
// groups, codes) into the six catalogue files Kodexa reads.
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "catalogue/importer.h"

namespace {

constexpr int kUsageError = 2;

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
    "The new files are built beside the target and moved in only when complete;\n"
    "a failed import leaves TARGET-DIR as it was.\n"
    "\n"
    "Options:\n"
    "  --force     replace the catalogue TARGET-DIR already holds\n"
    "  --quiet     no progress and no summary (notes and errors still appear)\n"
    "  --help      show this text\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 imported, 1 failed (bad input or file error), 2 wrong usage.\n";

int UsageError(const std::string& message) {
    std::cerr << "kodexa-import: " << message << "\nTry 'kodexa-import --help'." << std::endl;
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    kodexa::ImportRequest request;
    request.progress = isatty(STDERR_FILENO) ? kodexa::ProgressStyle::Bar : kodexa::ProgressStyle::Lines;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--version") {
            std::cout << "kodexa-import 1.0" << std::endl;
            return 0;
        } else if (arg == "--force") {
            request.force = true;
        } else if (arg == "--quiet") {
            request.quiet = true;
        } else {
            return UsageError("unknown option " + arg);
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
    return kodexa::RunImport(request, std::cerr);
}
