#include "ui/item_data.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

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

// One pass over the list whatever the number of items: a search may hand
// back every code of the catalogue at once.
void DeleteItemData(const std::vector<ItemData*>& items) {
    if (items.empty()) return;
    const std::unordered_set<ItemData*> doomed(items.begin(), items.end());
    auto& list = AllItemData();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&doomed](const std::unique_ptr<ItemData>& data) { return doomed.count(data.get()) != 0; }),
               list.end());
}

std::size_t ItemDataCount() { return AllItemData().size(); }

}  // namespace kodexa
