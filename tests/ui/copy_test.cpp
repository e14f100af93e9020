// The copy commands on the tree and the result list, by menu, key and
// right-click menu, and handing the text to whoever asks for the clipboard.
#include <fxkeys.h>

#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

TEST_F(WindowTest, CopyCommandsTakeTheCurrentItemOfThePageShown) {
    FXTreeList* tree = window->getTree();
    tree->appendItem(nullptr, "Z99.9 - not in the codes file", nullptr, nullptr, NewItemData(1, "Z99.9"));
    tree->appendItem(nullptr, "no data", nullptr, nullptr, nullptr);
    const FXSelector code = Kodexa::ID_COPY_CODE, text = Kodexa::ID_COPY_TEXT, both = Kodexa::ID_COPY_BOTH;
    const struct {
        const char* treeItem;  // null: none
        const char* search;    // null: the tree page shows
        int row;               // the current result; -1: none
        FXSelector command;
        const char* expected;  // null: the clipboard keeps what it had
    } cases[] = {
        {kChapter, nullptr, 0, code, "A00-B99"},
        {kChapter, nullptr, 0, text, nullptr},
        {"A00-A09 - Darm", nullptr, 0, both, nullptr},
        {"A00 - Cholera", nullptr, 0, both, "A00 - Cholera"},
        {kA009, nullptr, 0, text, kA009Title},
        {kA009, nullptr, 0, both, kA009},
        {"Z99.9 - not in the codes file", nullptr, 0, text, nullptr},
        {"Z99.9 - not in the codes file", nullptr, 0, both, nullptr},
        {"no data", nullptr, 0, code, nullptr},
        {nullptr, nullptr, 0, code, nullptr},
        {nullptr, nullptr, 0, both, nullptr},
        {kChapter, "cholera", -1, code, nullptr},
        {kChapter, "cholera", 2, code, "A00.9"},
        {kChapter, "cholera", 2, text, kA009Title},
        {kChapter, "xyzzy", 0, code, nullptr},  // the line for no hits
        {kChapter, "xyzzy", 0, both, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.treeItem ? c.treeItem : "-") + " / " + (c.search ? c.search : "-") + " " +
                     std::to_string(c.row) + " " + std::to_string(c.command - code));
        Mark();
        MakeCurrent(c.treeItem);
        if (c.search != nullptr) {
            Search(c.search);
            window->getResultList()->setCurrentItem(c.row);
        }
        Command(c.command);
        EXPECT_EQ(Clip(), c.expected != nullptr ? c.expected : "marker");
    }
}

TEST_F(WindowTest, CtrlCCopiesTheCodeWhicheverCaseTheKeyArrivesIn) {
    MakeCurrent(kA009);
    for (FXuint key : {FXuint(KEY_c), FXuint(KEY_C)}) {
        Mark();
        FXEvent event{};
        event.type = SEL_KEYPRESS;
        event.code = key;
        event.state = CONTROLMASK;
        window->handle(window.get(), FXSEL(SEL_KEYPRESS, 0), &event);
        EXPECT_EQ(Clip(), "A00.9") << key;
    }
}

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
    MakeCurrent(kA009);
    Command(Kodexa::ID_COPY_TEXT);
    // UTF8_STRING is counted: no NUL. The two plain types carry the NUL.
    EXPECT_EQ(paste(FXWindow::utf8Type), kA009Title);
    EXPECT_EQ(paste(FXWindow::stringType), kA009Title + std::string(1, '\0'));
    EXPECT_EQ(paste(FXWindow::textType), kA009Title + std::string(1, '\0'));
    EXPECT_EQ(paste(FXWindow::colorType), "<nothing>");

    Command(Kodexa::ID_COPY_CODE);  // owning already: lost, gained, then the new text
    EXPECT_EQ(paste(FXWindow::utf8Type), "A00.9");
    const FXDragType types[] = {FXWindow::stringType};
    ASSERT_TRUE(other.acquireClipboard(types, 1));
    EXPECT_FALSE(window->hasClipboard());
    EXPECT_EQ(window->getClipText(), nullptr);
    Command(Kodexa::ID_COPY_BOTH);
    EXPECT_TRUE(window->hasClipboard());
    EXPECT_EQ(paste(FXWindow::stringType), kA009 + std::string(1, '\0'));
}

// A right click as the widget gets it from the server; the menu it opens
// comes and goes inside.
void RightClick(FXWindow* widget, int clickCount = 1, bool moved = false) {
    FXEvent event{};
    event.code = RIGHTBUTTON;
    event.root_x = 300;
    event.root_y = 200;
    event.click_count = clickCount;
    event.moved = moved;
    for (FXSelector type : {SEL_RIGHTBUTTONPRESS, SEL_RIGHTBUTTONRELEASE}) {
        event.type = type;
        widget->handle(widget, FXSEL(type, 0), &event);
    }
}

// The entries each menu showed: code, text, both; '1' enabled.
std::vector<std::string> Menus(const ModalCloser& closer) {
    std::vector<std::string> menus;
    for (const ModalSeen& seen : closer.seen) menus.push_back(seen.enabled);
    return menus;
}

TEST_F(WindowTest, TreeMenuEnablesTheTextEntriesForCodesOnly) {
    window->getTree()->appendItem(nullptr, "no data", nullptr, nullptr, nullptr);
    const struct {
        const char* current;
        std::vector<std::string> menus;
        const char* textEntryCopies;  // null: nothing
    } cases[] = {
        {nullptr, {}, nullptr},  // no current item: no menu
        {kChapter, {"100"}, nullptr},
        {"A00-A09 - Darm", {"100"}, nullptr},
        {"A00 - Cholera", {"111"}, "Cholera"},
        {kA009, {"111"}, kA009Title},
        {"no data", {"100"}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.current != nullptr ? c.current : "none");
        Mark();
        MakeCurrent(c.current);
        ModalCloser closer(CloseBy::Cancel, 1);
        RightClick(window->getTree());
        EXPECT_EQ(Menus(closer), c.menus);
        EXPECT_EQ(Clip(), c.textEntryCopies != nullptr ? c.textEntryCopies : "marker");
        EXPECT_FALSE(window->getPopupMenu()->shown());
    }
}

TEST_F(WindowTest, ListMenuKeepsTheEntriesTheTreeMenuLastSetAndOnlyPlainClicksOpenMenus) {
    FXIconList* list = window->getResultList();
    auto listClick = [&](int clickCount = 1, bool moved = false) {
        window->getTabBook()->setCurrent(1);
        RightClick(list, clickCount, moved);
    };
    Mark();
    ModalCloser closer(CloseBy::Cancel, 2);
    listClick();  // before any search, and before any tree menu: all entries
    Search("xyzzy");
    list->setCurrentItem(0);
    listClick();  // the line for no hits
    Search("cholera");
    list->setCurrentItem(2);
    MakeCurrent(kChapter);
    RightClick(window->getTree(), 1);
    RightClick(window->getTree(), 2);  // the second of two quick clicks
    MakeCurrent(kA009);
    RightClick(window->getTree(), 3);
    RightClick(window->getTree(), 1, true);
    listClick(2);
    listClick(1, true);
    listClick();
    EXPECT_EQ(Clip(), "marker");
    MakeCurrent("A00 - Cholera");
    RightClick(window->getTree());
    EXPECT_EQ(Clip(), "A00 - Cholera");
    listClick();
    EXPECT_EQ(Clip(), kA009);
    EXPECT_EQ(Menus(closer), (std::vector<std::string>{"111", "111", "100", "100", "111", "111"}));
}

}  // namespace
}  // namespace kodexa::test
