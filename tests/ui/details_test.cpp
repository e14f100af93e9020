// The Details window: the words for each kind of fact, and which clicks and
// keys open it.
#include <fxkeys.h>

#include "tests/ui/window_test_util.h"
#include "ui/code_facts_text.h"

using namespace FX;

namespace kodexa::test {
namespace {

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
