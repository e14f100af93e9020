#include "ui/item_data.h"

#include <memory>
#include <vector>

namespace kodexa {

namespace {

std::vector<std::unique_ptr<ItemData>>& AllItemData() {
    static std::vector<std::unique_ptr<ItemData>> list;
    return list;
}

}  // namespace

ItemData* NewItemData(int kind, const FX::FXString& code) {
    AllItemData().push_back(std::make_unique<ItemData>(kind, code));
    return AllItemData().back().get();
}

std::size_t ItemDataCount() { return AllItemData().size(); }

}  // namespace kodexa
