// The favourites page through its keys and handlers: adding with Ctrl+D,
// Alt+F, Tab, Delete, the filter, copies into the recent list, Details and
// the context menu, export and import, and that every change is in the
// settings file at once, as kodexa-find reads it.
#include <fxkeys.h>

#include "catalogue/settings_file.h"
#include "tests/tools/tool_run.h"
#include "tests/ui/window_test_util.h"

using namespace FX;

namespace kodexa {

struct FavouritesPageProbe {
    const FavouritesPage& page;
    FXTextField* filterField() const { return page.filterField; }
    FXIconList* favouriteList() const { return page.favouriteList; }
    FXIconList* recentList() const { return page.recentList; }
};

namespace test {
namespace {

using Codes = std::vector<std::string>;

// The window's settings as kodexa-find reads them from the file.
SettingsEntries SavedSection(const char* section) {
    std::string text;
    ReadSettingsText(UserSettingsPath(), text);
    return SettingsSection(text, section);
}

std::vector<std::string> Lines(FXIconList* list) {
    std::vector<std::string> lines;
    for (FXint i = 0; i < list->getNumItems(); ++i) lines.emplace_back(list->getItemText(i).text());
    return lines;
}

// The widget the keys go to.
FXWindow* Focused(FXWindow* window) {
    while (window->getFocus() != nullptr) window = window->getFocus();
    return window;
}

class FavouritesTest : public WindowTest {
protected:
    // The test program shares one settings registry: every test starts
    // without lists.
    void SetUp() override {
        ClearLists();
        WindowTest::SetUp();
    }
    void ClearLists() {
        TestApp()->reg().deleteSection(kFavouritesSection);
        TestApp()->reg().deleteSection(kRecentSection);
        TestApp()->reg().write();
    }
    FavouritesPage* Page() const { return Probe(*window).favouritesPage(); }
    FavouritesPageProbe PageProbe() const { return FavouritesPageProbe{*Page()}; }
    void AddFavourites(const Codes& codes) {
        for (const std::string& code : codes) Page()->AddFavourite(code);
    }
    void OpenPage() {
        Key(window.get(), KEY_f, ALTMASK);
        RunEventsFor(20);
    }
};

TEST_F(FavouritesTest, CtrlDAddsCodesOnceAndTheSettingsHaveThemAtOnce) {
    MakeCurrent(kA009);
    Key(window.get(), KEY_s, 0, "s");  // the menu shows "Strg+D": no key of its letters adds
    EXPECT_TRUE(Page()->Lists().Favourites().empty());
    Key(window.get(), KEY_d, CONTROLMASK);
    Key(window.get(), KEY_d, CONTROLMASK);
    MakeCurrent(kChapter);
    Key(window.get(), KEY_d, CONTROLMASK);
    MakeCurrent("A00-A09 - Darm");
    Command(MainWindow::ID_ADD_FAVOURITE);
    ASSERT_EQ(Search("tuberkulose"), 3);
    Probe(*window).resultList()->setCurrentItem(0);
    Command(MainWindow::ID_ADD_FAVOURITE);
    EXPECT_EQ(Page()->Lists().Favourites(), (Codes{"A00.9", "A15"}));
    EXPECT_EQ(SavedSection(kFavouritesSection), (SettingsEntries{{"1", "A00.9"}, {"2", "A15"}}));
    EXPECT_EQ(Lines(PageProbe().favouriteList()),
              (Codes{"A00.9\tCholera, nicht n\xc3\xa4her bezeichnet", "A15\tTuberkulose der Atmungsorgane"}));
}

TEST_F(FavouritesTest, AltFCtrlCAndTabWithoutTheMouse) {
    AddFavourites({"A15", "A00.9"});
    OpenPage();
    FXIconList* favourites = PageProbe().favouriteList();
    FXIconList* recent = PageProbe().recentList();
    FXTabBook* tabs = Probe(*window).tabbook();
    EXPECT_EQ(tabs->getCurrent(), tabs->indexOfChild(Page()) / 2);  // a tab before each page
    EXPECT_EQ(Focused(window.get()), favourites);
    EXPECT_EQ(favourites->getCurrentItem(), 0);
    Key(window.get(), KEY_Down);
    Key(window.get(), KEY_c, CONTROLMASK);
    EXPECT_EQ(Clip(), "A15");
    Key(window.get(), KEY_Up);
    Key(window.get(), KEY_c, CONTROLMASK);
    EXPECT_EQ(Clip(), "A00.9");
    EXPECT_EQ(Lines(recent), (Codes{"A00.9\tCholera, nicht n\xc3\xa4her bezeichnet", "A15\tTuberkulose der Atmungsorgane"}));
    EXPECT_EQ(SavedSection(kRecentSection), (SettingsEntries{{"1", "A00.9"}, {"2", "A15"}}));

    Key(window.get(), KEY_Tab);
    EXPECT_EQ(Focused(window.get()), recent);
    EXPECT_EQ(recent->getCurrentItem(), 0);
    Key(window.get(), KEY_Down);
    Command(MainWindow::ID_COPY_BOTH);  // the list with the focus
    EXPECT_EQ(Clip(), "A15 - Tuberkulose der Atmungsorgane");
    Command(MainWindow::ID_ADD_TO_CASE);
    EXPECT_EQ(Probe(*window).diagnosisPage()->ListText(), "A15");  // "Zur Diagnoseliste", no certainty yet
    EXPECT_EQ(Page()->Lists().Recent(), (Codes{"A15", "A00.9"}));
    Key(window.get(), KEY_Delete);  // removes no favourite from here
    EXPECT_EQ(Page()->Lists().Favourites().size(), 2u);
    Key(window.get(), KEY_Tab);
    EXPECT_EQ(Focused(window.get()), favourites);
    Key(window.get(), KEY_ISO_Left_Tab, SHIFTMASK);
    EXPECT_EQ(Focused(window.get()), PageProbe().filterField());
    OpenPage();  // from the filter field back to the list
    EXPECT_EQ(Focused(window.get()), favourites);
}

TEST_F(FavouritesTest, DeleteRemovesTheCurrentFavouriteAndTheNextTakesItsPlace) {
    AddFavourites({"A00", "A00.9", "A15"});
    OpenPage();
    FXIconList* favourites = PageProbe().favouriteList();
    Key(window.get(), KEY_Down);
    Key(window.get(), KEY_Delete);
    EXPECT_EQ(Page()->Lists().Favourites(), (Codes{"A00", "A15"}));
    EXPECT_EQ(SavedSection(kFavouritesSection), (SettingsEntries{{"1", "A00"}, {"2", "A15"}}));
    EXPECT_EQ(favourites->getCurrentItem(), 1);
    Key(window.get(), KEY_Delete);
    Key(window.get(), KEY_Delete);
    Key(window.get(), KEY_Delete);
    EXPECT_TRUE(Page()->Lists().Favourites().empty());
    EXPECT_TRUE(SavedSection(kFavouritesSection).empty());
    // The hint on the empty page is no entry: nothing copies or shows it.
    ASSERT_EQ(favourites->getNumItems(), 1);
    EXPECT_EQ(favourites->getItemData(0), nullptr);
    Mark();
    ModalCloser closer;
    for (FXuint key : {KEY_c, KEY_d}) Key(window.get(), key, CONTROLMASK);
    Key(window.get(), KEY_Return);
    EXPECT_EQ(Clip(), "<none>");  // refused, as a copy of nothing is
    EXPECT_TRUE(closer.seen.empty());
    EXPECT_TRUE(Page()->Lists().Favourites().empty());
}

TEST_F(FavouritesTest, TheFilterNarrowsBothListsByAllItsWords) {
    AddFavourites({"A00", "A00.9", "A15", "A15.0"});
    for (const char* code : {"A15.00", "A00.0"}) {
        ItemData data(kKindLeafCode, code);
        window->copyCode(&data);
    }
    FXTextField* filter = PageProbe().filterField();
    const struct {
        const char* words;
        Codes favourites, recent;
    } cases[] = {
        {"cholera", {"A00", "A00.9"}, {"A00.0"}},
        {"BEZEICHNET cholera", {"A00.9"}, {}},
        {"a15 tuberkulose", {"A15", "A15.0"}, {"A15.00"}},
        {"lungen gesichert", {}, {"A15.00"}},
        {"", {"A00", "A00.9", "A15", "A15.0"}, {"A00.0", "A15.00"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        filter->setText(c.words, TRUE);  // tells the page, as typing does
        auto codes = [](FXIconList* list) {
            Codes shown;
            for (const std::string& line : Lines(list)) shown.push_back(line.substr(0, line.find('\t')));
            return shown;
        };
        EXPECT_EQ(codes(PageProbe().favouriteList()), c.favourites);
        EXPECT_EQ(codes(PageProbe().recentList()), c.recent);
    }
}

// A favourite of another edition stays, and so does the rest of a damaged
// section.
TEST_F(FavouritesTest, CodesTheCatalogueLacksStayAndDamagedEntriesGo) {
    window.reset();
    FXRegistry& registry = TestApp()->reg();
    const std::pair<const char*, const char*> written[] = {
        {"1", "Z99.9"}, {"2", "junk"}, {"3", ""}, {"4", "a009"}, {"5", "A00.9"}, {"zz", "A15"}};
    for (const auto& [key, value] : written) registry.writeStringEntry(kFavouritesSection, key, value);
    window = OpenWindow(dir.Path());
    EXPECT_EQ(Lines(PageProbe().favouriteList()),
              (Codes{"A00.9\tCholera, nicht n\xc3\xa4her bezeichnet", "A15\tTuberkulose der Atmungsorgane",
                     "Z99.9\tnicht im ge\xc3\xb6" "ffneten Katalog"}));
    // Its line holds a note, not a title: only the code is copied.
    OpenPage();
    PageProbe().favouriteList()->setCurrentItem(2);
    Command(MainWindow::ID_COPY_TEXT);
    EXPECT_EQ(Clip(), "<none>");
    Command(MainWindow::ID_COPY_CODE);
    EXPECT_EQ(Clip(), "Z99.9");
    Page()->AddFavourite("A00");
    EXPECT_EQ(SavedSection(kFavouritesSection),
              (SettingsEntries{{"1", "A00"}, {"2", "A00.9"}, {"3", "A15"}, {"4", "Z99.9"}}));
}

TEST_F(FavouritesTest, EnterShowsDetailsAndTheContextMenuActsOnTheEntryClicked) {
    AddFavourites({"A00", "A00.9"});
    OpenPage();
    FXIconList* favourites = PageProbe().favouriteList();
    {
        ModalCloser closer;
        Key(window.get(), KEY_Down);
        Key(window.get(), KEY_Return);
        ASSERT_EQ(closer.seen.size(), 1u);
        EXPECT_EQ(closer.seen[0].title, "Details");
        EXPECT_EQ(closer.seen[0].labels.at(0), kA009);
    }
    Mark();
    ModalCloser closer(0);  // "Code kopieren"
    FXEvent event{};
    event.code = RIGHTBUTTON;
    event.win_x = 30;
    while (event.win_y < favourites->getHeight() && favourites->getItemAt(30, event.win_y) != 0) ++event.win_y;
    event.win_y += 2;
    event.click_count = 1;
    for (FXSelector type : {SEL_RIGHTBUTTONPRESS, SEL_RIGHTBUTTONRELEASE}) {
        event.type = type;
        favourites->handle(favourites, FXSEL(type, 0), &event);
    }
    ASSERT_EQ(closer.seen.size(), 1u);
    EXPECT_EQ(closer.seen[0].enabled.substr(0, 4), "1111");
    EXPECT_EQ(favourites->getCurrentItem(), 0);
    EXPECT_EQ(Clip(), "A00");
    EXPECT_EQ(Page()->Lists().Recent(), (Codes{"A00"}));
}

TEST_F(FavouritesTest, ImportAddsReportsLinesThatAreNoCodeAndExportWritesOnePerLine) {
    AddFavourites({"A15"});
    TempDir files;
    WriteText(files.File("in.txt"), "A00.9\r\nCholera\n\na15\ne1190\nA00-B99\n");
    const ImportOutcome outcome = Page()->Import(files.File("in.txt"));
    EXPECT_TRUE(outcome.read);
    EXPECT_EQ(std::make_pair(outcome.added, outcome.present), std::make_pair(2, 1));
    ASSERT_EQ(outcome.skipped.size(), 2u);
    EXPECT_EQ(std::make_pair(outcome.skipped[0].number, outcome.skipped[0].text), std::make_pair(2, std::string("Cholera")));
    EXPECT_EQ(outcome.skipped[1].number, 6);
    EXPECT_EQ(SavedSection(kFavouritesSection).size(), 3u);
    EXPECT_FALSE(Page()->Import(files.File("none.txt")).read);

    std::string error;
    ASSERT_TRUE(Page()->Export(files.File("out.txt"), error));
    const std::vector<unsigned char> bytes = ReadAllBytes(files.File("out.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "A00.9\nA15\nE11.90\n");
    EXPECT_FALSE(Page()->Export(files.File("no/such/dir.txt"), error));
    EXPECT_TRUE(Has(error, "no/such/dir.txt"));
}

// kodexa-find reads the file without the toolkit: whatever the toolkit
// writes, quoted or not, must read back the same.
TEST_F(FavouritesTest, TheReaderReadsWhatTheToolkitWrites) {
    const std::pair<const char*, const char*> values[] = {
        {"1", "A00.9"},          {"2", " leading blank"},  {"3", "trailing blank "},
        {"4", "say \"so\""},     {"5", "back\\slash"},     {"6", "tab\there\nand line"},
        {"7", "\xc3\xa4\xc3\xb6\xc3\xbc \xe2\x80\xa0"},   {"8", "# not a comment"}, {"9", "x=y"},
        {"10", "\x01\x7f"},      {"11", ""},
    };
    FXRegistry& registry = TestApp()->reg();
    SettingsEntries expected;
    for (const auto& [key, value] : values) {
        registry.writeStringEntry(kRecentSection, key, value);
        expected.emplace_back(key, value);
    }
    ASSERT_TRUE(registry.write());
    SettingsEntries read = SavedSection(kRecentSection);
    std::sort(read.begin(), read.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(read, expected);
}

}  // namespace
}  // namespace test
}  // namespace kodexa
