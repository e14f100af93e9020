// Quit, tips, about, search and the context menus.
#include "catalogue/catalogue_sink.h"
#include "ui/first_start_window.h"
#include "ui/item_data.h"
#include "ui/kodexa_window.h"

using namespace FX;

namespace kodexa {

namespace {

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
    resultList->clearItems(FALSE);
    getApp()->beginWaitCursor();
    ResultListSink sink(resultList, codeIcon);
    if (!SearchCodes(codeDb, searchField->getText().text(), sink)) {
        resultList->appendItem("\tKeine Ergebnis", nullptr, nullptr, nullptr, FALSE);
        resultList->update();
    }
    resultList->setHeaderSize(0, 80);
    resultList->setHeaderSize(1, resultFrame->getWidth() - 80);
    getApp()->endWaitCursor();
    return 1;
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
    popupMenu->popup(nullptr, event->root_x, event->root_y);
    getApp()->runModalWhileShown(popupMenu);
    return 1;
}

long Kodexa::onListRightPress(FXObject*, FXSelector, void* ptr) {
    const auto* event = static_cast<const FXEvent*>(ptr);
    if (!IsPlainSingleClick(event)) {
        return 1;
    }
    popupMenu->popup(nullptr, event->root_x, event->root_y);
    getApp()->runModalWhileShown(popupMenu);
    return 1;
}

}  // namespace kodexa
