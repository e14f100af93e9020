// The search page: what a search lists, the line for no hits, the column
// widths, that old results' data does not pile up, and the term lines of the
// alphabetical index with what each copy command takes from them.
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

TEST_F(WindowTest, SearchListsCodeAndTitleWithIconAndDataInColumnsFittingTheFrame) {
    const struct { const char* text; std::vector<std::string> lines; } cases[] = {
        {"cholera",
         {"A00\tCholera | A00 1 page page", "A00.0\tCholera durch Vibrio | A00.0 1 page page",
          "A00.9\tCholera, nicht n\xc3\xa4her bezeichnet | A00.9 1 page page"}},
        {"xyzzy", {"\tKeine Ergebnis | - - -"}},
    };
    FXIconList* list = Probe(*window).resultList();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        list->setHeaderSize(0, 5);
        list->setHeaderSize(1, 5);
        Search(c.text);
        std::vector<std::string> lines;
        for (FXint i = 0; i < list->getNumItems(); ++i) {
            const auto* data = static_cast<const ItemData*>(list->getItemData(i));
            std::string line = std::string(list->getItemText(i).text()) + " | ";
            line += data != nullptr ? std::string(data->code.text()) + " " + std::to_string(data->kind) : "-";
            for (FXIcon* icon : {list->getItemBigIcon(i), list->getItemMiniIcon(i)})
                line += icon == Probe(*window).codeIcon() ? " page" : icon != nullptr ? " ?" : " -";
            lines.push_back(line);
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(list->getHeaderSize(0), 80);
        EXPECT_EQ(list->getHeaderSize(1), list->getWidth() - 80);
    }
    // At the default size the whole button label shows. A wider window gives
    // a wider title column at the next search; a list too low for its lines
    // gets the vertical scroll bar, and the column leaves room for it.
    FXButton* button = Probe(*window).searchButton();
    EXPECT_GE(button->getWidth(), button->getDefaultWidth());
    const FXint narrow = list->getHeaderSize(1);
    window->resize(800, 150);
    RunEventsFor(30);
    Search("");
    RunEventsFor(30);
    EXPECT_GT(list->getHeaderSize(1), narrow);
    EXPECT_TRUE(list->verticalScrollBar()->shown());
    EXPECT_FALSE(list->horizontalScrollBar()->shown());
    EXPECT_EQ(list->getHeaderSize(1), list->getWidth() - 80 - list->verticalScrollBar()->getWidth());
}

TEST_F(WindowTest, OldResultsDataIsFreedAndTheTreesStays) {
    Search("");
    const std::size_t afterOne = ItemDataCount();
    const char* texts[] = {"", "cholera", "xyzzy", "a15", ""};
    for (int i = 0; i < 100; ++i) Search(texts[i % 5]);
    EXPECT_EQ(ItemDataCount(), afterOne);
    // The last search's results stay alive, and only theirs go: a search
    // that lists nothing frees the seven.
    Probe(*window).resultList()->setCurrentItem(6);
    Command(Kodexa::ID_COPY_BOTH);
    EXPECT_EQ(Clip(), "C00 - B\xc3\xb6sartige Neubildung der Lippe");
    Search("xyzzy");
    EXPECT_EQ(ItemDataCount(), afterOne - 7);
}

// The window on a catalogue with the alphabetical index.
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

}  // namespace
}  // namespace kodexa::test
