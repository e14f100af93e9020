// The Details window on a damaged facts file and with lines too long for
// the screen, the wrapping of those lines, and the tips and about windows.
#include <filesystem>

#include "tests/ui/window_test_util.h"
#include "ui/details_window.h"
#include "ui/text_wrap.h"

using namespace FX;
namespace fs = std::filesystem;

namespace kodexa::test {
namespace {

// On a copy of the shipped catalogue, which has the facts: cut while the
// window runs, they must not read as a code without limits. The box for
// damage comes, as after a walk or a search, and the Details say that more
// could not be read.
TEST_F(WindowTest, DetailsShowDamageOfTheFacts) {
#ifndef KODEXA_DEFAULT_CATALOGUE_DIR
    GTEST_SKIP() << "no shipped catalogue in this build";
#else
    window.reset();
    for (const char* name : {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx",
                             "data5.dat", "data5.ndx"}) {
        fs::copy_file(std::string(KODEXA_DEFAULT_CATALOGUE_DIR) + "/" + name, dir.File(name),
                      fs::copy_options::overwrite_existing);
    }
    window = OpenWindow(dir.Path());
    std::vector<ModalSeen> seen;
    for (int cut = 0; cut < 2; ++cut) {
        if (cut == 1) fs::resize_file(dir.File("data5.dat"), fs::file_size(dir.File("data5.dat")) / 2);
        ModalCloser closer;
        ASSERT_TRUE(window->showDetails("Z37.0"));
        seen.insert(seen.end(), closer.seen.begin(), closer.seen.end());
    }
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].labels.at(4), "nur bei Frauen (sonst Kann-Fehler)");
    EXPECT_EQ(seen[1].title + ": " + seen[1].labels.at(1).substr(0, 40),
              ("Katalogdatei: Der Katalog ist besch\xc3\xa4" "digt: " + dir.File("data5.dat")).substr(0, 54));
    EXPECT_EQ(seen[2].labels.at(2),
              "Weitere Angaben zu diesem Kode konnten nicht gelesen werden: der Katalog ist besch\xc3\xa4" "digt.");
#endif
}

// The longest title of the catalogue made the window 1,580 pixels wide.
TEST_F(WindowTest, DetailsAreNeverWiderThanTheScreen) {
    std::string longTitle;
    for (int i = 0; i < 30; ++i) longTitle += "Verletzung mehrerer Regionen ";
    DetailsWindow details(window.get(), {"U69.36 - " + longTitle, "endst\xc3\xa4ndig", longTitle});
    details.create();
    EXPECT_LT(details.getDefaultWidth(), TestApp()->getRootWindow()->getWidth());
}

TEST(WrapText, BreaksAtBlanksAndInsideWordsOnlyWhenItMust) {
    // One unit per byte: a letter with an umlaut is two wide.
    const TextMeasure measure = [](const std::string& text) { return static_cast<int>(text.size()); };
    const struct {
        const char* text;
        int width;
        const char* wrapped;
    } cases[] = {
        {"eins zwei drei", 9, "eins zwei\ndrei"},
        {"eins  zwei", 20, "eins zwei"},
        {"abcdefghij", 4, "abcd\nefgh\nij"},
        {"ab \xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f", 4, "ab\n\xc3\xa4\xc3\xb6\n\xc3\xbc\xc3\x9f"},
        {"\xc3\xa4\xc3\xb6\xc3\xbc", 3, "\xc3\xa4\n\xc3\xb6\n\xc3\xbc"},  // never inside a character
        {"eins\nzwei drei", 9, "eins\nzwei drei"},
        {"x", 0, "x"},  // too narrow for anything: one character a line
        {"", 5, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(WrapText(c.text, c.width, measure), c.wrapped) << c.text << " " << c.width;
}

// The tips and about windows only close; "Tipps" is spelt so.
TEST_F(WindowTest, TipsAndAboutWindowsCloseWithSchliessen) {
    ModalCloser closer;
    Command(MainWindow::ID_TIPS);
    Command(MainWindow::ID_ABOUT);
    ASSERT_EQ(closer.seen.size(), 2u);
    EXPECT_EQ(closer.seen[0].title, "Tipps ... ");
    EXPECT_EQ(closer.seen[1].title, "\xc3\x9c" "ber ...");
    for (const ModalSeen& seen : closer.seen) EXPECT_EQ(seen.labels.back(), "Schlie\xc3\x9f" "en") << seen.title;
}

}  // namespace
}  // namespace kodexa::test
