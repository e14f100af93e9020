// The main window on test catalogues: the tree it shows, the boxes for
// files it cannot open or read to their end, the files it keeps open while
// others change them, and the Details window.
#include <fxkeys.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "import/importer.h"
#include "tests/ui/window_test_util.h"
#include "ui/code_facts_text.h"

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
    // The icons of a folder and of a page; which items are folders the
    // tree walk's tests see.
    FXTreeItem* leaf = FindItem(tree->getFirstItem(), kA009);
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(tree->getFirstItem()->getOpenIcon(), Probe(*window).folderOpenIcon());
    EXPECT_EQ(tree->getFirstItem()->getClosedIcon(), Probe(*window).folderClosedIcon());
    EXPECT_EQ(leaf->getOpenIcon(), Probe(*window).codeIcon());
    EXPECT_EQ(leaf->getClosedIcon(), Probe(*window).codeIcon());
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

// A database it cannot open gets its box, and the window shows what the
// others hold. The end-to-end test starts the program without the code
// index and sees that it creates and changes no file.
TEST_F(MainWindow, EachFileItCannotOpenGetsItsBox) {
    ModalCloser closer;
    window = OpenWindow(dir.Path());
    // Each names what is lost and the files missing.
    auto lost = [&](const std::string& part, const std::string& file) {
        return "Katalogdatei: Die " + part + " des Katalogs k\xc3\xb6nnen nicht gelesen werden.\nDie Dateien " +
               dir.File(file) + ".dat und " + dir.File(file) + ".ndx fehlen.";
    };
    const std::vector<std::string> boxes = {lost("Kapitel", "data2"), lost("Gruppen", "data1"), lost("Kodes", "data3")};
    EXPECT_EQ(Boxes(closer, boxes), boxes);
    EXPECT_EQ(Probe(*window).tree()->getFirstItem(), nullptr);
    EXPECT_EQ(TitleOf("A00.0"), "<none>");
    EXPECT_EQ(Search("cholera"), 1);
    EXPECT_STREQ(Probe(*window).resultList()->getItemText(0).text(), "\tDer Katalog kann nicht gelesen werden.");
    // The alphabetical index damaged is shown as any damaged file is, and
    // left aside: the titles still serve.
    Fresh(2);
    WriteAllBytes(dir.File("data4.ndx"), std::vector<unsigned char>(64, 'x'));
    closer.seen.clear();
    window = OpenWindow(dir.Path());
    const std::string index = "Katalogdatei: Das Alphabetische Verzeichnis des Katalogs kann nicht gelesen werden."
                              "\nDie Datei " + dir.File("data4.ndx") + " l\xc3\xa4sst sich nicht";
    EXPECT_EQ(Boxes(closer, {index}), std::vector<std::string>{index});
    EXPECT_NE(Probe(*window).tree()->getFirstItem(), nullptr);
    EXPECT_EQ(TitleOf("A00.0"), "Cholera durch Vibrio");
    EXPECT_EQ(Search("cholera"), 3);
}

// A record file cut short opens, but neither the tree nor a search may pass
// for the whole catalogue: each shows what it read and then says so.
TEST_F(MainWindow, ACatalogueCutShortGetsTheDamagedBoxOncePerWalkAndSearch) {
    Fresh(1);
    const std::string codes = dir.File("data3.dat");
    ASSERT_EQ(truncate(codes.c_str(), fs::file_size(codes) - 8), 0);  // into the last record, C00
    ModalCloser closer;
    window = OpenWindow(dir.Path());
    const std::string sample = SampleOutline();
    EXPECT_EQ(Outline(Probe(*window).tree()->getFirstItem()), sample.substr(0, sample.find("C00-D48")));
    EXPECT_EQ(Search(""), 6);
    EXPECT_EQ(Search("lippe"), 1);
    EXPECT_STREQ(Probe(*window).resultList()->getItemText(0).text(), "\tKeine Ergebnisse");
    const std::string damaged = "Katalogdatei: Der Katalog ist besch\xc3\xa4" "digt: " + codes + " konnte";
    EXPECT_EQ(TitleOf("C00"), "<none>");  // and a copy of the title it lost
    EXPECT_EQ(Boxes(closer, {damaged, damaged, damaged, damaged}), std::vector<std::string>(4, damaged));
    EXPECT_NE(closer.seen.at(0).labels.at(1).find("importieren"), std::string::npos);
}

// Other programs at work on the catalogue the window has open. It keeps the
// files it opened: a search and a copy still show the old catalogue, or, of
// a file cut short in place, what could be read, with the box that says so.
// The next window shows what is there now.
TEST_F(MainWindow, KeepsTheCatalogueItOpenedWhileOtherProgramsChangeIt) {
    const std::string codes = dir.File("data3.dat");
    const std::string damaged = "Katalogdatei: Der Katalog ist besch\xc3\xa4" "digt: " + codes;
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
         {}, {"Katalogdatei: Die Kodes des Katalogs k\xc3\xb6nnen nicht gelesen werden.\nDie Datei " + codes}, "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh(1);
        {
            ModalCloser closer;
            window = OpenWindow(dir.Path());
            c.change();
            EXPECT_EQ(Search(""), 7);
            EXPECT_EQ(TitleOf("A00.0"), "Cholera durch Vibrio");
            EXPECT_EQ(Boxes(closer, c.boxes), c.boxes);
        }
        window.reset();
        ModalCloser closer;
        window = OpenWindow(dir.Path());
        EXPECT_EQ(TitleOf("A00.0"), c.nextTitle);
        EXPECT_EQ(Boxes(closer, c.nextBoxes), c.nextBoxes);
    }
}

TEST(DetailWords, EachKindOfFact) {
    const std::pair<std::string, std::string> cases[] = {
        {UseWords('P'), "als Prim\xc3\xa4rkode"},
        {UseWords('O'), "nur als Sternkode"},
        {UseWords('Z'), "nur als Zusatzkode"},
        {SexWords('W') + RejectWords('K'), "nur bei Frauen (sonst Kann-Fehler)"},
        {SexWords('M') + RejectWords('M'), "nur bei M\xc3\xa4nnern (sonst Muss-Fehler)"},
        {SexWords('9') + RejectWords('9'), ""},
        {AgeWords("j012", "j055"), "Alter 12 bis 55 Jahre"},
        {AgeWords("t000", "j001"), "Alter bis 1 Jahr"},
        {AgeWords("j015", "j124"), "Alter ab 15 Jahren"},
        {AgeWords("t028", "j124"), "Alter ab 28 Tagen"},
        {AgeWords("t028", "j001"), "Alter 28 Tage bis 1 Jahr"},
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

// Through the widgets as the toolkit passes clicks and keys on: a leaf opens
// the window, a branch opens and closes as before. The end-to-end test
// double-clicks a result line.
TEST_F(WindowTest, DoubleClickOrEnterOnACodeOpensTheDetails) {
    FXTreeList* tree = Probe(*window).tree();
    FXTreeItem* branch = FindItem(tree->getFirstItem(), "A00 - Cholera");
    FXTreeItem* leaf = FindItem(tree->getFirstItem(), kA009);
    ASSERT_TRUE(branch != nullptr && leaf != nullptr);
    {
        ModalCloser closer;
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
    ModalCloser closer;
    tree->setCurrentItem(leaf);
    Key(tree, KEY_Return);
    EXPECT_TRUE(Seen(closer, 1));
}

}  // namespace
}  // namespace kodexa::test
