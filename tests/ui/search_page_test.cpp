// The search page: what a search lists, the line for no hits, the column
// widths, and that old results' data does not pile up.
#include <fxkeys.h>

#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

// A result line: its text, the code and kind of its data, its two icons.
std::string Line(Kodexa& window, FXint i) {
    FXIconList* list = Probe(window).resultList();
    const auto* data = static_cast<const ItemData*>(list->getItemData(i));
    std::string line = std::string(list->getItemText(i).text()) + " |";
    line += data != nullptr ? " " + std::string(data->code.text()) + " " + std::to_string(data->kind) : " -";
    for (FXIcon* icon : {list->getItemBigIcon(i), list->getItemMiniIcon(i)})
        line += icon == Probe(window).codeIcon() ? " page" : icon != nullptr ? " ?" : " -";
    return line;
}

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
        for (FXint i = 0; i < list->getNumItems(); ++i) lines.push_back(Line(*window, i));
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(list->getHeaderSize(0), 80);
        EXPECT_EQ(list->getHeaderSize(1), list->getWidth() - 80);
    }
    // A wider window gives a wider title column at the next search.
    const FXint narrow = list->getHeaderSize(1);
    window->resize(800, 400);
    RunEventsFor(30);
    Search("cholera");
    EXPECT_GT(list->getHeaderSize(1), narrow);
    EXPECT_EQ(list->getHeaderSize(1), list->getWidth() - 80);
}

// Where the keys go: the end of a window's focus chain.
FXWindow* FocusOf(FXWindow* window) {
    while (window->getFocus() != nullptr) window = window->getFocus();
    return window;
}

void Key(FXWindow* window, FXuint code, FXuint state = 0, const char* text = "") {
    FXEvent event{};
    event.code = code;
    event.state = state;
    event.text = text;
    for (FXSelector type : {SEL_KEYPRESS, SEL_KEYRELEASE}) {
        event.type = type;
        window->handle(window, FXSEL(type, 0), &event);
    }
}

// Alt+S or a click on the tab opens the page with the keys in the search
// field: typing and Enter search straight away.
TEST_F(WindowTest, OpeningTheSearchPageLetsTheUserTypeASearchAtOnce) {
    enum How { kAltS, kTabClick };
    for (How how : {kAltS, kTabClick}) {
        SCOPED_TRACE(how);
        MakeCurrent(kChapter);
        Probe(*window).tree()->setFocus();
        if (how == kAltS) {
            Key(window.get(), KEY_s, ALTMASK);
        } else {
            FXTabItem* tab = static_cast<FXTabItem*>(Probe(*window).tabbook()->childAtIndex(2));
            FXEvent press{};
            press.type = SEL_LEFTBUTTONPRESS;
            press.code = LEFTBUTTON;
            tab->handle(tab, FXSEL(SEL_LEFTBUTTONPRESS, 0), &press);
        }
        RunEventsFor(30);
        EXPECT_EQ(Probe(*window).tabbook()->getCurrent(), 1);
        EXPECT_EQ(FocusOf(window.get()), Probe(*window).searchField());
        Probe(*window).searchField()->setText("");
        for (const char* letter : {"c", "h", "o", "l", "e", "r", "a"})
            Key(window.get(), KEY_a + (*letter - 'a'), 0, letter);
        Key(window.get(), KEY_Return);
        EXPECT_EQ(Probe(*window).resultList()->getNumItems(), 3);
    }
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

// The default catalogue of the build, copied so that no test depends on the
class DefaultCatalogue : public ShippedCatalogueTest {};

// At the default size the whole button label shows, and neither a few
// results nor every code brings a horizontal scroll bar.
TEST_F(DefaultCatalogue, AtTheDefaultSizeTheButtonAndTheColumnsFit) {
    FXButton* button = Probe(*window).searchButton();
    FXIconList* list = Probe(*window).resultList();
    for (const char* text : {"cholera", ""}) {
        SCOPED_TRACE(text);
        Search(text);
        RunEventsFor(50);
        EXPECT_GE(button->getWidth(), button->getDefaultWidth());
        EXPECT_FALSE(list->horizontalScrollBar()->shown());
        EXPECT_GT(list->getHeaderSize(1), 300);
    }
    EXPECT_TRUE(list->verticalScrollBar()->shown());
}

}  // namespace
}  // namespace kodexa::test
