// The search page: that old results' data does not pile up, what a search
// lists in which columns, and what each copy command takes from a term.
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa::test {
namespace {

TEST_F(WindowTest, OldResultsDataIsFreedAndTheTreesStays) {
    Search("");
    const std::size_t afterOne = ItemDataCount();
    const char* texts[] = {"", "cholera", "xyzzy", "a15", ""};
    for (int i = 0; i < 100; ++i) Search(texts[i % 5]);
    EXPECT_EQ(ItemDataCount(), afterOne);
    // A search that lists nothing frees the last seven, and only them.
    Search("xyzzy");
    EXPECT_EQ(ItemDataCount(), afterOne - 7);
}

// The lines of codes and of the alphabetical index's terms, in columns that
// fit the frame. The line for no hits, alone and copied by nothing, and
// copies of the codes' lines, the end-to-end test sees.
TEST_F(WindowTest, ResultLinesOfCodesAndTermsAndWhatTheCopiesTakeFromATerm) {
    window.reset();
    WriteAlphaIndex(dir.Path());
    window = OpenWindow(dir.Path());
    FXIconList* list = Probe(*window).resultList();
    list->setHeaderSize(1, 5);
    ASSERT_EQ(Search("tuberkulose"), 4);
    EXPECT_STREQ(list->getItemText(0).text(), "A15\tTuberkulose der Atmungsorgane");
    EXPECT_STREQ(list->getItemText(3).text(), "A15.0+ C00*\tLippentuberkulose");
    EXPECT_EQ(list->getItemBigIcon(0), Probe(*window).codeIcon());
    EXPECT_EQ(list->getItemMiniIcon(0), Probe(*window).codeIcon());
    EXPECT_EQ(list->getItemMiniIcon(3), Probe(*window).codeIcon());
    // The codes of a term may be wider than any code; the column widens,
    // and the title column takes the rest of the list's width.
    EXPECT_GT(list->getHeaderSize(0), list->getFont()->getTextWidth("A15.0+ C00*"));
    EXPECT_EQ(list->getHeaderSize(1), list->getWidth() - list->getHeaderSize(0));
    ASSERT_EQ(Search("vibrionen"), 1);
    EXPECT_STREQ(list->getItemText(0).text(), "\tVibrionen - s. Cholera");
    EXPECT_EQ(list->getItemMiniIcon(0), static_cast<FXIcon*>(nullptr));
    EXPECT_EQ(list->getHeaderSize(0), 80);  // holds any code

    // A term's text and code: its codes as shown, the title of its first
    // code. The other copies of terms, and of cross-references, are in the
    // Bearbeiten menu's test.
    Search("lippentuberkulose");
    list->setCurrentItem(0);
    Command(MainWindow::ID_COPY_BOTH);
    EXPECT_EQ(Clip(), "A15.0+ C00* - Lungentuberkulose");
}

}  // namespace
}  // namespace kodexa::test
