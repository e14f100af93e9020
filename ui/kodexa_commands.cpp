// Quit, tips, about, search and the context menus.
#include <string>
#include <vector>

#include "catalogue/catalogue_sink.h"
#include "ui/first_start_window.h"
#include "ui/item_data.h"
#include "ui/kodexa_window.h"

using namespace FX;

namespace kodexa {

namespace {

// One result line: "code<TAB>title" in the two columns, the page icon, and
// data of a code shown with the page icon.
class ResultListSink : public SearchSink {
public:
    ResultListSink(FXIconList* list, FXIcon* icon) : list(list), icon(icon) {}

    void AddResult(const std::string& code, const std::string& title) override {
        const FXString fxCode(code.c_str(), static_cast<FXint>(code.size()));
        const FXString label = fxCode + "\t" + FXString(title.c_str(), static_cast<FXint>(title.size()));
        list->appendItem(label, icon, icon, NewItemData(kKindLeafCode, fxCode), FALSE);
    }

private:
    FXIconList* list;
    FXIcon* icon;
};

bool IsPlainSingleClick(const FXEvent* event) { return !event->moved && event->click_count == 1; }

}  // namespace

long Kodexa::onCmdQuit(FXObject*, FXSelector, void*) {
    getApp()->exit(0);
    return 1;
}

long Kodexa::onCmdAbout(FXObject*, FXSelector, void*) {
    FisrtStartWindow about(this, "Über ...", true);
    about.execute(PLACEMENT_SCREEN);
    return 1;
}

long Kodexa::onCmdTips(FXObject*, FXSelector, void*) {
    FisrtStartWindow tips(this, "Tips ... ", false);
    tips.execute(PLACEMENT_SCREEN);
    return 1;
}

long Kodexa::onCmdSearch(FXObject*, FXSelector, void*) {
    ClearResults();
    getApp()->beginWaitCursor();
    if (!SearchCodes()) {
        resultList->appendItem("\tKeine Ergebnis", nullptr, nullptr, nullptr, FALSE);
        resultList->update();
    }
    resultList->setHeaderSize(0, 80);
    resultList->setHeaderSize(1, resultFrame->getWidth() - 80);
    getApp()->endWaitCursor();
    return 1;
}

bool Kodexa::SearchCodes() {
    ResultListSink sink(resultList, codeIcon);
    const FXString text = searchField->getText();
    return kodexa::SearchCodes(codeDb, std::string(text.text(), text.length()), sink);
}

// Once their items are gone nothing can reach the old results' data, so it
// goes with them; otherwise every search would add to what the program holds
// until it ends.
void Kodexa::ClearResults() {
    std::vector<ItemData*> previous;
    previous.reserve(resultList->getNumItems());
    for (FXint i = 0; i < resultList->getNumItems(); ++i) {
        previous.push_back(static_cast<ItemData*>(resultList->getItemData(i)));
    }
    resultList->clearItems(FALSE);
    DeleteItemData(previous);
}

long Kodexa::onTreeRightPress(FXObject*, FXSelector, void* ptr) {
    const auto* event = static_cast<const FXEvent*>(ptr);
    if (!IsPlainSingleClick(event)) {
        return 1;
    }
    FXTreeItem* item = tree->getCurrentItem();
    if (item == nullptr) {
        return 1;
    }
    const auto* data = static_cast<const ItemData*>(item->getData());
    if (data != nullptr && (data->kind == kKindBranchCode || data->kind == kKindLeafCode)) {
        popupCopyText->enable();
        popupCopyBoth->enable();
    } else {
        popupCopyText->disable();
        popupCopyBoth->disable();
    }
    ShowContextMenu(tree, event);
    return 1;
}

long Kodexa::onListRightPress(FXObject*, FXSelector, void* ptr) {
    const auto* event = static_cast<const FXEvent*>(ptr);
    if (!IsPlainSingleClick(event)) {
        return 1;
    }
    ShowContextMenu(resultList, event);
    return 1;
}

// The clicked widget took the pointer before it passed the press on; left
// with it, the menu never sees a click outside itself and can only be closed
// by choosing an entry.
void Kodexa::ShowContextMenu(FXWindow* clicked, const FXEvent* event) {
    if (clicked->grabbed()) {
        clicked->ungrab();
    }
    popupMenu->popup(nullptr, event->root_x, event->root_y);
    getApp()->runModalWhileShown(popupMenu);
}

}  // namespace kodexa
