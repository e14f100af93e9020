// The search page: what a search lists, the line for no hits, the column
// widths, and that old results' data does not pile up.
#include <fxkeys.h>

#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

TEST_F(WindowTest, SearchListsCodeAndTitleWithIconAndDataInColumnsFittingTheFrame) {
    const struct { const char* text; std::vector<std::string> lines; } cases[] = {
        {"cholera",
         {"A00\tCholera | A00 1 page", "A00.0\tCholera durch Vibrio | A00.0 1 page",
          "A00.9\tCholera, nicht n\xc3\xa4her bezeichnet | A00.9 1 page"}},
        {"xyzzy", {"\tKeine Ergebnis | -"}},
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
            const bool page = list->getItemBigIcon(i) == Probe(*window).codeIcon() &&
                              list->getItemMiniIcon(i) == Probe(*window).codeIcon();
            lines.push_back(std::string(list->getItemText(i).text()) + " | " +
                            (data != nullptr ? std::string(data->code.text()) + " " + std::to_string(data->kind) : "-") +
                            (page ? " page" : ""));
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

// Alt+S opens the page with the keys in the search field: typing and Enter
// search straight away.
TEST_F(WindowTest, OpeningTheSearchPageLetsTheUserTypeASearchAtOnce) {
    Probe(*window).tree()->setFocus();
    Key(window.get(), KEY_s, ALTMASK);
    RunEventsFor(30);
    EXPECT_EQ(Probe(*window).tabbook()->getCurrent(), 1);
    for (const char* letter : {"c", "h", "o", "l", "e", "r", "a"}) Key(window.get(), KEY_a + (*letter - 'a'), 0, letter);
    Key(window.get(), KEY_Return);
    EXPECT_STREQ(Probe(*window).searchField()->getText().text(), "cholera");
    EXPECT_EQ(Probe(*window).resultList()->getNumItems(), 3);
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

}  // namespace
}  // namespace kodexa::test
