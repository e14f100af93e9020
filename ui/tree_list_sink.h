// Puts what the catalogue walk finds into the window's tree list.
#ifndef KODEXA_UI_TREE_LIST_SINK_H
#define KODEXA_UI_TREE_LIST_SINK_H

#include <fx.h>

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

}  // namespace kodexa

#endif
