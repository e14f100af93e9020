// The copy commands on the tree and the result list, by menu, key and
// right-click menu, and handing the text to whoever asks for the clipboard.
#include <fxkeys.h>

#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

TEST_F(WindowTest, CopyCommandsTakeTheCurrentItemOfThePageShown) {
    FXTreeList* tree = Probe(*window).tree();
    tree->appendItem(nullptr, "Z99.9 - not in the codes file", nullptr, nullptr, NewItemData(1, "Z99.9"));
    tree->appendItem(nullptr, "no data", nullptr, nullptr, nullptr);
    const FXSelector code = Kodexa::ID_COPY_CODE, text = Kodexa::ID_COPY_TEXT, both = Kodexa::ID_COPY_BOTH;
    // No tree item: none current; no search: the tree page shows; row -1: no
    // current result; nothing expected: the clipboard keeps what it had.
    const struct {
        const char *treeItem, *search;
        int row;
        FXSelector command;
        const char* expected;
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
            Probe(*window).resultList()->setCurrentItem(c.row);
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
    EXPECT_EQ(Probe(*window).clipText(), nullptr);
    Command(Kodexa::ID_COPY_BOTH);
    EXPECT_TRUE(window->hasClipboard());
    EXPECT_EQ(paste(FXWindow::stringType), kA009 + std::string(1, '\0'));
}

TEST_F(WindowTest, RightClickMenus) {
    Probe(*window).tree()->appendItem(nullptr, "no data", nullptr, nullptr, nullptr);
    FXIconList* list = Probe(*window).resultList();
    // On 't' the tree with current made current, on 'l' the result list after
    // a search for current (if any), its last line current. Menu: the
    // entries code, text, both, '1' enabled; "" no menu. Choose: the entry
    // then chosen; clip: what it copied.
    const struct {
        char on;
        const char* current;
        int clicks;
        bool moved;
        int choose;
        const char *menu, *clip;
    } steps[] = {
        {'l', nullptr, 1, false, 0, "111", "marker"},  // empty list, before any tree menu
        {'l', "xyzzy", 1, false, 2, "111", "marker"},  // the line for no hits
        {'t', nullptr, 1, false, 0, "", "marker"},
        {'t', kChapter, 1, false, 1, "100", "marker"},  // a disabled entry refuses
        {'t', kChapter, 2, false, 0, "", "marker"},     // the second of two quick clicks
        {'t', "A00-A09 - Darm", 1, false, 2, "100", "marker"},
        {'t', "no data", 1, false, 0, "100", "marker"},
        {'t', kA009, 3, false, 0, "", "marker"},
        {'t', kA009, 1, true, 0, "", "marker"},
        {'l', "cholera", 2, false, 0, "", "marker"},
        {'l', nullptr, 1, true, 0, "", "marker"},
        {'l', nullptr, 1, false, 2, "100", "marker"},  // as the tree's menu last set the entries
        {'t', "A00 - Cholera", 1, false, 1, "111", "Cholera"},
        {'l', nullptr, 1, false, 2, "111", kA009},
        {'t', kA009, 1, false, 0, "111", "A00.9"},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        SCOPED_TRACE(i);
        Mark();
        if (s.on == 't') MakeCurrent(s.current);
        if (s.on == 'l' && s.current != nullptr) Search(s.current);
        if (s.on == 'l') Probe(*window).tabbook()->setCurrent(1);
        if (s.on == 'l' && s.current != nullptr) list->setCurrentItem(list->getNumItems() - 1);
        ModalCloser closer(CloseBy::Cancel, s.choose);
        FXEvent event{};  // as the widget gets it from the server
        event.code = RIGHTBUTTON;
        event.root_x = 300;
        event.root_y = 200;
        event.click_count = s.clicks;
        event.moved = s.moved;
        FXWindow* widget = s.on == 't' ? static_cast<FXWindow*>(Probe(*window).tree()) : list;
        for (FXSelector type : {SEL_RIGHTBUTTONPRESS, SEL_RIGHTBUTTONRELEASE}) {
            event.type = type;
            widget->handle(widget, FXSEL(type, 0), &event);
        }
        EXPECT_EQ(closer.seen.empty() ? "" : closer.seen[0].enabled, s.menu);
        EXPECT_LE(closer.seen.size(), 1u);
        EXPECT_EQ(Clip(), s.clip);
        EXPECT_FALSE(Probe(*window).popupMenu()->shown());
    }
}

}  // namespace
}  // namespace kodexa::test
