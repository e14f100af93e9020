// The Bearbeiten menu against the current entry, the keys that lead to the
// tree and the search field, the tool tip of a title cut short, and the
// smallest size of the window.
#include <fxkeys.h>

#include "tests/ui/window_test_util.h"

// After the tests' headers: Xlib's macros would clash with their names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace FX;

namespace kodexa::test {
namespace {

// '1' for each entry of pane that its target enables now, '0' for others.
std::string EnabledEntries(FXMenuPane* pane) {
    std::string entries;
    for (FXWindow* entry = pane->getFirst(); entry != nullptr; entry = entry->getNext()) {
        entry->handle(entry, FXSEL(SEL_UPDATE, 0), nullptr);  // as the toolkit asks before drawing
        entries += entry->isEnabled() ? '1' : '0';
    }
    return entries;
}

class MenusAndKeys : public WindowTest {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        WriteAlphaIndex(dir.Path());
        window = OpenWindow(dir.Path());
    }
    // The widget the keys go to.
    FXWindow* KeyWidget() const {
        FXWindow* widget = window.get();
        while (widget->getFocus() != nullptr) widget = widget->getFocus();
        return widget;
    }
};

// The menu offers what the current entry has, as the context menu does; a
// command without anything to copy, chosen all the same (by Ctrl+C, or the
// menu's key pressed as it opens), gives up the clipboard: a paste must not
// bring the code copied before.
TEST_F(MenusAndKeys, BearbeitenOffersWhatTheCurrentEntryHasAndACopyOfNothingLeavesNoOldCode) {
    const struct {
        const char* search;  // null: the tree, with item current
        const char* item;
        const char* entries;
        const char *code, *text, *both;  // what each command leaves on the clipboard
    } cases[] = {
        {nullptr, kChapter, "100", "A00-B99", "<none>", "<none>"},
        {nullptr, "A00-A09 - Darm", "100", "A00-A09", "<none>", "<none>"},
        {nullptr, kA009, "111", "A00.9", kA009Title, kA009},
        {"xyzzy", nullptr, "000", "<none>", "<none>", "<none>"},  // the line for no hits
        {"vibrionen", nullptr, "000", "<none>", "<none>", "<none>"},  // a cross-reference
        {"asiatica", nullptr, "111", "A00.9", kA009Title, kA009},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.search != nullptr ? c.search : c.item);
        if (c.search == nullptr) {
            MakeCurrent(c.item);
        } else {
            Search(c.search);
            Probe(*window).resultList()->setCurrentItem(0);
        }
        EXPECT_EQ(EnabledEntries(Probe(*window).editMenu()), c.entries);
        EXPECT_EQ(EnabledEntries(Probe(*window).popupMenu()), c.entries);
        const std::pair<FXSelector, const char*> commands[] = {
            {MainWindow::ID_COPY_CODE, c.code}, {MainWindow::ID_COPY_TEXT, c.text}, {MainWindow::ID_COPY_BOTH, c.both}};
        for (const auto& [command, expected] : commands) {
            Mark();
            Command(command);
            EXPECT_EQ(Clip(), expected) << command;
            EXPECT_EQ(window->hasClipboard(), std::string(expected) != "<none>") << command;
        }
    }
}

// Each copy command has its own key in the Bearbeiten menu and in the
// context menu; Alt+B opens Bearbeiten, Alt+R and Alt+S lead to the pages.
TEST_F(MenusAndKeys, EachMnemonicLeadsToOneEntry) {
    for (FXMenuPane* pane : {Probe(*window).editMenu(), Probe(*window).popupMenu()}) {
        FXAccelTable* keys = pane->getAccelTable();
        ASSERT_NE(keys, nullptr);
        EXPECT_EQ(keys->targetOfAccel(parseHotKey("&Code")), pane->childAtIndex(0));
        EXPECT_EQ(keys->targetOfAccel(parseHotKey("&Text")), pane->childAtIndex(1));
        EXPECT_EQ(keys->targetOfAccel(parseHotKey("&und")), pane->childAtIndex(2));
        EXPECT_STREQ(dynamic_cast<FXMenuCaption*>(pane->childAtIndex(2))->getText().text(), "Text und Code kopieren");
    }
    FXAccelTable* keys = window->getAccelTable();
    EXPECT_EQ(keys->targetOfAccel(parseHotKey("&Bearbeiten")), Probe(*window).menubar()->childAtIndex(2));
    EXPECT_EQ(keys->targetOfAccel(parseHotKey("B&rowser")), window.get());
    EXPECT_EQ(keys->targetOfAccel(parseHotKey("&Suche")), window.get());
}

// Alt+R and Alt+S take the keys to the tree and to the search field, from
// the other page and from their own; the end-to-end test presses them.
TEST_F(MenusAndKeys, AltRAndAltSPutTheKeysIntoTheTreeAndTheSearchField) {
    FXTreeList* tree = Probe(*window).tree();
    FXTextField* field = Probe(*window).searchField();
    FXIconList* list = Probe(*window).resultList();
    // No entry current: the first chapter becomes it.
    Search("cholera");
    list->setFocus();
    tree->setCurrentItem(nullptr);
    Key(window.get(), KEY_r, ALTMASK);
    EXPECT_EQ(Probe(*window).tabbook()->getCurrent(), 0);
    EXPECT_EQ(KeyWidget(), tree);
    EXPECT_EQ(tree->getCurrentItem(), tree->getFirstItem());
    // A current entry stays current; the page already open.
    MakeCurrent(kA009);
    Probe(*window).menubar()->setFocus();
    Key(window.get(), KEY_r, ALTMASK);
    EXPECT_EQ(KeyWidget(), tree);
    EXPECT_STREQ(tree->getCurrentItem()->getText().text(), kA009);

    Key(window.get(), KEY_s, ALTMASK);
    EXPECT_EQ(Probe(*window).tabbook()->getCurrent(), 1);
    EXPECT_EQ(KeyWidget(), field);
    // After a search the keys are in the list; Alt+S takes them back, with
    // the text selected, so that typing replaces it.
    Search("cholera");
    list->setFocus();
    ASSERT_EQ(KeyWidget(), list);
    Key(window.get(), KEY_s, ALTMASK);
    EXPECT_EQ(KeyWidget(), field);
    Key(field, KEY_x, 0, "x");
    EXPECT_STREQ(field->getText().text(), "x");
}

// Takes a tool tip's text as the tool tip window would.
class TipCatcher : public FXObject {
    FXDECLARE(TipCatcher)
public:
    long onSetText(FXObject*, FXSelector, void* ptr) {
        text = static_cast<FXString*>(ptr)->text();
        return 1;
    }
    std::string text;
};
FXDEFMAP(TipCatcher) tipCatcherMap[] = {FXMAPFUNC(SEL_COMMAND, FXWindow::ID_SETSTRINGVALUE, TipCatcher::onSetText)};
FXIMPLEMENT(TipCatcher, FXObject, tipCatcherMap, ARRAYNUMBER(tipCatcherMap))

// The pointer rests on the first result line; the list asks for its tip
// as it does once the pointer has rested for a while.
std::string TipOverFirstLine(FXIconList* list) {
    const FXint x = list->getHeaderSize(0) + 20, y = list->getHeader()->getHeight() + list->getItemHeight() / 2;
    EXPECT_EQ(list->getItemAt(x, y), 0);
    list->setCursorPosition(x, y);
    FXEvent event{};
    event.type = SEL_MOTION;
    event.win_x = x;
    event.win_y = y;
    list->handle(list, FXSEL(SEL_MOTION, 0), &event);
    RunEventsFor(TestApp()->getMenuPause() + 200);
    TipCatcher catcher;
    list->handle(&catcher, FXSEL(SEL_QUERY_TIP, 0), nullptr);
    return catcher.text;
}

TEST_F(MenusAndKeys, ATitleCutShortShowsWholeAsATip) {
    FXIconList* list = Probe(*window).resultList();
    Search("tuberkulose");
    RunEventsFor(30);
    const std::string title = "Tuberkulose der Atmungsorgane";
    list->setHeaderSize(1, list->getFont()->getTextWidth(title.c_str(), title.size()) / 2);
    EXPECT_EQ(TipOverFirstLine(list), title);
    list->setHeaderSize(1, list->getFont()->getTextWidth(title.c_str(), title.size()) + 40);
    EXPECT_NE(TipOverFirstLine(list), title);
}

// The window manager gets a smallest size; at that size the menu bar, the
// tabs and a line of each page's list still show.
TEST_F(MenusAndKeys, AtItsSmallestSizeMenusTabsAndALineOfTheListShow) {
    auto* display = static_cast<Display*>(TestApp()->getDisplay());
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_NE(XGetWMNormalHints(display, window->id(), &hints, &supplied), 0);
    ASSERT_TRUE(hints.flags & PMinSize);
    EXPECT_LT(hints.min_width, 600);
    EXPECT_LT(hints.min_height, 400);
    window->resize(hints.min_width, hints.min_height);
    Search("cholera");
    RunEventsFor(50);
    FXMenuBar* menubar = Probe(*window).menubar();
    EXPECT_GT(menubar->getHeight(), 0);
    FXMenuCaption* lastTitle = dynamic_cast<FXMenuCaption*>(menubar->getLast());
    ASSERT_NE(lastTitle, nullptr);
    EXPECT_LE(lastTitle->getX() + lastTitle->getWidth(), menubar->getWidth()) << "the Hilfe menu is cut off";
    FXIconList* list = Probe(*window).resultList();
    EXPECT_GE(list->getViewportHeight() - list->getHeader()->getHeight(), list->getItemHeight());
    Probe(*window).tabbook()->setCurrent(0);
    RunEventsFor(50);
    FXTreeList* tree = Probe(*window).tree();
    EXPECT_GE(tree->getViewportHeight(), tree->getItemHeight(tree->getFirstItem()));
}

// What the program printed at each start was of use to nobody.
TEST_F(MenusAndKeys, NothingGoesToStandardOutputOnANormalStart) {
    window.reset();
    testing::internal::CaptureStdout();
    window = OpenWindow(dir.Path());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
}  // namespace kodexa::test
