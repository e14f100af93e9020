// The main window on test catalogues: the tree it shows, the boxes for
// files it cannot open, the read-only fallback, and the tips and about
// windows.
#include <sys/stat.h>
#include <unistd.h>

#include "tests/ui/window_test_util.h"
#include "ui/pictures.h"

using namespace FX;

namespace kodexa::test {
namespace {

std::string Outline(FXTreeItem* item, int depth = 0) {
    std::string lines;
    for (; item != nullptr; item = item->getNext()) {
        EXPECT_FALSE(item->isExpanded() || item->isSelected()) << item->getText().text();
        lines += std::string(2 * depth, ' ') + item->getText().text() + "\n" + Outline(item->getFirst(), depth + 1);
    }
    return lines;
}

TEST_F(WindowTest, TreeShowsTheCatalogueWithTheFirstChapterCurrent) {
    FXTreeList* tree = Probe(*window).tree();
    EXPECT_EQ(Outline(tree->getFirstItem()), SampleOutline());
    EXPECT_EQ(tree->getCurrentItem(), tree->getFirstItem());
    const struct { const char* label; int kind; const char* code; bool folder; } items[] = {
        {kChapter, 3, "A00-B99", true},
        {"A00-A09 - Darm", 2, "A00-A09", true},
        {"A00 - Cholera", 0, "A00", true},
        {kA009, 1, "A00.9", false},
    };
    for (const auto& e : items) {
        SCOPED_TRACE(e.label);
        FXTreeItem* item = FindItem(tree->getFirstItem(), e.label);
        const auto* data = item != nullptr ? static_cast<const ItemData*>(item->getData()) : nullptr;
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->kind, e.kind);
        EXPECT_STREQ(data->code.text(), e.code);
        EXPECT_EQ(item->getOpenIcon(), e.folder ? Probe(*window).folderOpenIcon() : Probe(*window).codeIcon());
        EXPECT_EQ(item->getClosedIcon(), e.folder ? Probe(*window).folderClosedIcon() : Probe(*window).codeIcon());
    }
}

TEST(MainWindow, OpeningTheCatalogue) {
    using Texts = std::vector<std::string>;
    const Texts all = {"Error opening Kapitel", "Error opening Groups", "Error opening Codes"};
    // blocked: a directory where the file should be, so there is nothing to open.
    const struct {
        const char* name;
        bool sample, readOnlyPlace;
        std::vector<const char*> blocked;
        Texts boxes;
        std::vector<int> modes;
    } cases[] = {
        // Whatever opened for writing is opened again for reading only.
        {"sample", true, false, {}, {}, {1, 0, 1, 0, 1, 0}},
        {"empty directory: created", false, false, {}, {}, {1, 0, 1, 0, 1, 0}},
        {"no indexes", true, false, {"data2.ndx", "data1.ndx", "data3.ndx"}, all, {1, 1, 1}},
        {"chapters' index only", true, false, {"data2.ndx"}, {all[0]}, {1, 1, 0, 1, 0}},
        {"read-only place", true, true, {}, {}, {1, 0, 1, 0, 1, 0}},
        {"read-only place, no files", false, true, {}, all, {1, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.sample) WriteSampleCatalogue(dir.Path());
        for (const char* name : c.blocked) {
            ASSERT_EQ(unlink(dir.File(name).c_str()), 0);
            ASSERT_EQ(mkdir(dir.File(name).c_str(), 0755), 0);
        }
        ModalCloser closer(CloseBy::Cancel);
        auto window = OpenWindow(dir.Path(), c.readOnlyPlace);
        EXPECT_TRUE(window->shown());
        EXPECT_EQ(window->openModes, c.modes);
        ASSERT_EQ(closer.seen.size(), c.boxes.size());
        for (std::size_t i = 0; i < c.boxes.size(); ++i) {
            EXPECT_EQ(closer.seen[i].title, "Datafile");
            EXPECT_EQ(closer.seen[i].labels.at(1), c.boxes[i]);  // after the label of the (absent) icon
        }
        // The codes, when they opened, can be read whatever else failed.
        ItemData code(1, "A00.0");
        window->copyText(&code);
        EXPECT_EQ(Probe(*window).clipText() != nullptr, c.sample && c.blocked.size() < 3);
    }
}

TEST_F(WindowTest, TipsAndAboutShowTheirTitlesAndPictures) {
    auto decoded = [](const pictures::Picture& picture) {
        FXGIFImage image(TestApp(), picture.bytes, 0, 1, 1);
        return PixelsOf(&image);
    };
    ASSERT_NE(decoded(pictures::tips), decoded(pictures::about));
    const struct { FXSelector command; const char* title; const pictures::Picture& panel; } cases[] = {
        {Kodexa::ID_TIPS, "Tips ... ", pictures::tips},
        {Kodexa::ID_ABOUT, "\xc3\x9c" "ber ...", pictures::about},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ModalCloser closer(CloseBy::Cancel);
        Command(c.command);
        ASSERT_EQ(closer.seen.size(), 1u);
        EXPECT_EQ(closer.seen[0].title, c.title);
        EXPECT_TRUE(closer.seen[0].pictures == (std::vector{decoded(pictures::side), decoded(c.panel)}));
        EXPECT_EQ(closer.seen[0].labels.back(), "Weiter");
    }
}

}  // namespace
}  // namespace kodexa::test
