// The main window on test catalogues: the tree it shows, the boxes for
// files it cannot open or read to their end, that it never writes, and the
// tips and about windows.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "import/importer.h"

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

// Every entry of dir with its bytes and its modification time.
std::map<std::string, std::string> FilesWithTimes(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        struct stat info {};
        stat(entry.path().c_str(), &info);
        const std::vector<unsigned char> bytes = entry.is_regular_file() ? ReadAllBytes(entry.path()) : std::vector<unsigned char>{};
        files[entry.path().filename()] = std::string(bytes.begin(), bytes.end()) + "@" +
                                         std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
    }
    return files;
}

// The window only reads: whatever it finds, it creates and changes nothing,
// and a database it cannot open gets its box and leaves the tree empty.
TEST(MainWindow, OpeningTheCatalogueReadsOnlyAndChangesNothing) {
    using Texts = std::vector<std::string>;
    const Texts all = {"Error opening Kapitel", "Error opening Groups", "Error opening Codes"};
    // removed: deleted files; spoiled: overwritten with bytes that are no store file.
    const struct {
        const char* name;
        bool sample;
        std::vector<const char*> removed, spoiled;
        Texts boxes;
        std::vector<int> modes;
        bool tree, codes;
    } cases[] = {
        {"sample", true, {}, {}, {}, {0, 0, 0}, true, true},
        {"empty directory", false, {}, {}, all, {}, false, false},
        {"code index missing", true, {"data3.ndx"}, {}, {all[2]}, {0, 0}, false, false},
        {"chapters' index damaged", true, {}, {"data2.ndx"}, {all[0]}, {0, 0, 0}, false, true},
        {"code records damaged", true, {}, {"data3.dat"}, {all[2]}, {0, 0, 0}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.sample) WriteSampleCatalogue(dir.Path());
        for (const char* name : c.removed) ASSERT_EQ(unlink(dir.File(name).c_str()), 0);
        for (const char* name : c.spoiled) WriteAllBytes(dir.File(name), std::vector<unsigned char>(64, 'x'));
        const auto before = FilesWithTimes(dir.Path());
        {
            ModalCloser closer(CloseBy::Cancel);
            auto window = OpenWindow(dir.Path());
            EXPECT_TRUE(window->shown());
            EXPECT_EQ(window->openModes, c.modes);
            Texts boxes;
            for (const ModalSeen& seen : closer.seen) boxes.push_back(seen.title + ": " + seen.labels.at(1));
            Texts expected;
            for (const std::string& text : c.boxes) expected.push_back("Datafile: " + text);
            EXPECT_EQ(boxes, expected);
            EXPECT_EQ(Probe(*window).tree()->getFirstItem() != nullptr, c.tree);
            // The codes, when they opened, can be read whatever else failed.
            ItemData code(1, "A00.0");
            window->copyText(&code);
            EXPECT_EQ(Probe(*window).clipText() != nullptr, c.codes);
        }
        EXPECT_EQ(FilesWithTimes(dir.Path()), before);
    }
}

// A record file cut short opens, but neither the tree nor a search may pass
// for the whole catalogue: each shows what it read and then says so.
TEST(MainWindow, ACatalogueCutShortGetsTheDamagedBoxOncePerWalkAndSearch) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    const std::string codes = dir.File("data3.dat");
    ASSERT_EQ(truncate(codes.c_str(), std::filesystem::file_size(codes) - 8), 0);  // into the last record, C00
    ModalCloser closer(CloseBy::Cancel);
    auto window = OpenWindow(dir.Path());
    auto search = [&](const char* text) {
        Probe(*window).tabbook()->setCurrent(1);
        Probe(*window).searchField()->setText(text);
        window->handle(Probe(*window).searchField(), FXSEL(SEL_COMMAND, Kodexa::ID_SEARCH_FIELD), nullptr);
        return Probe(*window).resultList()->getNumItems();
    };
    const std::string sample = SampleOutline();
    EXPECT_EQ(Outline(Probe(*window).tree()->getFirstItem()), sample.substr(0, sample.find("C00-D48")));
    EXPECT_EQ(search(""), 6);
    EXPECT_EQ(search("lippe"), 1);  // the line for no hits
    ASSERT_EQ(closer.seen.size(), 3u);
    for (const ModalSeen& seen : closer.seen) {
        EXPECT_EQ(seen.title, "Datafile");
        EXPECT_EQ(seen.labels.at(1).rfind("Der Katalog ist besch\xc3\xa4" "digt: " + codes + " konnte", 0), 0u)
            << seen.labels.at(1);
        EXPECT_NE(seen.labels.at(1).find("importieren"), std::string::npos);
    }
}

// Other programs at work on the catalogue the window has open. It keeps the
// files it opened: a search and a copy still show the old catalogue, or, of
// a file cut short in place, what could be read, with the box that says so.
// The next window shows what is there now.
TEST(MainWindow, KeepsTheCatalogueItOpenedWhileOtherProgramsChangeIt) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string codes = dir.File("data3.dat");
    const std::string damaged = "Der Katalog ist besch\xc3\xa4" "digt: " + codes;
    const struct {
        const char* what;
        std::function<void()> change;
        int results;  // of a search for every code
        std::vector<std::string> boxes, nextBoxes;
        const char* nextTitle;  // of A00.0, copied in the next window
    } cases[] = {
        {"kodexa-import --force",
         [&] {
             ImportRequest request;
             request.sourceDir = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";
             request.targetDir = dir.Path();
             request.force = true;
             FailureOnlyReport report;
             ASSERT_EQ(RunImport(request, report), 0) << report.message;
         },
         7, {}, {}, "Cholera durch Vibrio cholerae O:1, Biovar cholerae"},
        // The last record lost its last bytes, which read as zeros.
        {"the codes cut short in place", [&] { fs::resize_file(codes, fs::file_size(codes) - 8); },
         7, {damaged}, {damaged}, "Cholera durch Vibrio"},
        {"the codes replaced by a directory", [&] { fs::remove(codes), fs::create_directory(codes); },
         7, {}, {"Error opening Codes"}, "<none>"},
    };
    auto copiedTitle = [](Kodexa& window) {
        ItemData code(1, "A00.0");
        window.copyText(&code);
        return std::string(Probe(window).clipText() != nullptr ? Probe(window).clipText() : "<none>");
    };
    // The boxes seen, each cut to the length of the beginning expected of it.
    auto boxTexts = [](const ModalCloser& closer, const std::vector<std::string>& beginnings) {
        std::vector<std::string> texts;
        for (size_t i = 0; i < closer.seen.size(); ++i) {
            const std::string& text = closer.seen[i].labels.at(1);
            texts.push_back(closer.seen[i].title + ": " +
                            (i < beginnings.size() ? text.substr(0, beginnings[i].size()) : text));
        }
        return texts;
    };
    auto expected = [](const std::vector<std::string>& boxes) {
        std::vector<std::string> texts;
        for (const std::string& text : boxes) texts.push_back("Datafile: " + text);
        return texts;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : fs::directory_iterator(dir.Path())) fs::remove_all(entry.path());
        WriteSampleCatalogue(dir.Path());
        {
            ModalCloser closer(CloseBy::Cancel);
            auto window = OpenWindow(dir.Path());
            c.change();
            Probe(*window).tabbook()->setCurrent(1);
            Probe(*window).searchField()->setText("");
            window->handle(Probe(*window).searchField(), FXSEL(SEL_COMMAND, Kodexa::ID_SEARCH_FIELD), nullptr);
            EXPECT_EQ(Probe(*window).resultList()->getNumItems(), c.results);
            EXPECT_EQ(copiedTitle(*window), "Cholera durch Vibrio");
            EXPECT_EQ(boxTexts(closer, c.boxes), expected(c.boxes));
        }
        ModalCloser closer(CloseBy::Cancel);
        auto next = OpenWindow(dir.Path());
        EXPECT_EQ(copiedTitle(*next), c.nextTitle);
        EXPECT_EQ(boxTexts(closer, c.nextBoxes), expected(c.nextBoxes));
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
