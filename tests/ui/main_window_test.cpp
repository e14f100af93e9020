// The main window on test catalogues: the tree it shows, the boxes for
// files it cannot open or read to their end, that it never writes, the
// tips and about windows, and the Details window.
#include <fxkeys.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "import/importer.h"
#include "tests/ui/window_test_util.h"
#include "ui/code_facts_text.h"
#include "ui/pictures.h"

using namespace FX;
namespace fs = std::filesystem;

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

// The window's own catalogue set up by each test.
class MainWindow : public WindowTest {
protected:
    void SetUp() override {}
    // files: 0 none, 1 the sample, 2 the sample with the alphabetical index.
    void Fresh(int files) {
        window.reset();
        for (const auto& entry : fs::directory_iterator(dir.Path())) fs::remove_all(entry.path());
        if (files > 0) WriteSampleCatalogue(dir.Path());
        if (files > 1) WriteAlphaIndex(dir.Path());
    }
    // The boxes seen as "title: text", each text cut to the length of the
    // beginning expected of it.
    static std::vector<std::string> Boxes(const ModalCloser& closer, const std::vector<std::string>& expected) {
        std::vector<std::string> boxes;
        for (size_t i = 0; i < closer.seen.size(); ++i) {
            const std::string box = closer.seen[i].title + ": " + closer.seen[i].labels.at(1);
            boxes.push_back(i < expected.size() ? box.substr(0, expected[i].size()) : box);
        }
        return boxes;
    }
};

// Every entry of the directory with its bytes and its modification time.
std::map<std::string, std::string> FilesWithTimes(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::vector<unsigned char> bytes = entry.is_regular_file() ? ReadAllBytes(entry.path()) : std::vector<unsigned char>{};
        files[entry.path().filename()] = std::string(bytes.begin(), bytes.end()) + "@" +
                                         std::to_string(entry.last_write_time().time_since_epoch().count());
    }
    return files;
}

// The window only reads: whatever it finds, it creates and changes nothing,
// and a database it cannot open gets its box and leaves the tree empty. The
// end-to-end test starts the program without the code index.
TEST_F(MainWindow, OpeningTheCatalogueReadsOnlyAndChangesNothing) {
    const std::vector<std::string> all = {"Datafile: Error opening Kapitel", "Datafile: Error opening Groups",
                                          "Datafile: Error opening Codes"};
    // removed: deleted files; spoiled: overwritten with bytes that are no store file.
    const struct {
        const char* name;
        int files;
        std::vector<const char*> removed, spoiled;
        std::vector<std::string> boxes;
        std::vector<int> modes;
        bool tree, codes;
        int cholera;  // lines a search lists
    } cases[] = {
        {"sample", 1, {}, {}, {}, {0, 0, 0}, true, true, 3},
        {"empty directory", 0, {}, {}, all, {}, false, false, 1},
        {"chapters' index damaged", 1, {}, {"data2.ndx"}, {all[0]}, {0, 0, 0}, false, true, 3},
        {"code records damaged", 1, {}, {"data3.dat"}, {all[2]}, {0, 0, 0}, false, false, 1},
        // Shown as any damaged file is, and left aside: the titles still serve.
        {"half an alphabetical index", 2, {"data4.ndx"}, {}, {"Datafile: Error opening Alphabetisches Verzeichnis"},
         {0, 0, 0}, true, true, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh(c.files);
        for (const char* name : c.removed) ASSERT_EQ(unlink(dir.File(name).c_str()), 0);
        for (const char* name : c.spoiled) WriteAllBytes(dir.File(name), std::vector<unsigned char>(64, 'x'));
        const auto before = FilesWithTimes(dir.Path());
        ModalCloser closer(CloseBy::Cancel);
        window = OpenWindow(dir.Path());
        EXPECT_TRUE(window->shown());
        EXPECT_EQ(window->openModes, c.modes);
        EXPECT_EQ(Boxes(closer, {}), c.boxes);
        EXPECT_EQ(Probe(*window).tree()->getFirstItem() != nullptr, c.tree);
        // The codes, when they opened, can be read whatever else failed.
        EXPECT_EQ(TitleOf("A00.0") != "<none>", c.codes);
        EXPECT_EQ(Search("cholera"), c.cholera);
        window.reset();
        EXPECT_EQ(FilesWithTimes(dir.Path()), before);
    }
}

// A record file cut short opens, but neither the tree nor a search may pass
// for the whole catalogue: each shows what it read and then says so.
TEST_F(MainWindow, ACatalogueCutShortGetsTheDamagedBoxOncePerWalkAndSearch) {
    Fresh(1);
    const std::string codes = dir.File("data3.dat");
    ASSERT_EQ(truncate(codes.c_str(), fs::file_size(codes) - 8), 0);  // into the last record, C00
    ModalCloser closer(CloseBy::Cancel);
    window = OpenWindow(dir.Path());
    const std::string sample = SampleOutline();
    EXPECT_EQ(Outline(Probe(*window).tree()->getFirstItem()), sample.substr(0, sample.find("C00-D48")));
    EXPECT_EQ(Search(""), 6);
    EXPECT_EQ(Search("lippe"), 1);  // the line for no hits
    const std::string damaged = "Datafile: Der Katalog ist besch\xc3\xa4" "digt: " + codes + " konnte";
    EXPECT_EQ(Boxes(closer, {damaged, damaged, damaged}), std::vector<std::string>(3, damaged));
    EXPECT_NE(closer.seen.at(0).labels.at(1).find("importieren"), std::string::npos);
}

// Other programs at work on the catalogue the window has open. It keeps the
// files it opened: a search and a copy still show the old catalogue, or, of
// a file cut short in place, what could be read, with the box that says so.
// The next window shows what is there now.
TEST_F(MainWindow, KeepsTheCatalogueItOpenedWhileOtherProgramsChangeIt) {
    const std::string codes = dir.File("data3.dat");
    const std::string damaged = "Datafile: Der Katalog ist besch\xc3\xa4" "digt: " + codes;
    const struct {
        const char* what;
        std::function<void()> change;
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
         {}, {}, "Cholera durch Vibrio cholerae O:1, Biovar cholerae"},
        // The last record lost its last bytes, which read as zeros.
        {"the codes cut short in place", [&] { fs::resize_file(codes, fs::file_size(codes) - 8); },
         {damaged}, {damaged}, "Cholera durch Vibrio"},
        {"the codes replaced by a directory", [&] { fs::remove(codes), fs::create_directory(codes); },
         {}, {"Datafile: Error opening Codes"}, "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh(1);
        {
            ModalCloser closer(CloseBy::Cancel);
            window = OpenWindow(dir.Path());
            c.change();
            EXPECT_EQ(Search(""), 7);
            EXPECT_EQ(TitleOf("A00.0"), "Cholera durch Vibrio");
            EXPECT_EQ(Boxes(closer, c.boxes), c.boxes);
        }
        window.reset();
        ModalCloser closer(CloseBy::Cancel);
        window = OpenWindow(dir.Path());
        EXPECT_EQ(TitleOf("A00.0"), c.nextTitle);
        EXPECT_EQ(Boxes(closer, c.nextBoxes), c.nextBoxes);
    }
}

TEST_F(WindowTest, TipsAndAboutShowTheirTitlesAndPictures) {
    auto decoded = [](const pictures::Picture& picture) {
        FXGIFImage image(TestApp(), picture.bytes, 0, 1, 1);
        return PixelsOf(&image);
    };
    const struct { FXSelector command; const char* title; const pictures::Picture& panel; } cases[] = {
        {Kodexa::ID_TIPS, "Tips ... ", pictures::tips},
        {Kodexa::ID_ABOUT, "\xc3\x9c" "ber ...", pictures::about},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ModalCloser closer(CloseBy::ButtonFocusOut);  // it closes when the focus goes elsewhere
        Command(c.command);
        ASSERT_EQ(closer.seen.size(), 1u);
        EXPECT_EQ(closer.seen[0].title, c.title);
        EXPECT_TRUE(closer.seen[0].pictures == (std::vector{decoded(pictures::side), decoded(c.panel)}));
    }
}

// The Details window: the words for each kind of fact, and which clicks and
// keys open it.
TEST(DetailWords, EachKindOfFact) {
    const std::pair<std::string, std::string> cases[] = {
        {UseWords('P'), "als Prim\xc3\xa4rkode"},
        {UseWords('O'), "nur als Sternkode"},
        {UseWords('Z'), "nur als Zusatzkode"},
        {UseWords('V'), "nicht zul\xc3\xa4ssig"},
        {SexWords('W') + RejectWords('K'), "nur bei Frauen (sonst Kann-Fehler)"},
        {SexWords('M') + RejectWords('M'), "nur bei M\xc3\xa4nnern (sonst Muss-Fehler)"},
        {SexWords('9') + RejectWords('9'), ""},
        {AgeWords("j012", "j055"), "Alter 12 bis 55 Jahre"},
        {AgeWords("t000", "j001"), "Alter bis 1 Jahr"},
        {AgeWords("t000", "j014"), "Alter bis 14 Jahre"},
        {AgeWords("j015", "j124"), "Alter ab 15 Jahren"},
        {AgeWords("j001", "j124"), "Alter ab 1 Jahr"},
        {AgeWords("t028", "j124"), "Alter ab 28 Tagen"},
        {AgeWords("t028", "j001"), "Alter 28 Tage bis 1 Jahr"},
        {AgeWords("9999", "9999"), ""},
        {AboutEditionLine(Edition{EditionKind::GermanModification, "2024"}), "ICD-10-GM Version 2024"},
        {AboutEditionLine(Edition{}), ""},
    };
    for (const auto& [words, expected] : cases) EXPECT_EQ(words, expected);
}

// A code without rules (the sample's, in the window test below) shows a
// line that says so.
TEST(DetailWords, TheLinesOfACodeWithRules) {
    CodeFacts facts;
    facts.code = "A00", facts.title = "Cholera", facts.hasRules = true;
    facts.rules = CodeRules{'N', 'V', 'V', '9', '9', "9999", "9999", '9', 'J', 'N', 'J', 'J'};
    EXPECT_EQ(DetailLines(facts, Edition{EditionKind::GermanModification, "2024"}),
              (std::vector<std::string>{"A00 - Cholera",
                                        "nicht endst\xc3\xa4ndig: es gibt Unterteilungen, von denen eine zu w\xc3\xa4hlen ist",
                                        "nach \xc2\xa7" "295 (ambulant): nicht zul\xc3\xa4ssig",
                                        "nach \xc2\xa7" "301 (Krankenhaus): nicht zul\xc3\xa4ssig",
                                        "f\xc3\xbcr beide Geschlechter", "ohne Altersgrenze",
                                        "sehr selten in Mitteleuropa", "Schl\xc3\xbcsselnummer ohne Inhalt (nicht belegt)",
                                        "meldepflichtig nach Infektionsschutzgesetz",
                                        "Laborausschluss nach Infektionsschutzgesetz (EBM 32006)", "ICD-10-GM 2024"}));
}

// The window opens once the event that asked for it is done; true when
// count windows have come up within a while, and no more.
bool Seen(const ModalCloser& closer, size_t count) {
    RunEventsUntil([&] { return closer.seen.size() >= count; }, 2000);
    RunEventsFor(30);
    return closer.seen.size() == count;
}

// Through the widgets as the toolkit passes clicks and keys on: a leaf or a
// result line opens the window, a branch opens and closes as before.
TEST_F(WindowTest, DoubleClickOrEnterOnACodeOpensTheDetails) {
    FXTreeList* tree = Probe(*window).tree();
    FXTreeItem* branch = FindItem(tree->getFirstItem(), "A00 - Cholera");
    FXTreeItem* leaf = FindItem(tree->getFirstItem(), kA009);
    ASSERT_TRUE(branch != nullptr && leaf != nullptr);
    {
        ModalCloser closer(CloseBy::EscapeKey);
        for (FXTreeItem* item : {tree->getFirstItem(), branch}) tree->handle(tree, FXSEL(SEL_DOUBLECLICKED, 0), item);
        EXPECT_TRUE(Seen(closer, 0));
        EXPECT_TRUE(tree->getFirstItem()->isExpanded() && branch->isExpanded()) << "a chapter and a branch open";
        tree->handle(tree, FXSEL(SEL_DOUBLECLICKED, 0), leaf);
        ASSERT_TRUE(Seen(closer, 1));
        EXPECT_EQ(closer.seen[0].title, "Details");
        EXPECT_EQ(closer.seen[0].labels,
                  (std::vector<std::string>{kA009, "endst\xc3\xa4ndig: kann so verschl\xc3\xbcsselt werden",
                                            "Weitere Angaben zu diesem Kode hat der Katalog nicht.",
                                            "Ausgabe des Katalogs unbekannt", "Schlie\xc3\x9f" "en"}));
    }
    {
        ModalCloser closer(CloseBy::EscapeKey);
        tree->setCurrentItem(leaf);
        Key(tree, KEY_Return);
        EXPECT_TRUE(Seen(closer, 1));
    }
    Search("cholera");
    FXIconList* list = Probe(*window).resultList();
    ModalCloser closer(CloseBy::EscapeKey);
    list->handle(list, FXSEL(SEL_DOUBLECLICKED, 0), reinterpret_cast<void*>(FXival(1)));
    ASSERT_TRUE(Seen(closer, 1));
    EXPECT_EQ(closer.seen[0].labels.at(0), "A00.0 - Cholera durch Vibrio");
    Search("xyzzy");
    list->handle(list, FXSEL(SEL_DOUBLECLICKED, 0), reinterpret_cast<void*>(FXival(0)));
    EXPECT_TRUE(Seen(closer, 1));
}

}  // namespace
}  // namespace kodexa::test
