// The favourites' rules, the settings file as kodexa-find reads it, and the
// code lists of export and import.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "catalogue/favourites.h"
#include "catalogue/settings_file.h"
#include "import/transition_source.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa {
namespace {

using Codes = std::vector<std::string>;

TEST(Favourites, AddTakesSingleCodesOnceAndKeepsCodeOrder) {
    FavouriteLists lists;
    const std::pair<const char*, bool> adds[] = {
        {"E11.90", true}, {"A00.9", true}, {"a009", false},  // the same code as written by hand
        {"A00", true},    {" B99\t", true}, {"H36.0*", true}, {"H36.0", false},
        {"A00-B99", false}, {"A00-A09", false}, {"E11.-", false}, {"E11.9-", false}, {"", false}, {"Cholera", false},
    };
    for (const auto& [written, added] : adds) EXPECT_EQ(lists.AddFavourite(written), added) << written;
    EXPECT_EQ(lists.Favourites(), (Codes{"A00", "A00.9", "B99", "E11.90", "H36.0"}));
    EXPECT_TRUE(lists.RemoveFavourite("A00.9"));
    EXPECT_FALSE(lists.RemoveFavourite("A00.9"));
    EXPECT_EQ(lists.Favourites(), (Codes{"A00", "B99", "E11.90", "H36.0"}));
}

TEST(Favourites, RecentKeepsTheNewestTwentyOnceEach) {
    FavouriteLists lists;
    for (int i = 0; i < 25; ++i) EXPECT_TRUE(lists.NoteCopied("A" + std::to_string(10 + i)));
    ASSERT_EQ(lists.Recent().size(), FavouriteLists::kRecentLimit);
    EXPECT_EQ(lists.Recent().front(), "A34");
    EXPECT_EQ(lists.Recent().back(), "A15");
    EXPECT_FALSE(lists.NoteCopied("a34"));  // in front already
    EXPECT_FALSE(lists.NoteCopied("A00-B99"));
    EXPECT_TRUE(lists.NoteCopied("A20"));  // moves to the front, is not there twice
    EXPECT_EQ(lists.Recent().size(), 20u);
    EXPECT_EQ((Codes{lists.Recent().begin(), lists.Recent().begin() + 3}), (Codes{"A20", "A34", "A33"}));
    EXPECT_EQ(lists.Recent().back(), "A15");
    EXPECT_TRUE(lists.NoteCopied("B00"));
    EXPECT_EQ(lists.Recent().back(), "A16");
}

// A file written by hand or damaged: what is a code is kept, the rest left out.
TEST(Favourites, DamagedSettingsKeepWhatIsSound) {
    const SettingsEntries favourites = {{"1", "A00.9"}, {"2", ""},      {"3", "   "},    {"4", "xyz"},
                                        {"5", "a009"},  {"x", "B99"},   {"6", "E11.-"},  {"7", "A00.9 G"},
                                        {"", "C00"},    {"8", "\xff\xfe"}};
    const SettingsEntries recent = {{"3", "Z99"}, {"1", "A00"}, {"abc", "B00"}, {"2", "a00"},
                                    {"-1", "C00"}, {"0010", "D00"}, {"9999999999", "E00"}, {"4", ""}};
    const FavouriteLists lists = FavouriteLists::FromSettings(favourites, recent);
    EXPECT_EQ(lists.Favourites(), (Codes{"A00.9", "B99", "C00"}));
    EXPECT_EQ(lists.Recent(), (Codes{"A00", "Z99", "D00"}));
}

TEST(Favourites, HundredThousandEntriesStopAtTheLimits) {
    SettingsEntries entries;
    for (int i = 0; i < 100000; ++i) {
        const int n = i % 26000;  // repeats too
        const std::string code = std::string(1, char('A' + n / 1000)) + std::to_string(10 + n / 10 % 90) + "." +
                                 std::to_string(n % 10) + std::to_string(i / 26000);
        entries.emplace_back(std::to_string(i + 1), code);
    }
    FavouriteLists lists = FavouriteLists::FromSettings(entries, entries);
    EXPECT_EQ(lists.Favourites().size(), FavouriteLists::kFavouriteLimit);
    EXPECT_EQ(lists.Recent().size(), FavouriteLists::kRecentLimit);
    EXPECT_EQ(lists.Recent().front(), "A10.00");
    EXPECT_FALSE(lists.AddFavourite("Z99.99"));  // full
    EXPECT_TRUE(lists.RemoveFavourite(lists.Favourites().front()));
    EXPECT_TRUE(lists.AddFavourite("Z99.99"));
}

TEST(Favourites, FilterFindsWhatTheSearchFinds) {
    const std::string title = "Diabetes mellitus, Typ 2: Ohne Komplikationen \xc3\x9c" "bergewicht";
    const std::pair<const char*, bool> cases[] = {
        {"", true},           {"  ", true},         {"typ diabetes", true}, {"DIABETES e11", true},
        {"\xc3\xbc" "ber", true}, {"typ 3", false},  {"diabetes insulin", false}, {"e11.9 ohne", true}, {"diabetis", true},  // a slip, as the search forgives it
    };
    for (const auto& [filter, matches] : cases) EXPECT_EQ(EntryFilter(filter).Matches("E11.90", title), matches) << filter;
}

TEST(Favourites, CodeListsReportTheLinesThatAreNoCode) {
    const CodeList list = ReadCodeList("\xef\xbb\xbf" "A00.9\r\n\n  e1190 \nCholera\nA00-B99\r\nB99");
    EXPECT_EQ(list.codes, (Codes{"A00.9", "E11.90", "B99"}));
    ASSERT_EQ(list.notCodes.size(), 2u);
    EXPECT_EQ(list.notCodes[0].number, 4);
    EXPECT_EQ(list.notCodes[0].text, "Cholera");
    EXPECT_EQ(list.notCodes[1].number, 5);
    EXPECT_EQ(list.notCodes[1].text, "A00-B99");
    EXPECT_EQ(WriteCodeList({"A00.9", "B99"}), "A00.9\nB99\n");
    EXPECT_EQ(ReadCodeList(WriteCodeList({"A00.9", "B99"})).codes, (Codes{"A00.9", "B99"}));
}

TEST(SettingsFile, SectionsAsTheToolkitReadsThem) {
    const std::string text =
        "# comment\n"
        "[1.0]\nfirststart=1\n"
        "[favourites]\n"
        "  1 = A00.9  \t\n"
        "2=E11.90\r\n"
        "3=\"B\\x39\\x39\"\n"
        "no equals sign\n"
        "=no key\n"
        "; 4=commented\n"
        "5=\"a \\\"q\\\" \\\\ \\t\"\n"
        "1=A01\n"
        "[broken\n"
        "6=still favourites\n"
        "  [other]  \n"
        "7=other\n"
        "[favourites]\n"
        "8=back\n";
    const SettingsEntries entries = SettingsSection(text, "favourites");
    EXPECT_EQ(entries, (SettingsEntries{{"1", "A01"},
                                        {"2", "E11.90"},
                                        {"3", "B99"},
                                        {"5", "a \"q\" \\ \t"},
                                        {"6", "still favourites"},
                                        {"8", "back"}}));
    EXPECT_EQ(SettingsSection(text, "other"), (SettingsEntries{{"7", "other"}}));
    EXPECT_TRUE(SettingsSection(text, "recent").empty());
    EXPECT_TRUE(SettingsSection("[favourites]\n1=\"unclosed", "favourites") == (SettingsEntries{{"1", "unclosed"}}));
}

TEST(Favourites, TitlesFromTheCatalogueOrWhereTheCodeIsMissingWithItsSuccessor) {
    test::TempDir dir;
    test::WriteSampleCatalogue(dir.Path());
    TransitionTable table;
    table.years = {"2023", "2024", "icd10gm2024syst_umsteiger_2023_2024.txt"};
    table.pairs = {{"X01.1", "A00.9", true, false},
                   {"X02", "A15.0", false, true},
                   {"X02", "A15.00", false, true},
                   {"X03", "", false, false}};
    std::string error;
    ASSERT_TRUE(WriteTransitionFiles(table, dir.Path(), error)) << error;
    Catalogue catalogue(dir.Path());
    ASSERT_EQ(catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading), 0);
    const Edition gm2024{EditionKind::GermanModification, "2024"};
    const std::pair<const char*, const char*> titles[] = {
        {"A00.9", "Cholera, nicht n\xc3\xa4her bezeichnet"},
        {"A15.0", "Lungentuberkulose"},  // the index keeps seven characters: not A15.00's title
        {"X01.1", "nicht in ICD-10-GM 2024"},  // the table is not open yet
    };
    for (const auto& [code, title] : titles) EXPECT_EQ(FavouriteTitle(catalogue, code, gm2024), title) << code;
    EXPECT_EQ(FavouriteTitle(catalogue, "Z99", Edition()), "nicht im ge\xc3\xb6" "ffneten Katalog");
    ASSERT_EQ(catalogue.OpenIfPresent(CatalogueFile::Transitions), OptionalState::Open);
    const std::pair<const char*, const char*> successions[] = {
        {"X01.1", "nicht in ICD-10-GM 2024, Nachfolger: A00.9"},
        {"X02", "nicht in ICD-10-GM 2024, Nachfolger zur Wahl: A15.0, A15.00"},
        {"X03", "nicht in ICD-10-GM 2024, ohne Nachfolger"},
        {"Z99", "nicht in ICD-10-GM 2024"},
    };
    for (const auto& [code, title] : successions) {
        bool inCatalogue = true;
        EXPECT_EQ(FavouriteTitle(catalogue, code, gm2024, &inCatalogue), title) << code;
        EXPECT_FALSE(inCatalogue);
    }
}

}  // namespace
}  // namespace kodexa
