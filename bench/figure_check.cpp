// Figure 3b: a case of 1,000 diagnosis lines checked as practice software
// checks them (each code's record and facts looked up, every rule applied),
// against looking up the same codes with their facts alone: what the rules
// and the case add to the lookups they need.
#include <algorithm>
#include <random>

#include "bench/catalogue_bench.h"
#include "bench/sqlite_db.h"
#include "catalogue/diagnosis_check.h"

namespace kodexa::bench {

namespace {

constexpr size_t kLines = 1000;

std::vector<CaseLine> CaseOf(const std::vector<CodeRow>& codes) {
    std::vector<CaseLine> lines;
    const char certainties[] = "GVZA";
    const char* sides[] = {"", " R", " L", " B"};
    for (size_t i = 0; i < kLines && i < codes.size(); ++i) {
        const std::string text = codes[i].code + " " + certainties[i % 4] + sides[i % 3 == 0 ? i / 3 % 4 : 0];
        lines.push_back(ReadCaseLine(static_cast<int>(i) + 1, text));
    }
    return lines;
}

}  // namespace

void FigureCheck(const Options& options, Table& table) {
    std::vector<CodeRow> codes = AllCodes(options.catalogueDir);
    std::shuffle(codes.begin(), codes.end(), std::mt19937(31));
    const std::vector<CaseLine> lines = CaseOf(codes);
    const double perLine = 1.0 / static_cast<double>(lines.size());

    Catalogue catalogue(options.catalogueDir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading) || !catalogue.IsOpen(CatalogueFile::Facts))
        Die("no catalogue with code facts (data5) in " + options.catalogueDir);
    Edition edition;
    catalogue.ReadEdition(edition);
    Patient patient;
    patient.sex = 'W';
    patient.age = PatientAge{PatientAge::Unit::Years, 40};

    Row row;
    row.figure = "3b";
    row.what = "check of a case of " + std::to_string(lines.size()) + " diagnosis lines, per line";
    row.subject = "DiagnosisChecker::CheckCase";
    size_t findings = 0;
    row.subjectSample = Repeat(options.reps, true, [&] {
                            CatalogueRules rules(catalogue);
                            DiagnosisChecker checker(rules, edition);
                            findings = 0;
                            for (const auto& found : checker.CheckCase(lines, patient)) findings += found.size();
                            if (checker.MetUnreadable()) Die("the check could not read the catalogue");
                        }).Scaled(perLine);
    row.anchor = "Catalogue::LookUp of the same codes";
    row.anchorSample = Repeat(options.reps, true, [&] {
                           for (const CaseLine& line : lines) {
                               CodeFacts facts;
                               if (!catalogue.LookUp(line.line.form.code, facts) || !facts.hasRules)
                                   Die("lookup of " + line.line.form.code + " failed");
                           }
                       }).Scaled(perLine);
    if (findings == 0) Die("a case of " + std::to_string(lines.size()) + " lines without a single finding");
    table.Add(row);
    catalogue.CloseAll();
}

}  // namespace kodexa::bench
