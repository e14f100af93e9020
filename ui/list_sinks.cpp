#include "ui/list_sinks.h"

#include <chrono>

#include "ui/item_data.h"
#include "ui/key_watch.h"

namespace kodexa {

TreeSink::Item TreeListSink::AddItem(Item parent, const std::string& label, IconRole icon, ItemKind kind,
                                     const std::string& code) {
    FX::FXIcon* openIcon = icon == IconRole::Page ? page : folderOpen;
    FX::FXIcon* closedIcon = icon == IconRole::Page ? page : folderClosed;
    ItemData* data = NewItemData(kind, FX::FXString(code.c_str(), static_cast<FX::FXint>(code.size())));
    // Notify, so the tree reports each new item to its target as it would
    // for one added by hand.
    return tree->appendItem(static_cast<FX::FXTreeItem*>(parent),
                            FX::FXString(label.c_str(), static_cast<FX::FXint>(label.size())), openIcon, closedIcon,
                            data, TRUE);
}

void ResultListSink::AddResult(const std::string& code, const std::string& title) {
    const FX::FXString fxCode(code.c_str(), static_cast<FX::FXint>(code.size()));
    const FX::FXString label = fxCode + "\t" + FX::FXString(title.c_str(), static_cast<FX::FXint>(title.size()));
    list->appendItem(label, icon, icon, NewItemData(kKindLeafCode, fxCode), FALSE);
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
