// A main window on a catalogue in a test directory, and the helpers the
// window tests share.
#ifndef KODEXA_TESTS_UI_WINDOW_TEST_UTIL_H
#define KODEXA_TESTS_UI_WINDOW_TEST_UTIL_H

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/store_error.h"
#include "tests/gui_support/gui_test.h"
#include "tests/support/temp_dir.h"
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

struct WindowDeleter {
    void operator()(Kodexa* w) const { delete w; }
};
using WindowPtr = std::unique_ptr<TestKodexa, WindowDeleter>;

// A created and shown window on the catalogue in dir; its lines about the
// files it opens are kept out of the test's output.
inline WindowPtr OpenTestWindow(const std::string& dir, bool readOnlyPlace = false) {
    WindowPtr window(new TestKodexa(dir));
    window->readOnlyPlace = readOnlyPlace;
    testing::internal::CaptureStdout();
    window->create();
    testing::internal::GetCapturedStdout();
    return window;
}

// Copies the default catalogue of the build into dir, so that no test opens
// (and so rewrites the headers of) the files the program itself uses. False
// when the build has none.
inline bool CopyDefaultCatalogue(const std::string& dir) {
#ifdef KODEXA_DEFAULT_CATALOGUE_DIR
    for (const char* name : {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx"}) {
        std::ifstream from(std::string(KODEXA_DEFAULT_CATALOGUE_DIR) + "/" + name, std::ios::binary);
        if (!from) return false;
        std::ofstream to(dir + "/" + name, std::ios::binary);
        to << from.rdbuf();
        if (!to) return false;
    }
    return true;
#else
    (void)dir;
    return false;
#endif
}

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
