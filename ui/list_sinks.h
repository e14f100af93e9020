// Put what the catalogue walk and the search find into the window's tree
// list and result list.
#ifndef KODEXA_UI_LIST_SINKS_H
#define KODEXA_UI_LIST_SINKS_H

#include <fx.h>

#include <chrono>

#include "catalogue/catalogue_sink.h"

namespace kodexa {

class TreeListSink : public TreeSink {
public:
    TreeListSink(FX::FXTreeList* tree, FX::FXIcon* folderOpen, FX::FXIcon* folderClosed, FX::FXIcon* page)
        : tree(tree), folderOpen(folderOpen), folderClosed(folderClosed), page(page) {}

    Item AddItem(Item parent, const std::string& label, IconRole icon, ItemKind kind,
                 const std::string& code) override;

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

private:
    FX::FXIconList* list;
    FX::FXIcon* icon;
    FX::FXApp* app;
    std::chrono::steady_clock::time_point lastLook;  // the epoch: look at once
    bool stopped = false;
};

}  // namespace kodexa

#endif
