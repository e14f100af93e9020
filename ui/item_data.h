// What every tree item and result-list item carries: its kind and its code.
#ifndef KODEXA_UI_ITEM_DATA_H
#define KODEXA_UI_ITEM_DATA_H

#include <fx.h>

#include <cstddef>
#include <vector>

namespace kodexa {

class ItemData : public FX::FXObject {
public:
    ItemData(int kind, const FX::FXString& code) : kind(kind), code(code) {}

    int kind;            // an ItemKind: 3 chapter, 2 group, 0 and 1 codes, 4 and 5 index terms
    FX::FXString code;   // the record's code, empty when it had none; a term's codes as shown
    FX::FXString titleCode;  // a term's code whose title "Text kopieren" copies
};

// A new ItemData owned by the one program-wide list, which deletes what is
// still in it at exit; clearing a widget's items does not free them.
ItemData* NewItemData(int kind, const FX::FXString& code);
// Deletes those of items that the list owns, once no widget shows them any
// more; anything else in items (null, or not made by NewItemData) is left
// alone.
void DeleteItemData(const std::vector<ItemData*>& items);
// How many ItemData the list holds, that is, how many are alive.
std::size_t ItemDataCount();

}  // namespace kodexa

#endif
