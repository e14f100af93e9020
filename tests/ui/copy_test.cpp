// Handing the copied text to whoever asks for the clipboard, and the
// right-click menu on the tree and the result list.
#include <fxkeys.h>

#include <functional>

#include "tests/support/fault_injection.h"
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

TEST_F(WindowTest, ClipboardServesEachTypeUntilAnotherOwnerTakesIt) {
    FXMainWindow other(TestApp(), "other", nullptr, nullptr, DECOR_ALL, 0, 0, 200, 100);
    other.create();
    auto paste = [&](FXDragType type) {
        FXuchar* data = nullptr;
        FXuint size = 0;
        if (!other.getDNDData(FROM_CLIPBOARD, type, data, size)) return std::string("<nothing>");
        std::string text(reinterpret_cast<char*>(data), size);
        FXFREE(&data);
        return text;
    };
    // No type carries a NUL; STRING is Latin-1, a character outside it '?'.
    // The end-to-end test pastes a title with an umlaut as both types.
    ItemData copied(1, "\xc3\x84 \xe2\x82\xac 1\xc2\xb0 \xf0\x9f\x98\x80.");
    window->copyCode(&copied);
    EXPECT_EQ(paste(FXWindow::stringType), "\xc4 ? 1\xb0 ?.");
    MakeCurrent(kA009);

    // Owning already: lost, gained, then the new text. With Shift or Caps
    // Lock the key arrives as C; the end-to-end test presses Ctrl+c.
    Key(window.get(), KEY_C, CONTROLMASK);
    EXPECT_EQ(paste(FXWindow::utf8Type), "A00.9");
    const FXDragType types[] = {FXWindow::stringType};
    ASSERT_TRUE(other.acquireClipboard(types, 1));
    EXPECT_FALSE(window->hasClipboard());
    EXPECT_EQ(Probe(*window).clipText(), nullptr);
    Command(MainWindow::ID_COPY_BOTH);
    EXPECT_TRUE(window->hasClipboard());
    EXPECT_EQ(paste(FXWindow::utf8Type), kA009);
}

// A code's title is copied from the line that shows it, in the tree and in
// the result list: no file is read for it.
TEST_F(WindowTest, CopyTakesTheTitleTheLineShowsWithoutReadingTheCatalogue) {
    auto copyCountingCalls = [&](FXSelector id) {
        FaultInjector counter;
        Command(id);
        return counter.TotalCalls();
    };
    MakeCurrent(kA009);
    EXPECT_EQ(copyCountingCalls(MainWindow::ID_COPY_TEXT), 0);
    EXPECT_EQ(Clip(), "Cholera, nicht n\xc3\xa4her bezeichnet");
    ASSERT_GT(Search("cholera"), 1);
    FXIconList* list = Probe(*window).resultList();
    FXint row = -1;
    for (FXint i = 0; i < list->getNumItems(); ++i)
        if (list->getItemText(i).left(6) == "A00.9\t") row = i;
    ASSERT_GE(row, 0);
    list->setCurrentItem(row);
    EXPECT_EQ(copyCountingCalls(MainWindow::ID_COPY_BOTH), 0);
    EXPECT_EQ(Clip(), kA009);
}

// The y of a point on the row where on(y) holds, or below every row when
// none does.
FXint RowY(FXWindow* widget, const std::function<bool(FXint)>& on) {
    for (FXint y = 0; y < widget->getHeight(); ++y) {
        if (on(y)) return y + 2;
    }
    return widget->getHeight() - 4;
}

TEST_F(WindowTest, RightClickMakesTheEntryCurrentAndEnablesTheMenuForIt) {
    FXTreeList* tree = Probe(*window).tree();
    tree->appendItem(nullptr, "no data", nullptr, nullptr, nullptr);
    for (FXTreeItem* item = tree->getFirstItem(); item != nullptr; item = item->getBelow()) tree->expandTree(item);
    FXIconList* list = Probe(*window).resultList();
    // Without a search on the tree's item labelled so, after its first
    // chapter was made current; else on the result list after the search, on
    // the row (null: beside every entry). Menu: the entries code, text,
    // both, "Zur Diagnoseliste" and "Zu den Favoriten", '1' enabled; "" no menu. Choose: the
    // entry then chosen; clip: what it copied; current: the label or text
    // of the current item afterwards.
    const struct {
        const char* search;
        const char* item;
        int row, clicks;
        bool moved;
        int choose;
        const char *menu, *clip, *current;
    } steps[] = {
        {nullptr, kA009, 0, 1, false, 0, "11111", "A00.9", kA009},  // not the chapter current before
        {nullptr, "A00-A09 - Darm", 0, 1, false, 1, "10000", "marker", "A00-A09 - Darm"},  // greyed: refused
        {nullptr, "no data", 0, 1, false, 0, "00000", "marker", "no data"},  // nothing to copy
        {nullptr, nullptr, 0, 1, false, 0, "", "marker", kChapter},  // beside every entry
        {nullptr, kA009, 0, 2, false, 0, "", "marker", kChapter},    // the second of two quick clicks
        {nullptr, kA009, 0, 1, true, 0, "", "marker", kChapter},
        {"cholera", nullptr, 2, 1, false, 1, "11111", kA009Title, "A00.9"},  // after a chapter's menu
        {"cholera", nullptr, 0, 1, false, 2, "11111", "A00 - Cholera", "A00"},
        {"cholera", nullptr, 1, 3, false, 0, "", "marker", ""},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        SCOPED_TRACE(i);
        Mark();
        MakeCurrent(kChapter);
        FXWindow* widget = tree;
        FXTreeItem* item = s.item != nullptr ? FindItem(tree->getFirstItem(), s.item) : nullptr;
        FXint y = RowY(tree, [&](FXint at) { return item != nullptr && tree->getItemAt(30, at) == item; });
        if (s.search != nullptr) {
            Search(s.search);
            RunEventsFor(30);  // lays the page out
            widget = list;
            y = RowY(list, [&](FXint at) { return list->getItemAt(30, at) == s.row; });
        }
        ModalCloser closer(s.choose);
        FXEvent event{};  // as the widget gets it from the server
        event.code = RIGHTBUTTON;
        event.win_x = 30;
        event.win_y = y;
        event.root_x = 300;
        event.root_y = 200;
        event.click_count = s.clicks;
        event.moved = s.moved;
        for (FXSelector type : {SEL_RIGHTBUTTONPRESS, SEL_RIGHTBUTTONRELEASE}) {
            event.type = type;
            widget->handle(widget, FXSEL(type, 0), &event);
        }
        EXPECT_EQ(closer.seen.empty() ? "" : closer.seen[0].enabled, s.menu);
        EXPECT_LE(closer.seen.size(), 1u);
        EXPECT_EQ(Clip(), s.clip);
        EXPECT_FALSE(Probe(*window).popupMenu()->shown());
        if (s.search == nullptr) {
            EXPECT_STREQ(tree->getCurrentItem()->getText().text(), s.current);
            EXPECT_TRUE(tree->getCurrentItem()->isSelected() || s.item == nullptr || s.clicks != 1 || s.moved);
        } else {
            const FXint current = list->getCurrentItem();
            EXPECT_EQ(current >= 0 && list->isItemSelected(current) ? list->getItemText(current).before('\t').text()
                                                                    : "",
                      std::string(s.current));
        }
    }
}

}  // namespace
}  // namespace kodexa::test
