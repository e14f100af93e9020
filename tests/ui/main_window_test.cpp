// The main window on test catalogues: the tree it shows, the boxes for
// files it cannot open, and the read-only fallback.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

struct WindowDeleter {
    void operator()(Kodexa* w) const { delete w; }
};
using WindowPtr = std::unique_ptr<TestKodexa, WindowDeleter>;

WindowPtr OpenWindow(const std::string& dir, bool readOnlyPlace = false) {
    WindowPtr window(new TestKodexa(dir));
    window->readOnlyPlace = readOnlyPlace;
    window->create();
    return window;
}

TEST(MainWindow, LayoutTitleAndMenus) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    ModalCloser closer(CloseBy::MessageBoxOk);
    WindowPtr window = OpenWindow(dir.Path());
    RunEventsFor(50);
    EXPECT_EQ(std::string(window->getTitle().text()), "Taviron Kodexa 1.0");
    EXPECT_EQ(window->getWidth(), 600);
    EXPECT_EQ(window->getHeight(), 400);
    EXPECT_TRUE(window->shown());
    EXPECT_EQ(window->getTabBook()->getCurrent(), 0);
    EXPECT_EQ(window->getResultList()->getNumItems(), 0);
    EXPECT_EQ(window->getResultList()->getNumHeaders(), 2);
    EXPECT_EQ(std::string(window->getResultList()->getHeaderText(1).text()), "Titel");
    EXPECT_TRUE(closer.Seen().empty());

    std::vector<std::string> edit;
    for (FXWindow* c = window->getEditMenu()->getFirst(); c != nullptr; c = c->getNext())
        edit.push_back(static_cast<FXMenuCommand*>(c)->getText().text());
    EXPECT_EQ(edit, (std::vector<std::string>{"Code kopieren", "Text kopieren", "Text und Code kopieren"}));

    // Every widget that reports to the window does so with its own id:
    // id 0 is the clipboard's.
    std::vector<FXWindow*> pending{window.get()};
    while (!pending.empty()) {
        FXWindow* w = pending.back();
        pending.pop_back();
        for (FXWindow* c = w->getFirst(); c != nullptr; c = c->getNext()) pending.push_back(c);
        if (w != window.get() && w->getTarget() == window.get()) {
            EXPECT_NE(w->getSelector(), 0u) << w->getClassName();
        }
    }
}

TEST(MainWindow, TreeShowsTheSampleCatalogue) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    ModalCloser closer(CloseBy::MessageBoxOk);
    testing::internal::CaptureStdout();
    WindowPtr window = OpenWindow(dir.Path());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(closer.Seen().empty());
    const std::string d = dir.Path() + "/";
    EXPECT_EQ(out, d + "data2.dat " + d + "data2.ndx\n" + d + "data1.dat " + d + "data1.ndx\n" + d + "data3.dat " +
                       d + "data3.ndx\n");

    FXTreeList* tree = window->getTree();
    EXPECT_EQ(TreeOutline(tree), (std::vector<std::string>{
                                     "A00-B99 - Infektionen",
                                     "  A00-A09 - Darm",
                                     "    A00 - Cholera",
                                     "      A00.0 - Cholera durch Vibrio",
                                     "      A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet",
                                     "  A15-A19 - Tuberkulose",
                                     "    A15 - Tuberkulose der Atmungsorgane",
                                     "      A15.0 - Lungentuberkulose",
                                     "        A15.00 - Lungentuberkulose, gesichert",
                                     "C00-D48 - Neubildungen",
                                     "  C00-C14 - Lippe",
                                     "    C00 - B\xc3\xb6sartige Neubildung der Lippe",
                                 }));
    EXPECT_EQ(tree->getCurrentItem(), tree->getFirstItem());
    for (FXTreeItem* item = tree->getFirstItem(); item != nullptr; item = item->getNext())
        EXPECT_FALSE(item->isSelected());

    const struct {
        const char* label;
        int kind;
        const char* code;
        bool folder;
    } items[] = {
        {"A00-B99 - Infektionen", 3, "A00-B99", true},
        {"A00-A09 - Darm", 2, "A00-A09", true},
        {"A00 - Cholera", 0, "A00", true},
        {"A00.0 - Cholera durch Vibrio", 1, "A00.0", false},
        {"A15.0 - Lungentuberkulose", 0, "A15.0", true},
        {"C00 - B\xc3\xb6sartige Neubildung der Lippe", 1, "C00", false},
    };
    for (const auto& e : items) {
        SCOPED_TRACE(e.label);
        FXTreeItem* item = FindItem(tree, e.label);
        ASSERT_NE(item, nullptr);
        ASSERT_NE(DataOf(item), nullptr);
        EXPECT_EQ(DataOf(item)->kind, e.kind);
        EXPECT_EQ(std::string(DataOf(item)->code.text()), e.code);
        EXPECT_EQ(item->getOpenIcon(), e.folder ? window->getFolderOpenIcon() : window->getCodeIcon());
        EXPECT_EQ(item->getClosedIcon(), e.folder ? window->getFolderClosedIcon() : window->getCodeIcon());
        EXPECT_FALSE(item->isExpanded());
    }
}

TEST(MainWindow, EmptyDirectoryMakesAnEmptyCatalogueWithoutBoxes) {
    TempDir dir;
    ModalCloser closer(CloseBy::MessageBoxOk);
    testing::internal::CaptureStdout();
    WindowPtr window = OpenWindow(dir.Path());
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(closer.Seen().empty());
    EXPECT_EQ(TreeOutline(window->getTree()), (std::vector<std::string>{" - ", "   - "}));
    for (const char* name : {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx"})
        EXPECT_EQ(access(dir.File(name).c_str(), F_OK), 0) << name;
}

std::vector<std::string> BoxTexts(const ModalCloser& closer) {
    std::vector<std::string> texts;
    for (const ModalSeen& seen : closer.Seen()) {
        EXPECT_EQ(seen.title, "Datafile");
        // The first label holds the (absent) icon, then comes the text.
        texts.push_back(seen.labels.size() > 1 ? seen.labels[1] : "");
    }
    return texts;
}

// A directory where the file should be: there, writable, and no file to open.
void BlockFile(const std::string& path) {
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
}

TEST(MainWindow, EachFileThatCannotBeOpenedGetsItsBox) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    for (const char* name : {"data2.ndx", "data1.ndx", "data3.ndx"}) BlockFile(dir.File(name));
    ModalCloser closer(CloseBy::MessageBoxOk);
    testing::internal::CaptureStdout();
    WindowPtr window = OpenWindow(dir.Path());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(BoxTexts(closer),
              (std::vector<std::string>{"Error opening Kapitel", "Error opening Groups", "Error opening Codes"}));
    EXPECT_TRUE(window->shown());
}

TEST(MainWindow, OnlyTheChaptersBoxWhenOnlyTheirIndexIsDamaged) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    BlockFile(dir.File("data2.ndx"));
    ModalCloser closer(CloseBy::MessageBoxOk);
    testing::internal::CaptureStdout();
    WindowPtr window = OpenWindow(dir.Path());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(BoxTexts(closer), (std::vector<std::string>{"Error opening Kapitel"}));
    // Groups and codes are open: copying a code's text still finds it.
    ItemData data(1, "A00.9");
    EXPECT_TRUE(window->copyText(&data));
    ASSERT_NE(window->getClipText(), nullptr);
    EXPECT_STREQ(window->getClipText(), "Cholera, nicht n\xc3\xa4her bezeichnet");
}

TEST(MainWindow, CatalogueWhereTheUserMayNotWriteOpensReadOnly) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    ModalCloser closer(CloseBy::MessageBoxOk);
    testing::internal::CaptureStdout();
    WindowPtr window = OpenWindow(dir.Path(), true);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(closer.Seen().empty());
    EXPECT_EQ(window->openModes, (std::vector<int>{1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(TreeOutline(window->getTree()).size(), 12u);
}

TEST(MainWindow, ReadOnlyPlaceWithoutCatalogueStillShowsTheBoxes) {
    TempDir dir;
    ModalCloser closer(CloseBy::MessageBoxOk);
    testing::internal::CaptureStdout();
    WindowPtr window = OpenWindow(dir.Path(), true);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(BoxTexts(closer).size(), 3u);
    EXPECT_EQ(window->openModes, (std::vector<int>{1, 1, 1}));
}

TEST(MainWindow, ReadOnlyFilesOpenForAnOrdinaryUser) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write any file; covered through the stand-in above";
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    for (const char* name : {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx"})
        chmod(dir.File(name).c_str(), 0444);
    ModalCloser closer(CloseBy::MessageBoxOk);
    testing::internal::CaptureStdout();
    WindowPtr window = OpenWindow(dir.Path());
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(closer.Seen().empty());
    EXPECT_EQ(TreeOutline(window->getTree()).size(), 12u);
}

}  // namespace
}  // namespace kodexa::test
