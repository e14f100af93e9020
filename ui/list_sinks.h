// Put what the catalogue walk and the search find into the window's tree
// list and result list.
#ifndef KODEXA_UI_LIST_SINKS_H
#define KODEXA_UI_LIST_SINKS_H

#include <fx.h>

#include <chrono>
#include <string>

#include "catalogue/catalogue_sink.h"
#include "catalogue/code_marks.h"

namespace kodexa {

// How a code is shown in the lists: with the mark the codes file writes
// ("H36.0*", "B95.6!"), and a code not allowed for coding with its own icon,
// so that the coder sees it before copying. The item's data keeps the bare
// code, which is what the copy commands give.
class CodeDecoration {
public:
    // Without marks (a catalogue without facts) codes are shown as they are.
    void Use(const CodeMarks* codeMarks, FX::FXIcon* notForCodingIcon) {
        marks = codeMarks;
        notForCoding = notForCodingIcon;
    }
    // label begins with code; answers it with the mark after the code.
    std::string Label(const std::string& label, const std::string& code) const;
    // icon, or the icon of a code not allowed for coding.
    FX::FXIcon* Icon(FX::FXIcon* icon, const std::string& code) const;

private:
    const CodeMarks* marks = nullptr;
    FX::FXIcon* notForCoding = nullptr;
};

// Gives the codes of a tree filled before the marks were known their marks
// and icons.
void DecorateTree(FX::FXTreeList* tree, const CodeDecoration& decoration);

class TreeListSink : public TreeSink {
public:
    TreeListSink(FX::FXTreeList* tree, FX::FXIcon* folderOpen, FX::FXIcon* folderClosed, FX::FXIcon* page)
        : tree(tree), folderOpen(folderOpen), folderClosed(folderClosed), page(page) {}

    Item AddItem(Item parent, const std::string& label, IconRole icon, ItemKind kind,
                 const std::string& code) override;

    CodeDecoration decoration;

private:
    FX::FXTreeList* tree;
    FX::FXIcon* folderOpen;
    FX::FXIcon* folderClosed;
    FX::FXIcon* page;
};

// One result line: "code<TAB>title" in the two columns, the page icon, and
// data of a code shown with the page icon.
class ResultListSink : public SearchSink {
public:
    // A search with app gives way as soon as a key press waits.
    ResultListSink(FX::FXIconList* list, FX::FXIcon* icon, FX::FXApp* app = nullptr)
        : list(list), icon(icon), app(app) {}

    void AddResult(const std::string& code, const std::string& title) override;
    // "codes<TAB>term"; a cross-reference has no codes and no icon.
    void AddTerm(const TermHit& hit) override;
    // A grey line without data: it opens no menu and copies nothing.
    void BeginSimilar() override;
    bool Stopped() override;

    CodeDecoration decoration;

private:
    FX::FXIconList* list;
    FX::FXIcon* icon;
    FX::FXApp* app;
    std::chrono::steady_clock::time_point lastLook;  // the epoch: look at once
    bool stopped = false;
};

}  // namespace kodexa

#endif
