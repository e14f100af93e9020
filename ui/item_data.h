// What every tree item and result-list item carries: its kind and its code.
#ifndef KODEXA_UI_ITEM_DATA_H
#define KODEXA_UI_ITEM_DATA_H

#include <fx.h>

namespace kodexa {

class ItemData : public FX::FXObject {
public:
    ItemData(int kind, const FX::FXString& code) : kind(kind), code(code) {}

    int kind;            // an ItemKind: 3 chapter, 2 group, 0 and 1 codes
    FX::FXString code;   // the record's code, empty when it had none
};

// A new ItemData owned by the one program-wide list, which deletes them all
// at exit; clearing a widget's items never frees them.
ItemData* NewItemData(int kind, const FX::FXString& code);
// How many the list holds.
std::size_t ItemDataCount();

}  // namespace kodexa

#endif
