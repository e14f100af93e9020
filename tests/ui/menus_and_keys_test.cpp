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

// '1' for each entry of pane that its target enables now, as the toolkit
// asks before drawing it; '0' for the others.
std::string EnabledEntries(FXMenuPane* pane) {
    std::string entries;
    for (FXWindow* entry = pane->getFirst(); entry != nullptr; entry = entry->getNext()) {
        entry->handle(entry, FXSEL(SEL_UPDATE, 0), nullptr);
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
    FXWindow* KeyWidget() const {
        FXWindow* widget = window.get();
        while (widget->getFocus() != nullptr) widget = widget->getFocus();
        return widget;
    }
};

// The menu offers what the current entry has, as the context menu does; a
// command with nothing to copy, chosen all the same (Ctrl+C), gives up the
// clipboard: a paste must not bring the code copied before.
TEST_F(MenusAndKeys, BearbeitenOffersWhatTheCurrentEntryHasAndACopyOfNothingLeavesNoOldCode) {
    const struct {
        const char *search, *item;  // search null: the tree, with item current
        // entries: the copy commands and "Zu den Favoriten", '1' enabled;
        // code, text, both: what each copy leaves on the clipboard
        const char *entries, *code, *text, *both;
    } cases[] = {
        {nullptr, kChapter, "1000", "A00-B99", "<none>", "<none>"},
        {nullptr, "A00-A09 - Darm", "1000", "A00-A09", "<none>", "<none>"},
        {nullptr, kA009, "1111", "A00.9", kA009Title, kA009},
        {"xyzzy", nullptr, "0000", "<none>", "<none>", "<none>"},      // the line for no hits
        {"vibrionen", nullptr, "0000", "<none>", "<none>", "<none>"},  // a cross-reference
        {"asiatica", nullptr, "1111", "A00.9", kA009Title, kA009},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.search != nullptr ? c.search : c.item);
        if (c.search == nullptr) MakeCurrent(c.item);
        if (c.search != nullptr) Search(c.search), Probe(*window).resultList()->setCurrentItem(0);
        EXPECT_EQ(EnabledEntries(Probe(*window).editMenu()), c.entries);
        // The context menu's "Zur Diagnoseliste" goes with the title.
        EXPECT_EQ(EnabledEntries(Probe(*window).popupMenu()), std::string(c.entries) + c.entries[1]);
        const char* clips[] = {c.code, c.text, c.both};
        for (FXSelector command = MainWindow::ID_COPY_CODE; command <= MainWindow::ID_COPY_BOTH; ++command) {
            Mark();
            Command(command);
            EXPECT_EQ(Clip(), clips[command - MainWindow::ID_COPY_CODE]) << command;
        }
    }
}

// Alt+R (or the tab) and Alt+S take the keys to the tree and to the search
// field, from the other page and from their own; in both menus each copy
// command has a key of its own. The end-to-end test presses them.
TEST_F(MenusAndKeys, AltRAndAltSPutTheKeysIntoTheTreeAndTheSearchField) {
    for (FXMenuPane* pane : {Probe(*window).editMenu(), Probe(*window).popupMenu()}) {
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(pane->getAccelTable()->targetOfAccel(parseHotKey(i == 0 ? "&C" : i == 1 ? "&T" : "&u")),
                      pane->childAtIndex(i));
    }
    FXTreeList* tree = Probe(*window).tree();
    FXTextField* field = Probe(*window).searchField();
    Search("cholera");
    tree->setCurrentItem(nullptr);  // none current: the first chapter becomes it
    Key(window.get(), KEY_r, ALTMASK);
    EXPECT_EQ(Probe(*window).tabbook()->getCurrent(), 0);
    EXPECT_EQ(KeyWidget(), tree);
    EXPECT_EQ(tree->getCurrentItem(), tree->getFirstItem());
    MakeCurrent(kA009);
    Probe(*window).menubar()->setFocus();
    Key(window.get(), KEY_r, ALTMASK);
    EXPECT_EQ(KeyWidget(), tree);
    EXPECT_STREQ(tree->getCurrentItem()->getText().text(), kA009);
    // After a search the keys are in the list; Alt+S takes them back, with
    // the text selected, so that typing replaces it.
    Search("cholera");
    Probe(*window).resultList()->setFocus();
    Key(window.get(), KEY_s, ALTMASK);
    EXPECT_EQ(KeyWidget(), field);
    Key(field, KEY_x, 0, "x");
    EXPECT_STREQ(field->getText().text(), "x");
    Probe(*window).tabbook()->setCurrent(0, TRUE);  // as a click on the tab
    EXPECT_EQ(KeyWidget(), tree);
}

// The pointer on the first result line; a label takes the tip's text as
// the tool tip would (the list passes the question on to the window).
std::string TipOverFirstLine(FXIconList* list) {
    list->setCursorPosition(list->getHeaderSize(0) + 20, list->getHeader()->getHeight() + list->getItemHeight() / 2);
    FXLabel tip(dynamic_cast<FXComposite*>(list->getParent()), "");
    list->getTarget()->handle(&tip, FXSEL(SEL_QUERY_TIP, MainWindow::ID_RESULTS), nullptr);
    return tip.getText().text();
}

TEST_F(MenusAndKeys, ATitleCutShortShowsWholeAsATip) {
    FXIconList* list = Probe(*window).resultList();
    Search("tuberkulose");
    const std::string title = "Tuberkulose der Atmungsorgane";
    const FXint width = list->getFont()->getTextWidth(title.c_str(), title.size());
    list->setHeaderSize(1, width / 2);
    EXPECT_EQ(TipOverFirstLine(list), title);
    list->setHeaderSize(1, width + 40);
    EXPECT_EQ(TipOverFirstLine(list), "");
}

// The window manager gets a smallest size; at that size the menu bar, the
// tabs and a line of each page's list still show (the Diagnosen page too).
TEST_F(MenusAndKeys, AtItsSmallestSizeMenusTabsAndALineOfTheListShow) {
    XSizeHints hints{};
    long supplied = 0;
    XGetWMNormalHints(static_cast<Display*>(TestApp()->getDisplay()), window->id(), &hints, &supplied);
    ASSERT_TRUE(hints.flags & PMinSize);
    window->resize(hints.min_width, hints.min_height);
    Search("cholera");
    RunEventsFor(50);
    FXWindow* lastTitle = Probe(*window).menubar()->getLast();
    EXPECT_LE(lastTitle->getX() + lastTitle->getWidth(), Probe(*window).menubar()->getWidth());
    FXIconList* list = Probe(*window).resultList();
    EXPECT_GE(list->getViewportHeight() - list->getHeader()->getHeight(), list->getItemHeight());
    Probe(*window).tabbook()->setCurrent(0);
    RunEventsFor(50);
    FXTreeList* tree = Probe(*window).tree();
    EXPECT_GE(tree->getViewportHeight(), tree->getItemHeight(tree->getFirstItem()));
    Probe(*window).diagnosisPage()->AddCode("A00.0");
    Probe(*window).tabbook()->setCurrent(2);
    RunEventsFor(50);
    // The page: line bar, then the frame round its list.
    FXIconList* lines = dynamic_cast<FXIconList*>(Probe(*window).diagnosisPage()->getFirst()->getNext()->getFirst());
    ASSERT_NE(lines, nullptr);
    EXPECT_GE(lines->getViewportHeight() - lines->getHeader()->getHeight(), lines->getItemHeight());
}

TEST_F(MenusAndKeys, NothingGoesToStandardOutputOnANormalStart) {
    window.reset();
    testing::internal::CaptureStdout();
    window = OpenWindow(dir.Path());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
}  // namespace kodexa::test
