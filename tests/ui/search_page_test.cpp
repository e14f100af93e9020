// The search page: what a search lists, the line for no hits, the column
// widths, which senders search, copying a result, and that old results'
// data does not pile up.
#include <gtest/gtest.h>

#include <fxkeys.h>

#include <memory>

#include "catalogue/catalogue_sink.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

struct Line {
    std::string text;
    std::string code;  // of the item data; "-" for none
};

std::vector<Line> Results(TestKodexa& window) {
    std::vector<Line> lines;
    FXIconList* list = window.getResultList();
    for (FXint i = 0; i < list->getNumItems(); ++i) {
        const auto* data = static_cast<const ItemData*>(list->getItemData(i));
        lines.push_back({list->getItemText(i).text(), data != nullptr ? data->code.text() : "-"});
    }
    return lines;
}

std::vector<std::string> ResultCodes(TestKodexa& window) {
    std::vector<std::string> codes;
    for (const Line& line : Results(window)) codes.push_back(line.code);
    return codes;
}

class SearchPage : public testing::Test {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        window = OpenTestWindow(dir.Path());
        window->getTabBook()->setCurrent(1);
        RunEventsFor(30);  // lays the page out, so the frame has its width
    }

    void Search(const std::string& text) {
        window->getSearchField()->setText(FXString(text.c_str(), static_cast<FXint>(text.size())));
        window->handle(window->getSearchField(), FXSEL(SEL_COMMAND, Kodexa::ID_SEARCH), nullptr);
    }

    TempDir dir;
    WindowPtr window;
};

const char kNotFurther[] = "Cholera, nicht n\xc3\xa4her bezeichnet";

TEST_F(SearchPage, ListsHitsInCodeOrderWithTheirIconAndData) {
    const struct {
        const char* text;
        std::vector<Line> expected;
    } cases[] = {
        {"cholera",
         {{"A00\tCholera", "A00"},
          {"A00.0\tCholera durch Vibrio", "A00.0"},
          {std::string("A00.9\t") + kNotFurther, "A00.9"}}},
        // A to Z fold, and a title that holds the text is listed once.
        {"TUBERKULOSE",
         {{"A15\tTuberkulose der Atmungsorgane", "A15"},
          {"A15.0\tLungentuberkulose", "A15.0"},
          {"A15.00\tLungentuberkulose, gesichert", "A15.00"}}},
        // By code as well: a code's beginning lists it and its sub-codes.
        {"a15.0", {{"A15.0\tLungentuberkulose", "A15.0"}, {"A15.00\tLungentuberkulose, gesichert", "A15.00"}}},
        // Only A to Z fold: the upper-case umlaut does not find the lower-case one.
        {"B\xc3\x96sartig", {{"\tKeine Ergebnis", "-"}}},
        {"b\xc3\xb6sartig", {{"C00\tB\xc3\xb6sartige Neubildung der Lippe", "C00"}}},
        {"xyzzy", {{"\tKeine Ergebnis", "-"}}},
        {"Cholera, nicht n\xc3\xa4her bezeichnet und mehr", {{"\tKeine Ergebnis", "-"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Search(c.text);
        const std::vector<Line> got = Results(*window);
        ASSERT_EQ(got.size(), c.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].text, c.expected[i].text);
            EXPECT_EQ(got[i].code, c.expected[i].code);
            const auto* data = static_cast<const ItemData*>(window->getResultList()->getItemData(i));
            FXIcon* icon = data != nullptr ? window->getCodeIcon() : nullptr;
            EXPECT_EQ(window->getResultList()->getItemBigIcon(i), icon);
            EXPECT_EQ(window->getResultList()->getItemMiniIcon(i), icon);
            if (data != nullptr) {
                EXPECT_EQ(data->kind, kKindLeafCode);
            }
        }
        // The search never moves the user to another page.
        EXPECT_EQ(window->getTabBook()->getCurrent(), 1);
    }
}

TEST_F(SearchPage, ColumnsAreSizedToTheFrameAfterEverySearch) {
    FXIconList* list = window->getResultList();
    const FXint frameWidth = window->getResultFrame()->getWidth();
    ASSERT_GT(frameWidth, 200);
    for (const char* text : {"cholera", "xyzzy", ""}) {
        SCOPED_TRACE(text);
        list->setHeaderSize(0, 5);
        list->setHeaderSize(1, 5);
        Search(text);
        EXPECT_EQ(list->getHeaderSize(0), 80);
        EXPECT_EQ(list->getHeaderSize(1), frameWidth - 80);
    }
    // A wider window gives a wider title column at the next search.
    window->resize(800, 400);
    RunEventsFor(30);
    ASSERT_GT(window->getResultFrame()->getWidth(), frameWidth);
    Search("cholera");
    EXPECT_EQ(list->getHeaderSize(1), window->getResultFrame()->getWidth() - 80);
}

TEST_F(SearchPage, EnterAndTheButtonSearchButLeavingTheFieldDoesNot) {
    FXTextField* field = window->getSearchField();
    field->setFocus();
    RunEventsFor(20);
    // Typed, so the field counts as changed.
    for (const char* letter : {"c", "h", "o", "l"}) {
        FXEvent key{};
        key.type = SEL_KEYPRESS;
        key.code = letter[0];
        key.text = letter;
        field->handle(field, FXSEL(SEL_KEYPRESS, 0), &key);
    }
    ASSERT_STREQ(field->getText().text(), "chol");
    FXEvent leave{};
    leave.type = SEL_FOCUSOUT;
    field->handle(field, FXSEL(SEL_FOCUSOUT, 0), &leave);
    EXPECT_EQ(window->getResultList()->getNumItems(), 0);

    FXEvent enter{};
    enter.type = SEL_KEYPRESS;
    enter.code = KEY_Return;
    field->handle(field, FXSEL(SEL_KEYPRESS, 0), &enter);
    EXPECT_EQ(ResultCodes(*window), (std::vector<std::string>{"A00", "A00.0", "A00.9"}));

    field->setText("lungen");
    FXButton* button = nullptr;
    for (FXWindow* w = field->getNext(); w != nullptr && button == nullptr; w = w->getNext())
        button = dynamic_cast<FXButton*>(w);
    ASSERT_NE(button, nullptr);
    EXPECT_STREQ(button->getText().text(), "Suchen");
    FXEvent space{};
    space.code = KEY_space;
    space.type = SEL_KEYPRESS;
    button->handle(button, FXSEL(SEL_KEYPRESS, 0), &space);
    space.type = SEL_KEYRELEASE;
    button->handle(button, FXSEL(SEL_KEYRELEASE, 0), &space);
    EXPECT_EQ(ResultCodes(*window), (std::vector<std::string>{"A15.0", "A15.00"}));
}

TEST_F(SearchPage, CopyingFromTheResultList) {
    auto clip = [&] {
        return window->getClipText() != nullptr ? std::string(window->getClipText()) : std::string("<none>");
    };
    auto copy = [&](FXSelector id) {
        window->handle(window.get(), FXSEL(SEL_COMMAND, id), nullptr);
        return clip();
    };
    // Something known on the clipboard, copied from the tree.
    window->getTabBook()->setCurrent(0);
    window->getTree()->setCurrentItem(FindItem(window->getTree(), "C00-D48 - Neubildungen"));
    ASSERT_EQ(copy(Kodexa::ID_COPY_CODE), "C00-D48");
    window->getTabBook()->setCurrent(1);

    const struct {
        const char* search;
        int current;  // -1: none
        FXSelector command;
        const char* expected;  // null: the clipboard keeps what it had
    } cases[] = {
        {"cholera", -1, Kodexa::ID_COPY_CODE, nullptr},
        {"cholera", -1, Kodexa::ID_COPY_BOTH, nullptr},
        {"cholera", 2, Kodexa::ID_COPY_CODE, "A00.9"},
        {"cholera", 2, Kodexa::ID_COPY_TEXT, kNotFurther},
        {"cholera", 2, Kodexa::ID_COPY_BOTH, "A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet"},
        {"cholera", 0, Kodexa::ID_COPY_BOTH, "A00 - Cholera"},
        {"xyzzy", 0, Kodexa::ID_COPY_CODE, nullptr},
        {"xyzzy", 0, Kodexa::ID_COPY_TEXT, nullptr},
        {"xyzzy", 0, Kodexa::ID_COPY_BOTH, nullptr},
        {"lippe", 0, Kodexa::ID_COPY_TEXT, "B\xc3\xb6sartige Neubildung der Lippe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.search) + " " + std::to_string(c.current) + " " +
                     std::to_string(c.command - Kodexa::ID_QUIT));
        Search(c.search);
        window->getResultList()->setCurrentItem(c.current);
        const std::string before = clip();
        EXPECT_EQ(copy(c.command), c.expected != nullptr ? c.expected : before);
    }
}

TEST_F(SearchPage, OldResultsDataIsFreedAndTheTreesStays) {
    Search("");
    const std::size_t afterOne = ItemDataCount();
    FXTreeItem* chapter = FindItem(window->getTree(), "A00-B99 - Infektionen");
    ItemData* treeData = DataOf(chapter);
    const char* texts[] = {"", "cholera", "xyzzy", "a15", ""};
    for (int i = 0; i < 100; ++i) Search(texts[i % 5]);
    EXPECT_EQ(ItemDataCount(), afterOne);
    // The tree's data is still there and still read.
    EXPECT_EQ(DataOf(chapter), treeData);
    EXPECT_EQ(treeData->kind, kKindChapter);
    EXPECT_STREQ(treeData->code.text(), "A00-B99");

    // The last search's results are alive: their data can be copied.
    window->getResultList()->setCurrentItem(6);
    window->handle(window.get(), FXSEL(SEL_COMMAND, Kodexa::ID_COPY_BOTH), nullptr);
    ASSERT_NE(window->getClipText(), nullptr);
    EXPECT_STREQ(window->getClipText(), "C00 - B\xc3\xb6sartige Neubildung der Lippe");

    // Only the results' data is counted out: a search that lists nothing
    // frees the seven of the last one.
    Search("xyzzy");
    EXPECT_EQ(ItemDataCount(), afterOne - 7);
}

// The default catalogue as the program ships it.
class DefaultCatalogueSearch : public testing::Test {
protected:
    void SetUp() override {
        if (!CopyDefaultCatalogue(dir.Path())) GTEST_SKIP() << "no default catalogue built";
        window = OpenTestWindow(dir.Path());
        window->getTabBook()->setCurrent(1);
        RunEventsFor(30);
    }
    void Search(const char* text) {
        window->getSearchField()->setText(text);
        window->handle(window->getSearchField(), FXSEL(SEL_COMMAND, Kodexa::ID_SEARCH_FIELD), nullptr);
    }

    TempDir dir;
    WindowPtr window;
};

TEST_F(DefaultCatalogueSearch, CholeraAndDiabetesTypeTwo) {
    Search("cholera");
    EXPECT_EQ(ResultCodes(*window), (std::vector<std::string>{"A00", "A00.0", "A00.1", "A00.9", "Z23.0", "Z27.0"}));
    ASSERT_GE(window->getResultList()->getNumItems(), 1);
    EXPECT_STREQ(window->getResultList()->getItemText(0).text(), "A00\tCholera");

    Search("e11");
    EXPECT_EQ(ResultCodes(*window),
              (std::vector<std::string>{"E11",    "E11.0",  "E11.01", "E11.1",  "E11.11", "E11.2",  "E11.20", "E11.21",
                                        "E11.3",  "E11.30", "E11.31", "E11.4",  "E11.40", "E11.41", "E11.5",  "E11.50",
                                        "E11.51", "E11.6",  "E11.60", "E11.61", "E11.7",  "E11.72", "E11.73", "E11.74",
                                        "E11.75", "E11.8",  "E11.80", "E11.81", "E11.9",  "E11.90", "E11.91"}));
    EXPECT_EQ(window->getResultList()->getHeaderSize(0), 80);
    EXPECT_EQ(window->getResultList()->getHeaderSize(1), window->getResultFrame()->getWidth() - 80);
}

TEST_F(DefaultCatalogueSearch, EveryCodeOnceInOrderAndNoGrowthBetweenSearches) {
    Search("");
    const std::vector<std::string> all = ResultCodes(*window);
    EXPECT_EQ(all.size(), 16793u);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    const std::size_t live = ItemDataCount();
    for (int i = 0; i < 3; ++i) Search("");
    EXPECT_EQ(ItemDataCount(), live);
    Search("xyzzy");
    EXPECT_EQ(ItemDataCount(), live - all.size());
}

}  // namespace
}  // namespace kodexa::test
