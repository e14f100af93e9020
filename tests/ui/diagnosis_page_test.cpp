// The Diagnosen page through its handlers on the shipped 2024 catalogue,
// "Zur Diagnoseliste" from both lists, and how the lists and the Details
// window show marks and the codes not allowed for coding. The end-to-end
// test types a line, adds one from the result list and copies the list.
#include <fxkeys.h>

#include <filesystem>

#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa {

struct DiagnosisPageProbe {
    DiagnosisPage& page;
    FX::FXTextField* lineField() const { return page.lineField; }
    FX::FXIconList* lineList() const { return page.lineList; }
    FX::FXListBox* certaintyBox() const { return page.certaintyBox; }
    FX::FXListBox* sideBox() const { return page.sideBox; }
    FX::FXListBox* sexBox() const { return page.sexBox; }
    FX::FXTextField* ageField() const { return page.ageField; }
    FX::FXText* findingsText() const { return page.findingsText; }
};

}  // namespace kodexa

namespace kodexa::test {
namespace {

const char kNotAlone[] = "Fehler: Kode H36.0* darf nicht allein verwendet werden, sondern nur zusammen mit einem "
                         "Prim\xc3\xa4rkode.";

// The window on a copy of the shipped catalogue, facts and all.
class DiagnosisPageTest : public WindowTest {
protected:
    void SetUp() override {
        for (const char* name : {"data1", "data2", "data3", "data5"})
            for (const char* ending : {".dat", ".ndx"})
                std::filesystem::copy_file(std::string(KODEXA_DEFAULT_CATALOGUE_DIR) + "/" + name + ending,
                                           dir.File(std::string(name) + ending));
        window = OpenWindow(dir.Path());
    }
    DiagnosisPage& Page() { return *Probe(*window).diagnosisPage(); }
    DiagnosisPageProbe Widgets() { return DiagnosisPageProbe{Page()}; }
    // Sends what the widget sends its target.
    void Send(FXObject* sender, FXSelector type, FXSelector id, void* ptr = nullptr) {
        Page().handle(sender, FXSEL(type, id), ptr);
    }
    void Type(const char* line) {
        Widgets().lineField()->setText(line);
        Send(Widgets().lineField(), SEL_COMMAND, DiagnosisPage::ID_LINE);
    }
    void Choose(FXListBox* box, FXSelector id, FXint index) {
        box->setCurrentItem(index);
        Send(box, SEL_COMMAND, id, reinterpret_cast<void*>(static_cast<FXival>(index)));
    }
    std::string Row(FXint index) { return Widgets().lineList()->getItemText(index).text(); }
    std::vector<std::string> Shown() {
        std::vector<std::string> lines;
        for (const Finding& finding : Page().ShownFindings()) lines.push_back(FindingLine(finding));
        return lines;
    }
};

TEST_F(DiagnosisPageTest, LinesTypedChosenCheckedCopiedAndRemoved) {
    DiagnosisPageProbe w = Widgets();
    Type("h36.0* g");
    ASSERT_EQ(w.lineList()->getNumItems(), 1);
    EXPECT_STREQ(w.lineField()->getText().text(), "");
    EXPECT_EQ(Row(0), "H36.0*\tG\t\tFehler\tRetinopathia diabetica");
    EXPECT_EQ(Shown(), std::vector<std::string>{kNotAlone});
    // The Fehler is red; a Hinweis is not.
    EXPECT_EQ(w.findingsText()->getStyle(0), 1);
    // A primary code in the case allows the star code.
    Type("E11.30 G");
    EXPECT_EQ(Row(0), "H36.0*\tG\t\t\tRetinopathia diabetica");
    // A line that cannot be taken as it is stays in the field, with why.
    Type("E11.90 Q");
    EXPECT_EQ(w.lineList()->getNumItems(), 2);
    EXPECT_STREQ(w.lineField()->getText().text(), "E11.90 Q");
    ASSERT_FALSE(Shown().empty());
    EXPECT_EQ(Shown()[0], "Fehler: Zeile 3: \xe2\x80\x9eQ\xe2\x80\x9c ist keine Diagnosensicherheit (G, V, Z oder A)");
    // Without certainty it is taken, and none is preset.
    Type("E11.90");
    ASSERT_EQ(w.lineList()->getNumItems(), 3);
    EXPECT_EQ(w.certaintyBox()->getCurrentItem(), 0);
    EXPECT_EQ(Shown(), std::vector<std::string>{"Fehler: Zeile 3: die Diagnosensicherheit fehlt (G, V, Z oder A)"});
    Choose(w.certaintyBox(), DiagnosisPage::ID_CERTAINTY, 2);
    Choose(w.sideBox(), DiagnosisPage::ID_SIDE, 2);
    EXPECT_EQ(Row(2), "E11.90\tV\tL\t\tDiabetes mellitus, Typ 2: Ohne Komplikationen: Nicht als entgleist bezeichnet");
    EXPECT_TRUE(Shown().empty());
    // The patient: sex and age check every line; an age that cannot be read is told.
    Type("O80 G");
    Choose(w.sexBox(), DiagnosisPage::ID_SEX, 1);
    EXPECT_EQ(Row(3), "O80\tG\t\tHinweis\tSpontangeburt eines Einlings");
    EXPECT_EQ(w.findingsText()->getStyle(0), 0);
    w.ageField()->setText("1");
    Send(w.ageField(), SEL_CHANGED, DiagnosisPage::ID_AGE);
    EXPECT_EQ(Shown().size(), 2u);
    w.ageField()->setText("vierzig");
    Send(w.ageField(), SEL_CHANGED, DiagnosisPage::ID_AGE);
    ASSERT_EQ(Shown().size(), 2u);
    EXPECT_EQ(Shown()[0].rfind("Fehler: Alter \xe2\x80\x9evierzig\xe2\x80\x9c ist nicht lesbar", 0), 0u);
    // Copied as practice programs take them: bare codes, one line each;
    // only from the page shown (the button's Alt+K reaches every page).
    Send(nullptr, SEL_COMMAND, DiagnosisPage::ID_COPY);
    EXPECT_EQ(Clip(), "<none>");
    Probe(*window).tabbook()->setCurrent(2);
    Send(nullptr, SEL_COMMAND, DiagnosisPage::ID_COPY);
    EXPECT_EQ(Clip(), "H36.0 G\nE11.30 G\nE11.90 V L\nO80 G");
    // Delete removes the selected line and selects the next; with the
    // primary codes gone the star code is alone again.
    w.lineList()->setCurrentItem(1);
    Key(w.lineList(), KEY_Delete);
    EXPECT_EQ(Page().ListText(), "H36.0 G\nE11.90 V L\nO80 G");
    EXPECT_EQ(Row(0), "H36.0*\tG\t\t\tRetinopathia diabetica");
    Key(w.lineList(), KEY_Delete);
    Key(w.lineList(), KEY_Delete);
    EXPECT_EQ(Page().ListText(), "H36.0 G");
    EXPECT_EQ(Row(0), "H36.0*\tG\t\tFehler\tRetinopathia diabetica");
    Send(nullptr, SEL_COMMAND, DiagnosisPage::ID_CLEAR);
    EXPECT_EQ(w.lineList()->getNumItems(), 0);
    EXPECT_FALSE(w.certaintyBox()->isEnabled());
    EXPECT_EQ(Page().ListText(), "");
}

// "Zur Diagnoseliste" adds the entry clicked, without certainty; a term of
// the index would add each of its codes. Chapters and groups offer nothing.
TEST_F(DiagnosisPageTest, ZurDiagnoselisteFromTheResultListAndTheTree) {
    ASSERT_GE(Search("retinopathia diabetica"), 1);
    FXIconList* results = Probe(*window).resultList();
    EXPECT_STREQ(results->getItemText(0).text(), "H36.0*\tRetinopathia diabetica");
    results->setCurrentItem(0);
    Command(MainWindow::ID_ADD_TO_CASE);
    Probe(*window).tabbook()->setCurrent(0);
    FXTreeList* tree = Probe(*window).tree();
    FXTreeItem* star = FindItem(tree->getFirstItem(), "B95.6! - Staphylococcus aureus als Ursache von Krankheiten, "
                                                       "die in anderen Kapiteln klassifiziert sind");
    ASSERT_NE(star, nullptr);
    tree->setCurrentItem(star);
    Command(MainWindow::ID_ADD_TO_CASE);
    tree->setCurrentItem(tree->getFirstItem());  // a chapter
    Command(MainWindow::ID_ADD_TO_CASE);
    EXPECT_EQ(Page().ListText(), "H36.0\nB95.6");
    EXPECT_EQ(Row(0), "H36.0*\t\t\tFehler\tRetinopathia diabetica");
    EXPECT_EQ(Widgets().certaintyBox()->getCurrentItem(), 0);
    // The page's own way in, for other callers.
    EXPECT_TRUE(Page().AddCode("A54.4+"));  // the facts know no daggers; the one typed stays
    EXPECT_EQ(Row(2), "A54.4\xe2\x80\xa0\t\t\tFehler\tGonokokkeninfektion des Muskel-Skelett-Systems");
    EXPECT_TRUE(Page().AddCode("e11.90"));
    EXPECT_FALSE(Page().AddCode("E11.-"));
    EXPECT_FALSE(Page().AddCode("Diabetes"));
    EXPECT_EQ(Page().ListText(), "H36.0\nB95.6\nA54.4\nE11.90");
}

// Marks as the codes file writes them, the codes not for coding with their
// own icon, and copying still the bare code.
TEST_F(DiagnosisPageTest, ListsShowMarksAndCodesNotForCoding) {
    FXTreeList* tree = Probe(*window).tree();
    FXTreeItem* category = FindItem(tree->getFirstItem(), "B95! - Streptokokken und Staphylokokken als Ursache von "
                                                          "Krankheiten, die in anderen Kapiteln klassifiziert sind");
    FXTreeItem* e11 = FindItem(tree->getFirstItem(), "E11 - Diabetes mellitus, Typ 2");
    FXTreeItem* b956 = FindItem(category, "B95.6! - Staphylococcus aureus als Ursache von Krankheiten, die in "
                                           "anderen Kapiteln klassifiziert sind");
    ASSERT_TRUE(category != nullptr && e11 != nullptr && b956 != nullptr);
    EXPECT_EQ(e11->getOpenIcon(), Probe(*window).notForCodingIcon());
    EXPECT_EQ(category->getClosedIcon(), Probe(*window).notForCodingIcon());
    EXPECT_EQ(b956->getOpenIcon(), Probe(*window).codeIcon());
    tree->setCurrentItem(b956);
    Command(MainWindow::ID_COPY_CODE);
    EXPECT_EQ(Clip(), "B95.6");
    ASSERT_GE(Search("diabetes mellitus, typ 2"), 2);
    FXIconList* results = Probe(*window).resultList();
    EXPECT_STREQ(results->getItemText(0).text(), "E11\tDiabetes mellitus, Typ 2");
    EXPECT_EQ(results->getItemMiniIcon(0), Probe(*window).notForCodingIcon());
    EXPECT_EQ(results->getItemMiniIcon(1), Probe(*window).codeIcon());
}

// The Details window of a star code no longer says it may be used as it
// stands; it gives the check's findings for the code alone.
TEST_F(DiagnosisPageTest, DetailsOfAStarCodeAndOfACodeWithoutContent) {
    const struct {
        const char* code;
        std::vector<std::string> expected;  // among the lines, in this order
    } cases[] = {
        {"H36.0", {"H36.0* - Retinopathia diabetica",
                   "endst\xc3\xa4ndig: nur zusammen mit einem Prim\xc3\xa4rkode zu verschl\xc3\xbcsseln, nie allein",
                   kNotAlone, "ICD-10-GM 2024"}},
        {"U07.6", {"endst\xc3\xa4ndig, aber nicht mit Inhalt belegt: kann nicht verschl\xc3\xbcsselt werden",
                   "Fehler: Kode U07.6 ist nicht mit Inhalt belegt."}},
        {"A00.0", {"endst\xc3\xa4ndig: kann so verschl\xc3\xbcsselt werden",
                   "Hinweis: Diagnosen dieses Kodes sind gem\xc3\xa4\xc3\x9f Infektionsschutzgesetz (IfSG) in der "
                   "Regel meldepflichtig."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ModalCloser closer;
        EXPECT_TRUE(window->showDetails(c.code));
        ASSERT_EQ(closer.seen.size(), 1u);
        // Long lines wrap; a break stands where a blank was.
        std::vector<std::string> labels = closer.seen[0].labels;
        for (std::string& label : labels) std::replace(label.begin(), label.end(), '\n', ' ');
        auto at = labels.begin();
        for (const std::string& line : c.expected) {
            at = std::find(at, labels.end(), line);
            EXPECT_NE(at, labels.end()) << line;
        }
        EXPECT_EQ(std::count(labels.begin(), labels.end(), "endst\xc3\xa4ndig: kann so verschl\xc3\xbcsselt werden"),
                  std::string(c.code) == "A00.0" ? 1 : 0);
        // Fehler in red, and nothing else.
        for (size_t i = 0; i < labels.size(); ++i)
            EXPECT_EQ(closer.seen[0].colours[i] == FXRGB(200, 0, 0), labels[i].rfind("Fehler: ", 0) == 0) << labels[i];
    }
}

}  // namespace
}  // namespace kodexa::test
