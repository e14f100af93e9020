// The window on a catalogue with the alphabetical index: term lines after
// the title hits, and what each copy command takes from them.
#include <unistd.h>

#include <filesystem>

#include "catalogue/alpha_terms.h"
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

void WriteAlphaIndex(const std::string& dir, const std::vector<AlphaTerm>& terms) {
    Catalogue catalogue(dir);
    ASSERT_EQ(catalogue.Open(CatalogueFile::AlphaIndex, CatalogueAccess::Writing), kNoError);
    AlphaBlockRecord block(&catalogue.Database(CatalogueFile::AlphaIndex));
    block.name = AlphaBlockName(1);
    block.terms = PackTerms(terms);
    ASSERT_EQ(block.Write(), kNoError);
}

class AlphaWindow : public WindowTest {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        WriteAlphaIndex(dir.Path(), {{'1', "A00.9", "", "", "", "Cholera asiatica"},
                                     {'2', "A15.0+", "C00*", "", "", "Lippentuberkulose"},
                                     {'0', "", "", "", "", "Vibrionen - s. Cholera"}});
        window = OpenWindow(dir.Path());
    }
};

TEST_F(AlphaWindow, TermLinesFollowTheTitlesAndCopyTheirCodesAndTheTitleOfTheFirst) {
    FXIconList* list = Probe(*window).resultList();
    ASSERT_EQ(Search("tuberkulose"), 4);
    EXPECT_STREQ(list->getItemText(3).text(), "A15.0+ C00*\tLippentuberkulose");
    EXPECT_EQ(list->getItemMiniIcon(3), Probe(*window).codeIcon());
    // The codes of a term may be wider than any code; the column widens.
    EXPECT_GT(list->getHeaderSize(0), list->getFont()->getTextWidth("A15.0+ C00*"));
    ASSERT_EQ(Search("vibrionen"), 1);
    EXPECT_STREQ(list->getItemText(0).text(), "\tVibrionen - s. Cholera");
    EXPECT_EQ(list->getItemMiniIcon(0), static_cast<FXIcon*>(nullptr));

    const FXSelector code = Kodexa::ID_COPY_CODE, text = Kodexa::ID_COPY_TEXT, both = Kodexa::ID_COPY_BOTH;
    const struct {
        const char* search;
        FXSelector command;
        const char* expected;  // null: the clipboard keeps what it had
    } cases[] = {
        {"asiatica", code, "A00.9"},
        {"asiatica", text, kA009Title},
        {"asiatica", both, kA009},
        {"lippentuberkulose", code, "A15.0+ C00*"},
        {"lippentuberkulose", both, "A15.0+ C00* - Lungentuberkulose"},
        {"vibrionen", code, nullptr},
        {"vibrionen", text, nullptr},
        {"vibrionen", both, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.search) + " " + std::to_string(c.command - code));
        Mark();
        Search(c.search);
        list->setCurrentItem(0);
        Command(c.command);
        EXPECT_EQ(Clip(), c.expected != nullptr ? c.expected : "marker");
    }
}

// Half an index is shown as any damaged file is; the titles still serve.
TEST_F(AlphaWindow, HalfAnIndexShowsOneBoxAndTheTitlesStillServe) {
    window.reset();
    ASSERT_EQ(unlink(dir.File("data4.ndx").c_str()), 0);
    ModalCloser closer(CloseBy::Cancel);
    window = OpenWindow(dir.Path());
    ASSERT_EQ(closer.seen.size(), 1u);
    EXPECT_EQ(closer.seen[0].title + ": " + closer.seen[0].labels.at(1),
              "Datafile: Error opening Alphabetisches Verzeichnis");
    EXPECT_FALSE(std::filesystem::exists(dir.File("data4.ndx")));
    EXPECT_EQ(Search("cholera,"), 1);
}

}  // namespace
}  // namespace kodexa::test
