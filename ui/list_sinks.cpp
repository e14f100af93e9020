#include "ui/list_sinks.h"

#include <chrono>
#include <vector>

#include "ui/item_data.h"
#include "ui/key_watch.h"

namespace kodexa {

std::string CodeDecoration::Label(const std::string& label, const std::string& code) const {
    if (marks == nullptr || code.empty() || label.compare(0, code.size(), code) != 0) return label;
    const CodeMark mark = marks->Of(code).mark;
    const std::string marked = WithMark(code, mark);
    // A label marked before keeps its one mark.
    if (mark == CodeMark::None || label.compare(0, marked.size(), marked) == 0) return label;
    return marked + label.substr(code.size());
}

FX::FXIcon* CodeDecoration::Icon(FX::FXIcon* icon, const std::string& code) const {
    if (marks == nullptr || notForCoding == nullptr || code.empty()) return icon;
    return marks->Of(code).forCoding ? icon : notForCoding;
}

void DecorateTree(FX::FXTreeList* tree, const CodeDecoration& decoration) {
    std::vector<FX::FXTreeItem*> pending = {tree->getFirstItem()};
    while (!pending.empty()) {
        FX::FXTreeItem* item = pending.back();
        pending.pop_back();
        if (item == nullptr) continue;
        pending.push_back(item->getNext());
        pending.push_back(item->getFirst());
        const auto* data = static_cast<const ItemData*>(item->getData());
        if (data == nullptr || (data->kind != kKindBranchCode && data->kind != kKindLeafCode)) continue;
        const std::string code(data->code.text(), static_cast<size_t>(data->code.length()));
        const std::string label(item->getText().text(), static_cast<size_t>(item->getText().length()));
        const std::string shown = decoration.Label(label, code);
        if (shown != label) tree->setItemText(item, FX::FXString(shown.c_str(), static_cast<FX::FXint>(shown.size())));
        FX::FXIcon* icon = decoration.Icon(nullptr, code);
        if (icon != nullptr) {
            tree->setItemOpenIcon(item, icon);
            tree->setItemClosedIcon(item, icon);
        }
    }
}

TreeSink::Item TreeListSink::AddItem(Item parent, const std::string& label, IconRole icon, ItemKind kind,
                                     const std::string& code) {
    const bool isCode = kind == kKindBranchCode || kind == kKindLeafCode;
    FX::FXIcon* openIcon = icon == IconRole::Page ? page : folderOpen;
    FX::FXIcon* closedIcon = icon == IconRole::Page ? page : folderClosed;
    if (isCode) {
        openIcon = decoration.Icon(openIcon, code);
        closedIcon = decoration.Icon(closedIcon, code);
    }
    const std::string shown = isCode ? decoration.Label(label, code) : label;
    ItemData* data = NewItemData(kind, FX::FXString(code.c_str(), static_cast<FX::FXint>(code.size())));
    // Notify, so the tree reports each new item to its target as it would
    // for one added by hand.
    return tree->appendItem(static_cast<FX::FXTreeItem*>(parent),
                            FX::FXString(shown.c_str(), static_cast<FX::FXint>(shown.size())), openIcon, closedIcon,
                            data, TRUE);
}

void ResultListSink::AddResult(const std::string& code, const std::string& title) {
    const FX::FXString fxCode(code.c_str(), static_cast<FX::FXint>(code.size()));
    const std::string shown = decoration.Label(code, code);
    const FX::FXString label = FX::FXString(shown.c_str(), static_cast<FX::FXint>(shown.size())) + "\t" +
                               FX::FXString(title.c_str(), static_cast<FX::FXint>(title.size()));
    FX::FXIcon* codeIcon = decoration.Icon(icon, code);
    list->appendItem(label, codeIcon, codeIcon, NewItemData(kKindLeafCode, fxCode), FALSE);
}

void ResultListSink::AddTerm(const TermHit& hit) {
    const FX::FXString codes(hit.codes.c_str(), static_cast<FX::FXint>(hit.codes.size()));
    const FX::FXString label = codes + "\t" + FX::FXString(hit.term.c_str(), static_cast<FX::FXint>(hit.term.size()));
    const bool crossReference = hit.codes.empty();
    ItemData* data = NewItemData(crossReference ? kKindCrossReference : kKindTerm, codes);
    data->titleCode = FX::FXString(hit.titleCode.c_str(), static_cast<FX::FXint>(hit.titleCode.size()));
    FX::FXIcon* shown = crossReference ? nullptr : icon;
    list->appendItem(label, shown, shown, data, FALSE);
}

void ResultListSink::BeginSimilar() {
    const FX::FXint line = list->appendItem("\t\xc3\x84hnliche Schreibweisen", nullptr, nullptr, nullptr, FALSE);
    list->disableItem(line);
}

// The display is asked a few times a frame only: the question costs a look
// at its connection, and a record of the index holds a block of terms.
bool ResultListSink::Stopped() {
    constexpr std::chrono::milliseconds kBetweenLooks(4);
    if (app == nullptr || stopped) return stopped;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastLook < kBetweenLooks) return false;
    lastLook = now;
    stopped = KeyPressWaiting(app);
    return stopped;
}

}  // namespace kodexa
