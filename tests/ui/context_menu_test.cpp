// The right-click menus of the tree and the result list, and the tips,
// about and quit commands.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/ui/window_test_util.h"
#include "ui/pictures.h"

using namespace FX;

namespace kodexa::test {
namespace {

struct MenuSeen {
    bool code = false, text = false, both = false;  // enabled entries
    int x = 0, y = 0;
    bool modal = false;  // the application runs a modal loop for the menu
};

// Watches a window's context menu while it lives: each time the menu is up it
// notes what it shows, then chooses the entry given (or none) and takes the
// menu down, as a user choosing or clicking elsewhere would.
class MenuWatcher : public FXObject {
    FXDECLARE(MenuWatcher)
public:
    explicit MenuWatcher(Kodexa& window) : window(&window) { TestApp()->addTimeout(this, ID_POLL, 10); }
    ~MenuWatcher() override { TestApp()->removeTimeout(this, ID_POLL); }
    MenuWatcher(const MenuWatcher&) = delete;
    MenuWatcher& operator=(const MenuWatcher&) = delete;

    FXMenuCommand* choose = nullptr;
    const std::vector<MenuSeen>& Seen() const { return seen; }

    long onTimeout(FXObject*, FXSelector, void*) {
        FXMenuPane* menu = window->getPopupMenu();
        if (menu->shown()) {
            MenuSeen what;
            what.code = window->getPopupCopyCode()->isEnabled();
            what.text = window->getPopupCopyText()->isEnabled();
            what.both = window->getPopupCopyBoth()->isEnabled();
            what.x = menu->getX();
            what.y = menu->getY();
            what.modal = TestApp()->getModalWindow() == menu;
            seen.push_back(what);
            // What a key or click on the entry does; a disabled one refuses.
            if (choose != nullptr) choose->handle(this, FXSEL(SEL_COMMAND, FXWindow::ID_ACCEL), nullptr);
            if (menu->shown()) menu->popdown();
        }
        TestApp()->addTimeout(this, ID_POLL, 10);
        return 1;
    }

    enum { ID_POLL = 1 };

private:
    MenuWatcher() = default;
    Kodexa* window = nullptr;
    std::vector<MenuSeen> seen;
};

FXDEFMAP(MenuWatcher) watcherMap[] = {
    FXMAPFUNC(SEL_TIMEOUT, MenuWatcher::ID_POLL, MenuWatcher::onTimeout),
};

FXIMPLEMENT(MenuWatcher, FXObject, watcherMap, ARRAYNUMBER(watcherMap))

const char kNotFurther[] = "A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet";

class ContextMenu : public testing::Test {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        window = OpenTestWindow(dir.Path());
        RunEventsFor(30);
    }

    // A right click as the widget gets it from the server: the widget takes
    // the focus and the pointer, asks the window, and lets go on release.
    void RightClick(FXWindow* widget, int clickCount = 1, bool moved = false) {
        FXEvent event{};
        event.type = SEL_RIGHTBUTTONPRESS;
        event.code = RIGHTBUTTON;
        event.win_x = 20;
        event.win_y = 5;  // over the first row
        event.root_x = 300;
        event.root_y = 200;
        event.click_count = clickCount;
        event.moved = moved;
        widget->handle(widget, FXSEL(SEL_RIGHTBUTTONPRESS, 0), &event);
        event.type = SEL_RIGHTBUTTONRELEASE;
        widget->handle(widget, FXSEL(SEL_RIGHTBUTTONRELEASE, 0), &event);
    }
    void MakeCurrent(const std::string& label) {
        FXTreeItem* item = FindItem(window->getTree(), label);
        ASSERT_NE(item, nullptr) << label;
        window->getTree()->setCurrentItem(item);
    }
    std::string Clip() const { return window->getClipText() != nullptr ? window->getClipText() : "<none>"; }
    void Search(const char* text) {
        window->getSearchField()->setText(text);
        window->handle(window.get(), FXSEL(SEL_COMMAND, Kodexa::ID_SEARCH), nullptr);
    }

    TempDir dir;
    WindowPtr window;
};

TEST_F(ContextMenu, NoCurrentItemInTheTreeShowsNoMenu) {
    MenuWatcher watcher(*window);
    window->getTree()->setCurrentItem(nullptr);
    RightClick(window->getTree());
    RunEventsFor(40);
    EXPECT_TRUE(watcher.Seen().empty());
    EXPECT_FALSE(window->getPopupMenu()->shown());
}

TEST_F(ContextMenu, TheTreesCurrentItemDecidesWhichEntriesAreEnabled) {
    const struct {
        const char* current;  // null: an item without data
        bool textEntries;
    } cases[] = {
        {"A00-B99 - Infektionen", false},
        {"A00 - Cholera", true},  // a code with sub-codes
        {"A00-A09 - Darm", false},
        {"A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet", true},
        {nullptr, false},
        {"C00 - B\xc3\xb6sartige Neubildung der Lippe", true},
    };
    FXTreeItem* bare = window->getTree()->appendItem(nullptr, "bare", nullptr, nullptr, nullptr);
    MenuWatcher watcher(*window);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.current != nullptr ? c.current : "no data");
        if (c.current != nullptr) {
            MakeCurrent(c.current);
        } else {
            window->getTree()->setCurrentItem(bare);
        }
        FXTreeItem* current = window->getTree()->getCurrentItem();
        const std::size_t before = watcher.Seen().size();
        RightClick(window->getTree());
        ASSERT_EQ(watcher.Seen().size(), before + 1);
        const MenuSeen& seen = watcher.Seen().back();
        EXPECT_TRUE(seen.code);
        EXPECT_EQ(seen.text, c.textEntries);
        EXPECT_EQ(seen.both, c.textEntries);
        EXPECT_TRUE(seen.modal);
        EXPECT_EQ(seen.x, 300);
        EXPECT_EQ(seen.y, 200);
        // The click was over the first row: the current item stays.
        EXPECT_EQ(window->getTree()->getCurrentItem(), current);
        EXPECT_FALSE(window->getPopupMenu()->shown());
    }
}

TEST_F(ContextMenu, ChoosingAnEntryCopiesFromTheCurrentItem) {
    MenuWatcher watcher(*window);
    MakeCurrent("A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet");
    watcher.choose = window->getPopupCopyBoth();
    RightClick(window->getTree());  // over the chapter's row
    EXPECT_EQ(Clip(), kNotFurther);
    watcher.choose = window->getPopupCopyCode();
    RightClick(window->getTree());
    EXPECT_EQ(Clip(), "A00.9");

    // On a chapter the text entries are disabled: choosing one does nothing.
    MakeCurrent("A00-B99 - Infektionen");
    watcher.choose = window->getPopupCopyText();
    RightClick(window->getTree());
    EXPECT_EQ(Clip(), "A00.9");
    EXPECT_EQ(watcher.Seen().size(), 3u);
}

TEST_F(ContextMenu, OnlyASingleUnmovedClickOpensIt) {
    MenuWatcher watcher(*window);
    MakeCurrent("A00-B99 - Infektionen");
    RightClick(window->getTree(), 1);
    RightClick(window->getTree(), 2);  // the second of two quick clicks
    ASSERT_EQ(watcher.Seen().size(), 1u);

    // Ignored clicks leave the entries as the last menu set them.
    MakeCurrent("A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet");
    RightClick(window->getTree(), 2);
    RightClick(window->getTree(), 3);
    RightClick(window->getTree(), 1, true);
    RightClick(window->getResultList(), 2);
    RightClick(window->getResultList(), 1, true);
    RunEventsFor(40);
    EXPECT_EQ(watcher.Seen().size(), 1u);
    EXPECT_FALSE(window->getPopupCopyText()->isEnabled());
    EXPECT_FALSE(window->getPopupCopyBoth()->isEnabled());
}

TEST_F(ContextMenu, TheListsMenuKeepsWhatTheTreeLastSet) {
    MenuWatcher watcher(*window);
    window->getTabBook()->setCurrent(1);
    Search("cholera");
    // Before any right click in the tree every entry is enabled.
    RightClick(window->getResultList());
    MakeCurrent("A00-B99 - Infektionen");
    RightClick(window->getTree());
    RightClick(window->getResultList());
    MakeCurrent("A00 - Cholera");
    RightClick(window->getTree());
    RightClick(window->getResultList());
    ASSERT_EQ(watcher.Seen().size(), 5u);
    const bool expected[] = {true, false, false, true, true};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(watcher.Seen()[i].code);
        EXPECT_EQ(watcher.Seen()[i].text, expected[i]);
        EXPECT_EQ(watcher.Seen()[i].both, expected[i]);
        EXPECT_TRUE(watcher.Seen()[i].modal);
        EXPECT_EQ(watcher.Seen()[i].x, 300);
    }
}

TEST_F(ContextMenu, TheListsMenuCopiesTheCurrentResult) {
    MenuWatcher watcher(*window);
    window->getTabBook()->setCurrent(1);
    Search("cholera");
    window->getResultList()->setCurrentItem(2);
    const struct {
        FXMenuCommand* entry;
        const char* expected;
    } cases[] = {
        {window->getPopupCopyCode(), "A00.9"},
        {window->getPopupCopyText(), "Cholera, nicht n\xc3\xa4her bezeichnet"},
        {window->getPopupCopyBoth(), kNotFurther},
    };
    for (const auto& c : cases) {
        watcher.choose = c.entry;
        RightClick(window->getResultList());
        EXPECT_EQ(Clip(), c.expected);
        EXPECT_EQ(window->getResultList()->getCurrentItem(), 2);
    }
}

TEST_F(ContextMenu, TheMenuOfAnEmptyListDoesNothing) {
    MakeCurrent("A00 - Cholera");
    window->handle(window.get(), FXSEL(SEL_COMMAND, Kodexa::ID_COPY_CODE), nullptr);
    ASSERT_EQ(Clip(), "A00");
    window->getTabBook()->setCurrent(1);
    MenuWatcher watcher(*window);
    const std::vector<FXMenuCommand*> entries = {window->getPopupCopyCode(), window->getPopupCopyText(),
                                                 window->getPopupCopyBoth()};
    // Before any search, then with only the line for no hits.
    for (const char* search : {static_cast<const char*>(nullptr), "xyzzy"}) {
        if (search != nullptr) {
            Search(search);
            window->getResultList()->setCurrentItem(0);
        }
        for (FXMenuCommand* entry : entries) {
            watcher.choose = entry;
            RightClick(window->getResultList());
            EXPECT_EQ(Clip(), "A00");
        }
    }
    EXPECT_EQ(watcher.Seen().size(), 6u);
}

// Tips and about: their titles and pictures.
TEST_F(ContextMenu, TipsAndAboutShowTheirPanels) {
    const Pixels side = PixelsOf(std::make_unique<FXGIFImage>(TestApp(), pictures::side.bytes, 0, 1, 1).get());
    const Pixels tips = PixelsOf(std::make_unique<FXGIFImage>(TestApp(), pictures::tips.bytes, 0, 1, 1).get());
    const Pixels about = PixelsOf(std::make_unique<FXGIFImage>(TestApp(), pictures::about.bytes, 0, 1, 1).get());
    ASSERT_FALSE(tips == about);
    const struct {
        FXSelector command;
        const char* title;
        const Pixels& panel;
    } cases[] = {
        {Kodexa::ID_TIPS, "Tips ... ", tips},
        {Kodexa::ID_ABOUT, "\xc3\x9c" "ber ...", about},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ModalCloser closer(CloseBy::Cancel);
        EXPECT_EQ(window->handle(window.get(), FXSEL(SEL_COMMAND, c.command), nullptr), 1);
        ASSERT_EQ(closer.Seen().size(), 1u);
        const ModalSeen& seen = closer.Seen()[0];
        EXPECT_EQ(seen.title, c.title);
        ASSERT_EQ(seen.pictures.size(), 2u);
        EXPECT_TRUE(seen.pictures[0] == side);
        EXPECT_TRUE(seen.pictures[1] == c.panel);
        EXPECT_EQ(seen.width, 558);
        EXPECT_EQ(seen.height, 376);
        EXPECT_EQ(seen.labels.back(), "Weiter");
    }
    // Gone once their command returns.
    EXPECT_EQ(TestApp()->getModalWindow(), nullptr);
}

// Sends "&Beenden" from inside the event loop; ends the loop with 99 if
// that did not.
class QuitTrigger : public FXObject {
    FXDECLARE(QuitTrigger)
public:
    explicit QuitTrigger(Kodexa& window) : window(&window) {
        TestApp()->addTimeout(this, ID_QUIT_NOW, 20);
        TestApp()->addTimeout(this, ID_GIVE_UP, 5000);
    }
    ~QuitTrigger() override {
        TestApp()->removeTimeout(this, ID_QUIT_NOW);
        TestApp()->removeTimeout(this, ID_GIVE_UP);
    }
    QuitTrigger(const QuitTrigger&) = delete;
    QuitTrigger& operator=(const QuitTrigger&) = delete;
    long onQuitNow(FXObject*, FXSelector, void*) {
        window->handle(window, FXSEL(SEL_COMMAND, Kodexa::ID_QUIT), nullptr);
        return 1;
    }
    long onGiveUp(FXObject*, FXSelector, void*) {
        TestApp()->stop(99);
        return 1;
    }
    enum { ID_QUIT_NOW = 1, ID_GIVE_UP };

private:
    QuitTrigger() = default;
    Kodexa* window = nullptr;
};

FXDEFMAP(QuitTrigger) quitMap[] = {
    FXMAPFUNC(SEL_TIMEOUT, QuitTrigger::ID_QUIT_NOW, QuitTrigger::onQuitNow),
    FXMAPFUNC(SEL_TIMEOUT, QuitTrigger::ID_GIVE_UP, QuitTrigger::onGiveUp),
};

FXIMPLEMENT(QuitTrigger, FXObject, quitMap, ARRAYNUMBER(quitMap))

TEST_F(ContextMenu, QuitEndsTheLoopWithZeroAndSavesTheSettings) {
    TestApp()->reg().writeIntEntry("quit test", "marker", 42);
    QuitTrigger trigger(*window);
    EXPECT_EQ(TestApp()->run(), 0);
    std::ifstream file(TestHome() + "/.foxrc/Taviron/Kodexa");
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("marker=42"), std::string::npos) << text.str();
    TestApp()->reg().deleteSection("quit test");
}

}  // namespace
}  // namespace kodexa::test
