// The alphabetical index from its source file to the search. (A damaged
// optional database is told and left aside as the facts' tests show.)
#include <gtest/gtest.h>

#include "catalogue/alpha_terms.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

const std::string kMini = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";
const std::string kSamples = std::string(KODEXA_SOURCE_DIR) + "/tests/data/alpha";
const std::string kSample = kSamples + "/icd10gm2099alpha_edvtxt_20990101.txt";

std::vector<std::string> SearchIn(const std::string& dir, const std::string& text, OptionalState expected) {
    Catalogue catalogue(dir);
    EXPECT_EQ(catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading), kNoError);
    EXPECT_EQ(catalogue.OpenIfPresent(CatalogueFile::AlphaIndex), expected);
    LineSink sink;
    catalogue.Search(text, sink);
    return sink.lines;
}

// The terms after the nine titles of the mini edition.
std::vector<std::string> Terms(const std::string& dir) {
    std::vector<std::string> all = SearchIn(dir, "", OptionalState::Open);
    return all.size() < 9 ? all : std::vector<std::string>(all.begin() + 9, all.end());
}

// Both layouts, the newer one found beside the sources under a name in
// capitals; codes and title codes of every kind, B99 left out as it is not in
// the catalogue.
TEST(AlphaIndex, EveryKindIsListedOnceInCodeOrderAfterTheTitles) {
    TempDir source, dir, old;
    std::filesystem::copy(kMini, source.Path());
    std::filesystem::copy_file(kSample, source.File("ICD10GM2099ALPHA_EDVTXT_20990101.TXT"));
    ASSERT_EQ(Import(source.Path(), dir.Path()), "0 ");
    EXPECT_EQ(Terms(dir.Path()), (std::vector<std::string>{
                                     "A00.0 U07.1!|A00.0|Cholera mit COVID-19", "A00.9|A00.9|Cholera asiatica",
                                     "A00.9 C00|A00.9|Cholera und Lippentumor", "A15+ C00.0*|A15|Tuberkulöse Lippe",
                                     "A15+ C00.00* U07.1!|A15|Lippentuberkulose bei COVID-19",
                                     "C00.-|C00|Lippentumor, nicht näher bezeichnet",
                                     "C00.0|C00.0|Lippenkrebs, äußere Oberlippe", "U07.1!|U07.1|SARS-CoV-2-Nachweis",
                                     "||Vibrionen - s. Cholera"}));
    ASSERT_EQ(Import(kMini, old.Path(), false, kSamples + "/icd10gmalpha2008.txt"), "0 ");
    EXPECT_EQ(Terms(old.Path()), (std::vector<std::string>{"A00.9|A00.9|Cholera asiatica",
                                                            "A15+ C00.0*|A15|Tuberkuloese Lippe",
                                                            "||Vibrionen - s. Cholera"}));
    // Folded as the title search folds; "9" is in the codes of four terms but
    // the text of two only, as the codes of a term are not searched.
    EXPECT_EQ(SearchIn(dir.Path(), "KREBS, äuß", OptionalState::Open),
              std::vector<std::string>{"C00.0|C00.0|Lippenkrebs, äußere Oberlippe"});
    EXPECT_EQ(SearchIn(dir.Path(), "9", OptionalState::Open),
              (std::vector<std::string>{"A00.9|Cholera, nicht näher bezeichnet", "U07.1|COVID-19, Virus nachgewiesen",
                                        "A00.0 U07.1!|A00.0|Cholera mit COVID-19",
                                        "A15+ C00.00* U07.1!|A15|Lippentuberkulose bei COVID-19"}));
}

TEST(AlphaIndex, AFaultyLineNamesFileAndLineAndLeavesTheTargetAlone) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"1|1|1|A0O.9||||Tippfehler", "primary code \"A0O.9\" is not a well-formed code"},
        {"1|1|1|A00.9|||Zu wenig", "7 fields, expected 8"},
        {"7|1|1|A00.9||||Art 7", "kind \"7\" is not one of 0 to 6"},
        {"0|1|1|A00.9||||Verweis mit Code", "a cross-reference (kind 0) names a code"},
        {"1|1|1|||||Ohne Code", "kind 1 names no code"},
        {"1|1|1|A00.9||||", "empty term"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string file = dir.File("alpha.txt");
        WriteText(file, std::string("1|1|1|A00||||Cholera\n") + c.line + "\n");
        const std::string run = Import(kMini, dir.File("target"), false, file);
        EXPECT_EQ(run.rfind("1 " + file + ", line 2: " + c.message, 0), 0u) << run;
        EXPECT_FALSE(std::filesystem::exists(dir.File("target/data3.dat"))) << c.line;
    }
}

TEST(AlphaIndex, TheIndexLeavesTheOtherFilesAsTheyWereAndGoesWithAReplacementWithoutIt) {
    TempDir with, without;
    ASSERT_EQ(Import(kMini, with.Path(), false, kSample), "0 ");
    ASSERT_EQ(Import(kMini, without.Path()), "0 ");
    // Without --force a second import leaves the catalogue alone.
    EXPECT_EQ(Import(kMini, with.Path()), "1 " + with.Path() + " already holds a catalogue; --force replaces it");
    auto files = Snapshot(with.Path());
    EXPECT_EQ(files.erase("data4.dat") + files.erase("data4.ndx"), 2u);
    EXPECT_EQ(files, Snapshot(without.Path()));

    ASSERT_EQ(Import(kMini, with.Path(), true), "0 ");
    EXPECT_EQ(Snapshot(with.Path()), Snapshot(without.Path()));
    EXPECT_EQ(SearchIn(with.Path(), "asiatica", OptionalState::Absent), std::vector<std::string>{});
}

// What each kind shows is pinned by the import above; a damaged line of a
// packed block costs itself only.
TEST(AlphaTerms, ADamagedPackedLineCostsItselfOnly) {
    const std::vector<AlphaTerm> all = {{'2', "D86.8+", "G99.8*", "", "", "Neurosarkoidose"},
                                        {'6', "D18.19", "", "", "D69.61", "MLT"}};
    const std::vector<AlphaTerm> back = UnpackTerms(PackTerms({all[0]}) + "1\tno\tfields\n" + PackTerms(all));
    ASSERT_EQ(back.size(), all.size() + 1);
    EXPECT_EQ(PackTerms(back), PackTerms({all[0]}) + PackTerms(all));
}

}  // namespace
}  // namespace kodexa::test
