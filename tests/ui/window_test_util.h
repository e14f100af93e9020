// A main window on a catalogue in a test directory, and the helpers the
// window tests share.
#ifndef KODEXA_TESTS_UI_WINDOW_TEST_UTIL_H
#define KODEXA_TESTS_UI_WINDOW_TEST_UTIL_H

#include <set>
#include <string>
#include <vector>

#include "store/store_error.h"
#include "tests/gui_support/gui_test.h"
#include "ui/item_data.h"
#include "ui/kodexa_window.h"

namespace kodexa::test {

class TestKodexa : public Kodexa {
public:
    TestKodexa(const std::string& dir) : Kodexa(TestApp()), dir(dir) {}

    std::string programDirectory() const override { return dir + "/"; }

    // Stands in for a catalogue where this user may not write.
    bool readOnlyPlace = false;
    std::vector<int> openModes;  // readWrite of every open, in order

protected:
    int openDatabase(ObjectDatabase& db, const std::string& d, CatalogueFile which, int readWrite) override {
        openModes.push_back(readWrite);
        if (readOnlyPlace && readWrite) return kOpenError;  // what fopen "r+b" yields there
        return Kodexa::openDatabase(db, d, which, readWrite);
    }
    bool mayWrite(const std::string& path) const override { return !readOnlyPlace && Kodexa::mayWrite(path); }

private:
    std::string dir;
};

// Every label of the tree, depth first, indented by two blanks per level.
inline std::vector<std::string> TreeOutline(FX::FXTreeList* tree) {
    std::vector<std::string> lines;
    struct Walk {
        static void Items(FX::FXTreeItem* item, int depth, std::vector<std::string>& lines) {
            for (; item != nullptr; item = item->getNext()) {
                lines.push_back(std::string(2 * depth, ' ') + item->getText().text());
                Items(item->getFirst(), depth + 1, lines);
            }
        }
    };
    Walk::Items(tree->getFirstItem(), 0, lines);
    return lines;
}

inline FX::FXTreeItem* FindItem(FX::FXTreeList* tree, const std::string& label) {
    for (FX::FXTreeItem* item = tree->getFirstItem(); item != nullptr;) {
        if (label == item->getText().text()) return item;
        if (item->getFirst() != nullptr) {
            item = item->getFirst();
            continue;
        }
        while (item != nullptr && item->getNext() == nullptr) item = item->getParent();
        if (item != nullptr) item = item->getNext();
    }
    return nullptr;
}

inline ItemData* DataOf(FX::FXTreeItem* item) { return static_cast<ItemData*>(item->getData()); }

}  // namespace kodexa::test

#endif
