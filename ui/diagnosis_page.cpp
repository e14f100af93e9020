#include "ui/diagnosis_page.h"

#include <fxkeys.h>

#include <utility>

#include "catalogue/catalogue.h"
#include "ui/fx_string.h"

using namespace FX;

namespace kodexa {

namespace {

const FXColor kFehlerRed = FXRGB(200, 0, 0);
constexpr FXint kFehlerStyle = 1;
constexpr FXint kFindingsHeight = 52;  // three lines

// The choosers' entries; index 0 is "none chosen", the letters follow in
// the order of their entries.
const char* const kCertainties[] = {"(keine)", "G gesichert", "V Verdacht auf", "Z Zustand nach", "A ausgeschlossen"};
const char kCertaintyLetters[] = "\0GVZA";
const char* const kSides[] = {"(keine)", "R rechts", "L links", "B beidseitig"};
const char kSideLetters[] = "\0RLB";
const char* const kSexes[] = {"(nicht angegeben)", "M m\xc3\xa4nnlich", "W weiblich", "X unbestimmt", "D divers",
                              "U unbekannt"};
const char kSexLetters[] = "\0MWXDU";


// Where a letter stands among letters (index 0 for none); 0 when it is not there.
FXint IndexOf(const char* letters, FXint count, char letter) {
    for (FXint i = 1; i < count; ++i)
        if (letters[i] == letter) return i;
    return 0;
}

FXListBox* Chooser(FXComposite* parent, const char* label, FXObject* target, FXSelector id,
                   const char* const* entries, FXint count) {
    new FXLabel(parent, label, nullptr, LAYOUT_CENTER_Y);
    auto* box = new FXListBox(parent, target, id, FRAME_SUNKEN | FRAME_THICK | LISTBOX_NORMAL | LAYOUT_CENTER_Y);
    for (FXint i = 0; i < count; ++i) box->appendItem(entries[i]);
    box->setNumVisible(count);
    return box;
}

// Without a catalogue nothing can be looked up; the lines are kept anyway.
class NoCatalogue : public CodeRulesSource {
public:
    CodeLookup LookUpRules(const std::string&, CodeRules&) override { return CodeLookup::NoFacts; }
};

}  // namespace

// Message map
FXDEFMAP(DiagnosisPage) DiagnosisPageMap[] = {
    //________Message_Type_____ID___________________________Message_Handler______
    FXMAPFUNC(SEL_COMMAND,     DiagnosisPage::ID_LINE,       DiagnosisPage::onCmdLine),
    FXMAPFUNC(SEL_CHANGED,     DiagnosisPage::ID_LIST,       DiagnosisPage::onListChanged),
    FXMAPFUNC(SEL_COMMAND,     DiagnosisPage::ID_LIST,       DiagnosisPage::onListChanged),
    FXMAPFUNC(SEL_KEYPRESS,    DiagnosisPage::ID_LIST,       DiagnosisPage::onListKey),
    FXMAPFUNC(SEL_COMMAND,     DiagnosisPage::ID_CERTAINTY,  DiagnosisPage::onCmdCertainty),
    FXMAPFUNC(SEL_COMMAND,     DiagnosisPage::ID_SIDE,       DiagnosisPage::onCmdSide),
    FXMAPFUNC(SEL_COMMAND,     DiagnosisPage::ID_SEX,        DiagnosisPage::onCmdPatient),
    FXMAPFUNC(SEL_CHANGED,     DiagnosisPage::ID_AGE,        DiagnosisPage::onCmdPatient),
    FXMAPFUNC(SEL_COMMAND,     DiagnosisPage::ID_AGE,        DiagnosisPage::onCmdPatient),
    FXMAPFUNC(SEL_COMMAND,     DiagnosisPage::ID_COPY,       DiagnosisPage::onCmdCopy),
    FXMAPFUNC(SEL_COMMAND,     DiagnosisPage::ID_CLEAR,      DiagnosisPage::onCmdClear),
};

FXIMPLEMENT(DiagnosisPage, FXVerticalFrame, DiagnosisPageMap, ARRAYNUMBER(DiagnosisPageMap))

DiagnosisPage::DiagnosisPage(FXComposite* parent, std::function<void(const std::string&)> copyText)
    : FXVerticalFrame(parent, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4), copy(std::move(copyText)) {
    auto* lineBar = new FXHorizontalFrame(this, FRAME_RIDGE | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);
    new FXLabel(lineBar, "Zeile:", nullptr, LAYOUT_CENTER_Y);
    lineField = new FXTextField(lineBar, 16, this, ID_LINE,
                                TEXTFIELD_ENTER_ONLY | FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_CENTER_Y);
    lineField->setTipText("KODE SICHERHEIT [SEITE], etwa E11.90 G oder S52.51 G L; Enter f\xc3\xbcgt sie an");
    sexBox = Chooser(lineBar, "Geschlecht:", this, ID_SEX, kSexes, ARRAYNUMBER(kSexes));
    new FXLabel(lineBar, "Alter:", nullptr, LAYOUT_CENTER_Y);
    ageField = new FXTextField(lineBar, 4, this, ID_AGE, FRAME_SUNKEN | FRAME_THICK | LAYOUT_CENTER_Y);
    ageField->setTipText("Jahre (45) oder Tage (20t)");

    auto* listFrame = new FXHorizontalFrame(this, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0,
                                            0, 0, 0, 0, 0);
    lineList = new FXIconList(listFrame, this, ID_LIST,
                              ICONLIST_DETAILED | ICONLIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    lineList->appendHeader("Kode", nullptr, 70);
    lineList->appendHeader("Sicherheit", nullptr, 70);
    lineList->appendHeader("Seite", nullptr, 45);
    lineList->appendHeader("Pr\xc3\xbc" "fung", nullptr, 65);
    lineList->appendHeader("Titel", nullptr, 400);

    auto* chooserBar = new FXHorizontalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
    certaintyBox = Chooser(chooserBar, "Sicherheit:", this, ID_CERTAINTY, kCertainties, ARRAYNUMBER(kCertainties));
    sideBox = Chooser(chooserBar, "Seite:", this, ID_SIDE, kSides, ARRAYNUMBER(kSides));
    new FXButton(chooserBar, "Liste leeren", nullptr, this, ID_CLEAR, FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT);
    new FXButton(chooserBar, "Liste &kopieren", nullptr, this, ID_COPY, FRAME_RAISED | FRAME_THICK | LAYOUT_RIGHT);

    auto* findingsFrame = new FXHorizontalFrame(this, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0,
                                                0, 0);
    findingsText = new FXText(findingsFrame, nullptr, 0,
                              TEXT_READONLY | TEXT_WORDWRAP | LAYOUT_FILL_X | LAYOUT_FIX_HEIGHT, 0, 0, 0,
                              kFindingsHeight);
    FXHiliteStyle& fehler = findingStyles[kFehlerStyle - 1];
    fehler.normalForeColor = kFehlerRed;
    fehler.normalBackColor = findingsText->getBackColor();
    fehler.selectForeColor = findingsText->getSelTextColor();
    fehler.selectBackColor = findingsText->getSelBackColor();
    fehler.hiliteForeColor = findingsText->getHiliteTextColor();
    fehler.hiliteBackColor = findingsText->getHiliteBackColor();
    fehler.activeBackColor = findingsText->getActiveBackColor();
    findingsText->setStyled(TRUE);
    findingsText->setHiliteStyles(findingStyles);
    ShowSelected();
}

void DiagnosisPage::SetCatalogue(Catalogue* open) {
    catalogue = open;
    edition = Edition();
    if (catalogue != nullptr) catalogue->ReadEdition(edition);
    Recheck();
}

void DiagnosisPage::FocusLine() { lineField->setFocus(); }

FXint DiagnosisPage::getDefaultWidth() { return lineList->getDefaultWidth() + getPadLeft() + getPadRight(); }

// A tab book's children are tab, page, tab, page, ...
bool DiagnosisPage::IsPageShown() const {
    if (!getParent()->isMemberOf(FXMETACLASS(FXTabBook))) return shown();
    const auto* book = static_cast<const FXTabBook*>(getParent());
    return book->getCurrent() == book->indexOfChild(this) / 2;
}

bool DiagnosisPage::AddCode(const std::string& code) {
    DiagnosisLine line;
    if (!ReadCodeForm(code, line.form) || line.form.under) return false;
    line.written = code;
    fieldFindings.clear();
    AppendRow(line);
    Recheck();
    SelectRow(lineList->getNumItems() - 1);
    return true;
}

bool DiagnosisPage::AddLine(const std::string& text) {
    const CaseLine read = ReadCaseLine(static_cast<int>(rows.size()) + 1, text);
    if (read.problem != LineProblem::None && read.problem != LineProblem::NoCertainty) {
        fieldFindings = Check({read}, Patient()).front();
        ShowSelected();
        return false;
    }
    fieldFindings.clear();
    AppendRow(read.line);
    Recheck();
    SelectRow(lineList->getNumItems() - 1);
    return true;
}

// The code is shown with the mark the catalogue gives it; one it does not
// know keeps the mark it was written with, and so does a dagger, which the
// facts do not tell.
void DiagnosisPage::AppendRow(const DiagnosisLine& line) {
    Row row{line, WithMark(line.form.code, line.form.mark), std::string()};
    CodeFacts facts;
    if (catalogue != nullptr && catalogue->LookUp(line.form.code, facts) && facts.code == line.form.code) {
        row.title = facts.title;
        const CodeMark known = facts.hasRules ? MarkOfRules(facts.rules) : line.form.mark;
        const bool dagger = known == CodeMark::None && line.form.mark == CodeMark::Dagger;
        row.shown = WithMark(facts.code, dagger ? CodeMark::Dagger : known);
    }
    rows.push_back(row);
    lineList->appendItem(FXString());
}

void DiagnosisPage::RemoveLine(FXint index) {
    if (index < 0 || index >= lineList->getNumItems()) return;
    rows.erase(rows.begin() + index);
    lineList->removeItem(index);
    Recheck();
    SelectRow(FXMIN(index, lineList->getNumItems() - 1));
}

void DiagnosisPage::ClearLines() {
    rows.clear();
    findings.clear();
    fieldFindings.clear();
    lineList->clearItems();
    ShowSelected();
}

std::string DiagnosisPage::ListText() const {
    std::string text;
    for (const Row& row : rows) text += (text.empty() ? "" : "\n") + NormalisedLine(row.line);
    return text;
}

// A sex or age that is given but cannot be read is told, and left out.
Patient DiagnosisPage::CurrentPatient(std::vector<Finding>& problems) const {
    Patient patient;
    const FXint sex = sexBox->getCurrentItem();
    if (sex > 0 && sex < static_cast<FXint>(ARRAYNUMBER(kSexes))) patient.sex = kSexLetters[sex];
    const std::string age = ToString(ageField->getText());
    if (!age.empty() && !ReadPatientAge(age, patient.age)) {
        problems.push_back(Finding{FindingLevel::Fehler,
                                   "Alter \xe2\x80\x9e" + Printable(age, 20) +
                                       "\xe2\x80\x9c ist nicht lesbar: Jahre (45) oder Tage (20t) angeben; ohne "
                                       "Alter gepr\xc3\xbc" "ft"});
    }
    return patient;
}

std::vector<std::vector<Finding>> DiagnosisPage::Check(const std::vector<CaseLine>& lines, const Patient& patient) {
    if (catalogue == nullptr) {
        NoCatalogue none;
        return DiagnosisChecker(none, edition).CheckCase(lines, patient);
    }
    CatalogueRules known(*catalogue);
    return DiagnosisChecker(known, edition).CheckCase(lines, patient);
}

// The whole case, whenever a line or the patient changes: a secondary code
// is allowed or not by the other lines.
void DiagnosisPage::Recheck() {
    std::vector<CaseLine> lines;
    for (size_t i = 0; i < rows.size(); ++i) {
        CaseLine line;
        line.number = static_cast<int>(i) + 1;
        line.given = NormalisedLine(rows[i].line);
        line.line = rows[i].line;
        line.problem = rows[i].line.certainty == 0 ? LineProblem::NoCertainty : LineProblem::None;
        lines.push_back(line);
    }
    std::vector<Finding> ignored;
    findings = Check(lines, CurrentPatient(ignored));
    for (FXint i = 0; i < lineList->getNumItems(); ++i) ShowRow(i);
    ShowSelected();
}

void DiagnosisPage::ShowRow(FXint index) {
    const Row& row = rows[index];
    const std::vector<Finding>& found = findings[index];
    const char* check = HasFehler(found) ? "Fehler" : found.empty() ? "" : "Hinweis";
    std::string text = row.shown + "\t";
    if (row.line.certainty != 0) text += row.line.certainty;
    text += "\t";
    if (row.line.side != 0) text += row.line.side;
    text += std::string("\t") + check + "\t" + row.title;
    lineList->setItemText(index, ToFXString(text));
}

void DiagnosisPage::SelectRow(FXint index) {
    lineList->killSelection();
    if (index >= 0 && index < lineList->getNumItems()) {
        lineList->setCurrentItem(index);
        lineList->selectItem(index);
        lineList->makeItemVisible(index);
    }
    ShowSelected();
}

std::vector<Finding> DiagnosisPage::ShownFindings() const {
    if (!fieldFindings.empty()) return fieldFindings;
    std::vector<Finding> shown;
    CurrentPatient(shown);
    const FXint current = lineList->getCurrentItem();
    if (current >= 0 && current < static_cast<FXint>(findings.size()))
        shown.insert(shown.end(), findings[current].begin(), findings[current].end());
    return shown;
}

// The choosers show the selected line's letters and act on it; without a
// selected line there is nothing for them to choose.
void DiagnosisPage::ShowSelected() {
    const FXint current = lineList->getCurrentItem();
    const bool any = current >= 0 && current < static_cast<FXint>(rows.size());
    for (FXListBox* box : {certaintyBox, sideBox}) {
        if (any) box->enable();
        else box->disable();
    }
    const DiagnosisLine none;
    const DiagnosisLine& line = any ? rows[current].line : none;
    certaintyBox->setCurrentItem(IndexOf(kCertaintyLetters, ARRAYNUMBER(kCertainties), line.certainty));
    sideBox->setCurrentItem(IndexOf(kSideLetters, ARRAYNUMBER(kSides), line.side));
    ShowFindings(ShownFindings());
}

void DiagnosisPage::ShowFindings(const std::vector<Finding>& shown) {
    findingsText->setText(FXString());
    for (const Finding& finding : shown) {
        findingsText->appendStyledText(ToFXString(FindingLine(finding) + "\n"),
                                       finding.level == FindingLevel::Fehler ? kFehlerStyle : 0);
    }
}

long DiagnosisPage::onCmdLine(FXObject*, FXSelector, void*) {
    if (AddLine(ToString(lineField->getText()))) lineField->setText(FXString());
    return 1;
}

long DiagnosisPage::onListChanged(FXObject*, FXSelector, void*) {
    fieldFindings.clear();
    ShowSelected();
    return 1;
}

// Delete removes the selected line.
long DiagnosisPage::onListKey(FXObject*, FXSelector, void* ptr) {
    const auto* event = static_cast<const FXEvent*>(ptr);
    if (event->code != KEY_Delete && event->code != KEY_KP_Delete) return 0;
    RemoveLine(lineList->getCurrentItem());
    return 1;
}

long DiagnosisPage::onCmdCertainty(FXObject*, FXSelector, void*) {
    const FXint current = lineList->getCurrentItem();
    if (current < 0 || current >= static_cast<FXint>(rows.size())) return 1;
    rows[current].line.certainty = kCertaintyLetters[certaintyBox->getCurrentItem()];
    Recheck();
    return 1;
}

long DiagnosisPage::onCmdSide(FXObject*, FXSelector, void*) {
    const FXint current = lineList->getCurrentItem();
    if (current < 0 || current >= static_cast<FXint>(rows.size())) return 1;
    rows[current].line.side = kSideLetters[sideBox->getCurrentItem()];
    Recheck();
    return 1;
}

long DiagnosisPage::onCmdPatient(FXObject*, FXSelector, void*) {
    Recheck();
    return 1;
}

// The button's Alt+K reaches it on the other pages too, where it would
// replace a code just copied there with the list nobody looks at.
long DiagnosisPage::onCmdCopy(FXObject*, FXSelector, void*) {
    if (!IsPageShown()) return 1;
    const std::string text = ListText();
    if (!text.empty() && copy) copy(text);
    return 1;
}

long DiagnosisPage::onCmdClear(FXObject*, FXSelector, void*) {
    ClearLines();
    return 1;
}

}  // namespace kodexa
