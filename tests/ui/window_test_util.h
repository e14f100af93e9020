// The main window on a catalogue in a test directory, and what the window
// tests do with it.
#ifndef KODEXA_TESTS_UI_WINDOW_TEST_UTIL_H
#define KODEXA_TESTS_UI_WINDOW_TEST_UTIL_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/alpha_terms.h"
#include "store/store_error.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/gui_support/gui_test.h"
#include "tests/support/temp_dir.h"
#include "ui/diagnosis_page.h"
#include "ui/favourites_page.h"
#include "ui/item_data.h"
#include "ui/main_window.h"

namespace kodexa {

struct MainWindowProbe {
    const MainWindow& window;
    FX::FXTreeList* tree() const { return window.tree; }
    FX::FXIconList* resultList() const { return window.resultList; }
    FX::FXTabBook* tabbook() const { return window.tabbook; }
    FX::FXTextField* searchField() const { return window.searchField; }
    FX::FXMenuPane* popupMenu() const { return window.popupMenu; }
    FavouritesPage* favouritesPage() const { return window.favouritesPage; }
    FX::FXIcon* folderOpenIcon() const { return window.folderOpenIcon; }
    FX::FXIcon* folderClosedIcon() const { return window.folderClosedIcon; }
    FX::FXIcon* codeIcon() const { return window.codeIcon; }
    const char* clipText() const { return window.clipText; }
    DiagnosisPage* diagnosisPage() const { return window.diagnosisPage; }
    FX::FXIcon* notForCodingIcon() const { return window.notForCodingIcon; }
    FX::FXMenuPane* editMenu() const { return window.editmenu; }
    FX::FXMenuBar* menubar() const { return window.menubar; }
    FX::FXLabel* statusLine() const { return window.statusLine; }
};

}  // namespace kodexa

namespace kodexa::test {

inline MainWindowProbe Probe(const MainWindow& window) { return MainWindowProbe{window}; }

const char kChapter[] = "A00-B99 - Infektionen";
const char kA009[] = "A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet";
const char kA009Title[] = "Cholera, nicht n\xc3\xa4her bezeichnet";

struct TestKodexa : MainWindow {
    explicit TestKodexa(const std::string& dir) : MainWindow(TestApp()), dir(dir) {}
    std::string programDirectory() const override { return dir + "/"; }
    std::string dir;
};

// The alphabetical index beside the sample: a term for a code, one with two
// codes, a cross-reference.
inline void WriteAlphaIndex(const std::string& dir) {
    Catalogue catalogue(dir);
    ASSERT_EQ(catalogue.Open(CatalogueFile::AlphaIndex, CatalogueAccess::Writing), kNoError);
    AlphaBlockRecord block(&catalogue.Database(CatalogueFile::AlphaIndex));
    block.name = AlphaBlockName(1);
    block.terms = PackTerms({{'1', "A00.9", "", "", "", "Cholera asiatica"},
                             {'2', "A15.0+", "C00*", "", "", "Lippentuberkulose"},
                             {'0', "", "", "", "", "Vibrionen - s. Cholera"}});
    ASSERT_EQ(block.Write(), kNoError);
}

// A created and shown window on the catalogue in dir.
inline std::unique_ptr<TestKodexa> OpenWindow(const std::string& dir) {
    auto window = std::make_unique<TestKodexa>(dir);
    window->create();
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

inline void Key(FX::FXWindow* window, FX::FXuint code, FX::FXuint state = 0, const char* text = "") {
    FX::FXEvent event{};
    event.code = code;
    event.state = state;
    event.text = text;
    for (FX::FXSelector type : {FX::SEL_KEYPRESS, FX::SEL_KEYRELEASE}) {
        event.type = type;
        window->handle(window, FXSEL(type, 0), &event);
    }
}

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        window = OpenWindow(dir.Path());
    }
    void Command(FX::FXSelector id) { window->handle(window.get(), FXSEL(FX::SEL_COMMAND, id), nullptr); }
    // Shows the tree page with the item labelled so current.
    void MakeCurrent(const char* label) {
        Probe(*window).tabbook()->setCurrent(0);
        FX::FXTreeItem* item = FindItem(Probe(*window).tree()->getFirstItem(), label);
        ASSERT_NE(item, nullptr) << label;
        Probe(*window).tree()->setCurrentItem(item);
    }
    // Answers the number of lines listed.
    FX::FXint Search(const char* text) {
        Probe(*window).tabbook()->setCurrent(1);
        Probe(*window).searchField()->setText(text);
        window->handle(Probe(*window).searchField(), FXSEL(FX::SEL_COMMAND, MainWindow::ID_SEARCH_FIELD), nullptr);
        return Probe(*window).resultList()->getNumItems();
    }
    // Something known on the clipboard, to see that a command leaves it.
    void Mark() {
        ItemData marker(1, "marker");
        window->copyCode(&marker);
    }
    std::string Clip() const { return Probe(*window).clipText() != nullptr ? Probe(*window).clipText() : "<none>"; }
    // What Copy Text takes from the catalogue for code.
    std::string TitleOf(const char* code) {
        ItemData data(1, code);
        window->copyText(&data);
        return Clip();
    }

    TempDir dir;
    std::unique_ptr<TestKodexa> window;
};

}  // namespace kodexa::test

#endif
