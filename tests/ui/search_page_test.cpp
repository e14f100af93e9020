// The search page: that old results' data does not pile up, what a search
// lists in which columns, and what each copy command takes from a term.
#include <fxkeys.h>

#include "tests/ui/window_test_util.h"
#include "ui/key_watch.h"

// Last: Xlib's macros (None, Bool, KeyPress) would clash with the names above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace FX;

namespace kodexa::test {
namespace {

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

// The lines of codes and of the alphabetical index's terms, in columns that
// fit the frame. The line for no hits, alone and copied by nothing, and
// copies of the codes' lines, the end-to-end test sees.
TEST_F(WindowTest, ResultLinesOfCodesAndTermsAndWhatTheCopiesTakeFromATerm) {
    window.reset();
    WriteAlphaIndex(dir.Path());
    window = OpenWindow(dir.Path());
    FXIconList* list = Probe(*window).resultList();
    list->setHeaderSize(1, 5);
    ASSERT_EQ(Search("tuberkulose"), 4);
    EXPECT_STREQ(list->getItemText(0).text(), "A15\tTuberkulose der Atmungsorgane");
    EXPECT_STREQ(list->getItemText(3).text(), "A15.0+ C00*\tLippentuberkulose");
    EXPECT_EQ(list->getItemBigIcon(0), Probe(*window).codeIcon());
    EXPECT_EQ(list->getItemMiniIcon(0), Probe(*window).codeIcon());
    EXPECT_EQ(list->getItemMiniIcon(3), Probe(*window).codeIcon());
    // The codes of a term may be wider than any code; the column widens,
    // and the title column takes the rest of the list's width.
    EXPECT_GT(list->getHeaderSize(0), list->getFont()->getTextWidth("A15.0+ C00*"));
    EXPECT_EQ(list->getHeaderSize(1), list->getWidth() - list->getHeaderSize(0));
    ASSERT_EQ(Search("vibrionen"), 1);
    EXPECT_STREQ(list->getItemText(0).text(), "\tVibrionen - s. Cholera");
    EXPECT_EQ(list->getItemMiniIcon(0), static_cast<FXIcon*>(nullptr));
    EXPECT_EQ(list->getHeaderSize(0), 80);  // holds any code

    // A term's text and code: its codes as shown, the title of its first
    // code. The other copies of terms, and of cross-references, are in the
    // Bearbeiten menu's test.
    Search("lippentuberkulose");
    list->setCurrentItem(0);
    Command(MainWindow::ID_COPY_BOTH);
    EXPECT_EQ(Clip(), "A15.0+ C00* - Lungentuberkulose");
}

// Typing searches once the keys pause, the last text only; similar
// spellings sit under a grey line that carries nothing to copy.
TEST_F(WindowTest, TypingSearchesAfterThePauseWithTheSimilarSpellingsUnderTheirHeading) {
    Probe(*window).tabbook()->setCurrent(1);
    FXTextField* field = Probe(*window).searchField();
    FXIconList* list = Probe(*window).resultList();
    field->setFocus();
    for (const char* letter : {"c", "h", "o", "e"}) Key(field, letter[0], 0, letter);
    RunEventsFor(60);
    EXPECT_EQ(list->getNumItems(), 0);  // still typing
    for (const char* letter : {"l", "r", "a"}) Key(field, letter[0], 0, letter);
    RunEventsUntil([list] { return list->getNumItems() > 0; }, 2000);
    ASSERT_EQ(list->getNumItems(), 4);
    EXPECT_STREQ(list->getItemText(0).text(), "\t\xc3\x84hnliche Schreibweisen");
    EXPECT_FALSE(list->isItemEnabled(0));
    EXPECT_EQ(list->getItemData(0), nullptr);
    EXPECT_STREQ(list->getItemText(1).text(), "A00\tCholera");
    Mark();
    list->setCurrentItem(0);
    Command(MainWindow::ID_COPY_BOTH);
    Command(MainWindow::ID_COPY_CODE);
    EXPECT_EQ(Clip(), "<none>");  // refused, as on the line for no hits
    // Emptied, the field empties the list; Enter still lists every code.
    for (int i = 0; i < 7; ++i) Key(field, FX::KEY_BackSpace);
    RunEventsFor(300);
    EXPECT_EQ(list->getNumItems(), 0);
    EXPECT_EQ(Search(""), 7);
}

// A key press waiting when the pause ends overtakes the search: the list
// stays empty, and the search runs once the keys pause again.
TEST_F(WindowTest, AKeyWaitingWhenThePauseEndsPutsTheSearchOff) {
    Probe(*window).tabbook()->setCurrent(1);
    FXIconList* list = Probe(*window).resultList();
    Probe(*window).searchField()->setText("cholera");
    Display* display = static_cast<Display*>(window->getApp()->getDisplay());
    XEvent press{};
    press.xkey.type = KeyPress;
    press.xkey.display = display;
    press.xkey.window = window->id();
    press.xkey.keycode = XKeysymToKeycode(display, XK_Shift_L);
    press.xkey.same_screen = True;
    EXPECT_FALSE(KeyPressWaiting(window->getApp()));
    XSendEvent(display, window->id(), False, 0, &press);
    XSync(display, False);
    EXPECT_TRUE(KeyPressWaiting(window->getApp()));
    window->handle(window.get(), FXSEL(SEL_TIMEOUT, MainWindow::ID_SEARCH_PAUSE), nullptr);
    EXPECT_EQ(list->getNumItems(), 0);
    RunEventsUntil([list] { return list->getNumItems() > 0; }, 2000);
    EXPECT_EQ(list->getNumItems(), 3);
}

}  // namespace
}  // namespace kodexa::test
