// The search page: what a search lists, the column widths, that old
// results' data does not pile up, and the term lines of the alphabetical
// index with what each copy command takes from them.
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

// The line for no hits, alone and copied by nothing, the end-to-end test sees.
TEST_F(WindowTest, SearchListsCodeAndTitleWithIconAndDataInColumnsFittingTheFrame) {
    FXIconList* list = Probe(*window).resultList();
    list->setHeaderSize(0, 5);
    list->setHeaderSize(1, 5);
    Search("cholera");
    std::vector<std::string> lines;
    for (FXint i = 0; i < list->getNumItems(); ++i) {
        const auto* data = static_cast<const ItemData*>(list->getItemData(i));
        std::string line = std::string(list->getItemText(i).text()) + " | " + data->code.text() + " ";
        line += std::to_string(data->kind);
        for (FXIcon* icon : {list->getItemBigIcon(i), list->getItemMiniIcon(i)})
            line += icon == Probe(*window).codeIcon() ? " page" : " ?";
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"A00\tCholera | A00 1 page page",
                                               "A00.0\tCholera durch Vibrio | A00.0 1 page page",
                                               "A00.9\tCholera, nicht n\xc3\xa4her bezeichnet | A00.9 1 page page"}));
    EXPECT_EQ(list->getHeaderSize(0), 80);
    EXPECT_EQ(list->getHeaderSize(1), list->getWidth() - 80);
}

TEST_F(WindowTest, OldResultsDataIsFreedAndTheTreesStays) {
    Search("");
    const std::size_t afterOne = ItemDataCount();
    const char* texts[] = {"", "cholera", "xyzzy", "a15", ""};
    for (int i = 0; i < 100; ++i) Search(texts[i % 5]);
    EXPECT_EQ(ItemDataCount(), afterOne);
    // A search that lists nothing frees the last seven, and only them.
    Search("xyzzy");
    EXPECT_EQ(ItemDataCount(), afterOne - 7);
}

class AlphaWindow : public WindowTest {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        WriteAlphaIndex(dir.Path());
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
        {"asiatica", text, kA009Title},
        {"asiatica", both, kA009},
        {"lippentuberkulose", code, "A15.0+ C00*"},
        {"lippentuberkulose", both, "A15.0+ C00* - Lungentuberkulose"},
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

}  // namespace
}  // namespace kodexa::test
