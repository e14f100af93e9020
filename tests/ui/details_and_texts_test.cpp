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

// The shipped catalogue, copied: it has the facts database.
class ShippedCatalogue : public WindowTest {
protected:
    void SetUp() override {
#ifdef KODEXA_DEFAULT_CATALOGUE_DIR
        for (const auto& entry : fs::directory_iterator(KODEXA_DEFAULT_CATALOGUE_DIR)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("data", 0) == 0) fs::copy_file(entry.path(), dir.File(name));
        }
        window = OpenWindow(dir.Path());
#else
        GTEST_SKIP() << "no shipped catalogue in this build";
#endif
    }
};

// Cut while the window runs, the facts must not read as a code without
// limits: the box for damage comes, as after a walk or a search, and the
// Details say that more could not be read.
TEST_F(ShippedCatalogue, DetailsShowDamageOfTheFacts) {
    {
        ModalCloser closer;
        ASSERT_TRUE(window->showDetails("Z37.0"));
        ASSERT_EQ(closer.seen.size(), 1u);
        EXPECT_EQ(closer.seen[0].labels.at(4), "nur bei Frauen (sonst Kann-Fehler)");
    }
    const std::string facts = dir.File("data5.dat");
    fs::resize_file(facts, fs::file_size(facts) / 2);
    ModalCloser closer;
    ASSERT_TRUE(window->showDetails("Z37.0"));
    ASSERT_EQ(closer.seen.size(), 2u);
    EXPECT_EQ(closer.seen[0].title + ": " + closer.seen[0].labels.at(1).substr(0, 60),
              ("Katalogdatei: Der Katalog ist besch\xc3\xa4" "digt: " + facts).substr(0, 74));
    EXPECT_EQ(closer.seen[1].title, "Details");
    EXPECT_EQ(closer.seen[1].labels.at(2),
              "Weitere Angaben zu diesem Kode konnten nicht gelesen werden: der Katalog ist besch\xc3\xa4" "digt.");
}

// The longest title of the catalogue made the window 1,580 pixels wide.
TEST_F(WindowTest, DetailsAreNeverWiderThanTheScreen) {
    std::string longTitle;
    for (int i = 0; i < 30; ++i) longTitle += "Verletzung mehrerer Regionen ";
    const std::vector<std::string> lines = {"U69.36 - " + longTitle, "endst\xc3\xa4ndig", longTitle};
    DetailsWindow details(window.get(), lines);
    details.create();
    const FXint screen = TestApp()->getRootWindow()->getWidth();
    EXPECT_LT(details.getDefaultWidth(), screen);
    EXPECT_GT(details.getDefaultHeight(), 3 * TestApp()->getNormalFont()->getFontHeight());
    EXPECT_LE(DetailsWindow::TextWidthLimit(TestApp()), screen);
}

TEST(WrapText, BreaksAtBlanksAndInsideWordsOnlyWhenItMust) {
    // One unit per character, a UTF-8 sequence being one character.
    const TextMeasure measure = [](const std::string& text) {
        int width = 0;
        for (char c : text) width += (static_cast<unsigned char>(c) & 0xc0) != 0x80;
        return width;
    };
    const struct {
        const char* text;
        int width;
        const char* wrapped;
    } cases[] = {
        {"kurz", 10, "kurz"},
        {"eins zwei drei", 9, "eins zwei\ndrei"},
        {"eins zwei drei", 8, "eins\nzwei\ndrei"},
        {"eins  zwei", 20, "eins zwei"},
        {"abcdefghij", 4, "abcd\nefgh\nij"},
        {"ab \xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f", 2, "ab\n\xc3\xa4\xc3\xb6\n\xc3\xbc\xc3\x9f"},  // never inside a character
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
