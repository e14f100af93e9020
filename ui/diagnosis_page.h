// The "Diagnosen" page: the diagnosis lines of one case, each with its
// certainty and side, the patient's sex and age, and the findings of the
// check practice software makes before a code goes into a record.
#ifndef KODEXA_UI_DIAGNOSIS_PAGE_H
#define KODEXA_UI_DIAGNOSIS_PAGE_H

#include <fx.h>

#include <functional>
#include <string>
#include <vector>

#include "catalogue/code_facts.h"
#include "catalogue/diagnosis_check.h"

namespace kodexa {

class Catalogue;

class DiagnosisPage : public FX::FXVerticalFrame {
    FXDECLARE(DiagnosisPage)
    // The tests' one way to the widgets.
    friend struct DiagnosisPageProbe;

protected:
    DiagnosisPage() = default;

    FX::FXTextField* lineField = nullptr;     // A line typed: Enter adds it to the list
    FX::FXIconList* lineList = nullptr;       // The case: code, certainty, side, check, title
    FX::FXListBox* certaintyBox = nullptr;    // Certainty of the selected line; none at first
    FX::FXListBox* sideBox = nullptr;         // Side of the selected line
    FX::FXListBox* sexBox = nullptr;          // The patient's sex, or not given
    FX::FXTextField* ageField = nullptr;      // The patient's age: 45, 45j or 20t
    FX::FXText* findingsText = nullptr;       // Findings of the selected line, Fehler in red
    FX::FXHiliteStyle findingStyles[1] = {};  // Style 1: a Fehler
    Catalogue* catalogue = nullptr;           // The main window's; null while none is open
    Edition edition;                          // Named in "gibt es in der ... nicht"
    std::function<void(const std::string&)> copy;  // Puts text on the clipboard

    struct Row {
        DiagnosisLine line;   // code, certainty (0 until chosen) and side
        std::string shown;    // the code with its mark
        std::string title;    // empty when the code is not in the catalogue
    };
    std::vector<Row> rows;                      // One per line of lineList
    std::vector<std::vector<Finding>> findings;  // Of each row, from the last check
    std::vector<Finding> fieldFindings;          // Why the typed line was not taken

public:
    enum {
        ID_LINE = FX::FXVerticalFrame::ID_LAST,
        ID_LIST,
        ID_CERTAINTY,
        ID_SIDE,
        ID_SEX,
        ID_AGE,
        ID_COPY,
        ID_CLEAR,
        ID_LAST
    };

    long onCmdLine(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListChanged(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onListKey(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdCertainty(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdSide(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdPatient(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdCopy(FX::FXObject* sender, FX::FXSelector sel, void* ptr);
    long onCmdClear(FX::FXObject* sender, FX::FXSelector sel, void* ptr);

    // copy puts the text of "Liste kopieren" on the clipboard.
    DiagnosisPage(FX::FXComposite* parent, std::function<void(const std::string&)> copy);

    // The catalogue the lines are checked against; null for none.
    void SetCatalogue(Catalogue* open);
    // Adds a line for code, without certainty for the user to choose, and
    // selects it; false when code is no code.
    bool AddCode(const std::string& code);
    // Adds a typed line "CODE CERTAINTY [SIDE]"; a line that cannot be
    // taken as it is (no code, a wrong letter) is not added, and its Fehler
    // are shown instead. A line without certainty is added without one.
    bool AddLine(const std::string& text);
    // Removes the line at index.
    void RemoveLine(FX::FXint index);
    void ClearLines();
    // Every line normalised, one per line, as "Liste kopieren" copies them.
    std::string ListText() const;
    // The findings shown: of the selected line, or of a typed line not taken.
    std::vector<Finding> ShownFindings() const;
    // Puts the keyboard focus into the line field.
    void FocusLine();
    // No wider than its list asks: the window's smallest size is not to grow
    // for the bars above and below it, which are cut short there instead.
    FX::FXint getDefaultWidth() override;
    // Whether the page is the one on view.
    bool IsPageShown() const;

private:
    Patient CurrentPatient(std::vector<Finding>& problems) const;
    void AppendRow(const DiagnosisLine& line);
    std::vector<std::vector<Finding>> Check(const std::vector<CaseLine>& lines, const Patient& patient);
    void Recheck();
    void ShowRow(FX::FXint index);
    void ShowSelected();
    void ShowFindings(const std::vector<Finding>& shown);
    void SelectRow(FX::FXint index);
};

}  // namespace kodexa

#endif
