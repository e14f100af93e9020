// The main window on a catalogue in a test directory, and what the window
// tests do with it.
#ifndef KODEXA_TESTS_UI_WINDOW_TEST_UTIL_H
#define KODEXA_TESTS_UI_WINDOW_TEST_UTIL_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "store/store_error.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/gui_support/gui_test.h"
#include "tests/support/temp_dir.h"
#include "ui/item_data.h"
#include "ui/kodexa_window.h"

namespace kodexa::test {

const char kChapter[] = "A00-B99 - Infektionen";
const char kA009[] = "A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet";
const char kA009Title[] = "Cholera, nicht n\xc3\xa4her bezeichnet";

class TestKodexa : public Kodexa {
public:
    TestKodexa(const std::string& dir, bool readOnlyPlace)
        : Kodexa(TestApp()), dir(dir), readOnlyPlace(readOnlyPlace) {}
    std::string programDirectory() const override { return dir + "/"; }
    std::vector<int> openModes;  // readWrite of every open, in order

protected:
    // Stands in for a catalogue where this user may not write, which root never meets.
    int openDatabase(ObjectDatabase& db, const std::string& d, CatalogueFile which, int readWrite) override {
        openModes.push_back(readWrite);
        if (readOnlyPlace && readWrite) return kOpenError;  // what fopen "r+b" yields there
        return Kodexa::openDatabase(db, d, which, readWrite);
    }
    bool mayWrite(const std::string& path) const override { return !readOnlyPlace && Kodexa::mayWrite(path); }

private:
    std::string dir;
    bool readOnlyPlace;
};

// A created and shown window on the catalogue in dir; its lines about the
// files it opens are kept out of the test's output.
inline std::unique_ptr<TestKodexa> OpenWindow(const std::string& dir, bool readOnlyPlace = false) {
    auto window = std::make_unique<TestKodexa>(dir, readOnlyPlace);
    testing::internal::CaptureStdout();
    window->create();
    testing::internal::GetCapturedStdout();
    RunEventsFor(30);  // lays it out
    return window;
}

inline FX::FXTreeItem* FindItem(FX::FXTreeItem* item, const std::string& label) {
    for (; item != nullptr; item = item->getNext()) {
        if (label == item->getText().text()) return item;
        if (FX::FXTreeItem* found = FindItem(item->getFirst(), label)) return found;
    }
    return nullptr;
}

// The window on the sample catalogue.
class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        window = OpenWindow(dir.Path());
    }
    void Command(FX::FXSelector id) { window->handle(window.get(), FXSEL(FX::SEL_COMMAND, id), nullptr); }
    // Shows the tree page with the item labelled so current; null: none.
    void MakeCurrent(const char* label) {
        window->getTabBook()->setCurrent(0);
        FX::FXTreeItem* item = label != nullptr ? FindItem(window->getTree()->getFirstItem(), label) : nullptr;
        ASSERT_TRUE(item != nullptr || label == nullptr) << label;
        window->getTree()->setCurrentItem(item);
    }
    void Search(const char* text) {
        window->getTabBook()->setCurrent(1);
        window->getSearchField()->setText(text);
        window->handle(window->getSearchField(), FXSEL(FX::SEL_COMMAND, Kodexa::ID_SEARCH_FIELD), nullptr);
    }
    // Something known on the clipboard, to see that a command leaves it.
    void Mark() {
        ItemData marker(1, "marker");
        window->copyCode(&marker);
    }
    std::string Clip() const { return window->getClipText() != nullptr ? window->getClipText() : "<none>"; }

    TempDir dir;
    std::unique_ptr<TestKodexa> window;
};

}  // namespace kodexa::test

#endif
