#include "tools/find_check.h"

#include <cstdio>

#include "catalogue/catalogue.h"
#include "catalogue/diagnosis_check.h"
#include "store/store_error.h"
#include "tools/arguments.h"
#include "tools/find_open.h"

namespace kodexa {

namespace {

constexpr char kTool[] = "kodexa-find";

bool ReadPatient(const CheckOptions& options, Patient& patient, int& status) {
    if (!options.sex.empty() && !ReadPatientSex(options.sex, patient.sex)) {
        status = UsageError(kTool, "--sex takes M, W, X, D or U, not '" + options.sex + "'");
        return false;
    }
    if (!options.age.empty() && !ReadPatientAge(options.age, patient.age)) {
        status = UsageError(kTool,
                            "--age takes years (45 or 45j, at most 150) or days (20t), not '" + options.age + "'");
        return false;
    }
    return true;
}

// Both the codes and their facts are needed: without the facts only the
// existence of a code could be checked, which would pass for a check.
bool OpenForCheck(Catalogue& catalogue, const std::string& dir, int& status) {
    if (!OpenForReading(catalogue, dir, CatalogueFile::Codes, status)) return false;
    if (catalogue.Open(CatalogueFile::Facts, CatalogueAccess::Reading) == kNoError) return true;
    if (catalogue.IsAbsent(CatalogueFile::Facts)) {
        std::fprintf(stderr, "%s: the catalogue in %s has no code facts (data5.dat and data5.ndx); import it again "
                             "with kodexa-import to check diagnoses\n", kTool, dir.c_str());
        status = kExitNothing;
    } else {
        status = TellUnreadable(catalogue, CatalogueFile::Facts);
    }
    return false;
}

// One line each, without its line end; a line longer than kMaxLineBytes is
// kept only in part, and marked, so that no input can make it grow without end.
std::vector<CaseLine> ReadInput(std::FILE* input) {
    std::vector<CaseLine> lines;
    std::string text;
    bool cut = false, any = false;
    auto finish = [&]() {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        lines.push_back(ReadCaseLine(static_cast<int>(lines.size()) + 1, text));
        lines.back().cut = cut;
        text.clear();
        cut = any = false;
    };
    for (int c; (c = std::getc(input)) != EOF;) {
        any = true;
        if (c == '\n') finish();
        else if (text.size() < kMaxLineBytes) text += static_cast<char>(c);
        else cut = true;
    }
    if (any) finish();
    return lines;
}

std::vector<CaseLine> ReadArguments(const std::vector<std::string>& given) {
    std::vector<CaseLine> lines;
    for (const std::string& text : given) {
        lines.push_back(ReadCaseLine(static_cast<int>(lines.size()) + 1, text.substr(0, kMaxLineBytes)));
        lines.back().cut = text.size() > kMaxLineBytes;
    }
    return lines;
}

}  // namespace

int RunCheck(const std::string& dir, const CheckOptions& options) {
    int status = kExitFound;
    Patient patient;
    if (!ReadPatient(options, patient, status)) return status;
    Catalogue catalogue(dir);
    if (!OpenForCheck(catalogue, dir, status)) return status;
    const std::vector<CaseLine> lines = options.lines.empty() ? ReadInput(stdin) : ReadArguments(options.lines);
    Edition edition;
    catalogue.ReadEdition(edition);
    CatalogueRules rules(catalogue);
    DiagnosisChecker checker(rules, edition);
    const std::vector<std::vector<Finding>> findings = checker.CheckCase(lines, patient);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::printf("%s\n", ShownLine(lines[i]).c_str());
        for (const Finding& finding : findings[i]) std::printf("  %s\n", FindingLine(finding).c_str());
        if (HasFehler(findings[i])) status = kExitFehler;
    }
    std::fflush(stdout);
    const std::string unreadable = !rules.FirstUnreadable().empty() ? rules.FirstUnreadable()
                                   : catalogue.FilesWhole()          ? std::string()
                                                                     : catalogue.Unreadable();
    if (!unreadable.empty()) {
        std::fprintf(stderr, "%s: %s could not be read: the catalogue is damaged, import it again\n", kTool,
                     unreadable.c_str());
        return kExitDamaged;
    }
    return status;
}

}  // namespace kodexa
