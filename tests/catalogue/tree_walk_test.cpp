// The tree walk: labels, kinds, placement by level, cursor moves and how it
// stops on missing indexes and unreadable records.
#include <gtest/gtest.h>

#include <memory>

#include "catalogue/catalogue_sink.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

// Keeps every item; handles are 1 + the item's position.
class RecordingTree : public TreeSink {
public:
    struct Item {
        int parent;  // -1 at the top
        std::string label, code;
        IconRole icon;
        ItemKind kind;
    };

    TreeSink::Item AddItem(TreeSink::Item parent, const std::string& label, IconRole icon, ItemKind kind,
                           const std::string& code) override {
        items.push_back({static_cast<int>(reinterpret_cast<intptr_t>(parent)) - 1, label, code, icon, kind});
        return reinterpret_cast<TreeSink::Item>(static_cast<intptr_t>(items.size()));
    }

    // One line per item in the order the tree shows them, two blanks per depth.
    std::vector<std::string> Outline() const {
        std::vector<std::string> lines;
        AppendChildren(-1, 0, lines);
        return lines;
    }
    const Item& Labelled(const std::string& label) const {
        for (const Item& item : items)
            if (item.label == label) return item;
        ADD_FAILURE() << "no item " << label;
        return items.front();
    }

    std::vector<Item> items;

private:
    void AppendChildren(int parent, int depth, std::vector<std::string>& lines) const {
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].parent != parent) continue;
            lines.push_back(std::string(2 * depth, ' ') + items[i].label);
            AppendChildren(static_cast<int>(i), depth + 1, lines);
        }
    }
};

class TreeWalk : public ::testing::Test {
protected:
    std::string Dir() const { return dir.Path() + "/"; }
    // Opens the catalogue, walks it and keeps what the walk printed.
    bool Fill() {
        CatalogueDbs dbs(Dir());
        testing::internal::CaptureStdout();
        bool complete = FillChapterTree(dbs.chapters, dbs.groups, dbs.codes, tree);
        printed = testing::internal::GetCapturedStdout();
        return complete;
    }
    // Overwrites the class tag of the stored code record.
    void SpoilCode(const std::string& code) {
        CatalogueDbs dbs(Dir());
        CodeRecord record(&dbs.codes);
        record.code = code;
        ASSERT_EQ(record.Find(), 1);
        StoredUInt32 tag = 1025;
        ASSERT_EQ(dbs.codes.DataFile()->Write(&tag, 4, record.Address(), 1, 1), kNoError);
    }

    TempDir dir;
    RecordingTree tree;
    std::string printed;
};

TEST_F(TreeWalk, EmptyCatalogueShowsOneEmptyChapterWithOneEmptyGroup) {
    WriteCatalogue(Dir(), {}, {}, {});
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), (std::vector<std::string>{" - ", "   - "}));
    EXPECT_EQ(tree.items[0].kind, kKindChapter);
    EXPECT_EQ(tree.items[1].kind, kKindGroup);
    EXPECT_EQ(printed, "");
}

TEST_F(TreeWalk, ChaptersGroupsAndCodesNestByLevel) {
    WriteSampleCatalogue(Dir());
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), (std::vector<std::string>{
                                  "A00-B99 - Infektionen",
                                  "  A00-A09 - Darm",
                                  "    A00 - Cholera",
                                  "      A00.0 - Cholera durch Vibrio",
                                  "      A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet",
                                  "  A15-A19 - Tuberkulose",
                                  "    A15 - Tuberkulose der Atmungsorgane",
                                  "      A15.0 - Lungentuberkulose",
                                  "        A15.00 - Lungentuberkulose, gesichert",
                                  "C00-D48 - Neubildungen",
                                  "  C00-C14 - Lippe",
                                  "    C00 - B\xc3\xb6sartige Neubildung der Lippe",
                              }));
    EXPECT_EQ(tree.Labelled("A00-B99 - Infektionen").code, "A00-B99");
    EXPECT_EQ(tree.Labelled("A15-A19 - Tuberkulose").code, "A15-A19");
    EXPECT_EQ(tree.Labelled("A15.0 - Lungentuberkulose").code, "A15.0");
}

TEST_F(TreeWalk, BranchMarkDecidesIconAndKind) {
    struct Case {
        char mark;
        IconRole icon;
        ItemKind kind;
    } cases[] = {{'N', IconRole::Folder, kKindBranchCode},
                 {'T', IconRole::Page, kKindLeafCode},
                 {'n', IconRole::Page, kKindLeafCode},
                 {0, IconRole::Page, kKindLeafCode}};
    std::vector<Code> codes;
    for (const Case& c : cases) codes.push_back({std::string("A0") + char('0' + codes.size()), "t", "3", "K", "G", c.mark});
    WriteCatalogue(Dir(), {{"K", "k"}}, {{"G", "g"}}, codes);
    ASSERT_TRUE(Fill());
    ASSERT_EQ(tree.items.size(), 2 + codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(tree.items[2 + i].icon, cases[i].icon) << "mark " << int(cases[i].mark);
        EXPECT_EQ(tree.items[2 + i].kind, cases[i].kind) << "mark " << int(cases[i].mark);
    }
    EXPECT_EQ(tree.items[0].icon, IconRole::Folder);
    EXPECT_EQ(tree.items[1].icon, IconRole::Folder);
}

// A04 has a level the tree does not know; it still opens the second
// chapter and group, so A05 goes there.
TEST_F(TreeWalk, UnknownLevelsGetNoItemButStillMoveTheCursors) {
    WriteCatalogue(Dir(), {{"A", "eins"}, {"B", "zwei"}}, {{"A1", "g1"}, {"B1", "g2"}},
                   {{"A01", "drei", "3", "A", "A1"},
                    {"A02", "blank", "3 ", "A", "A1"},
                    {"A03", "sechs", "6", "A", "A1"},
                    {"A04", "leer", "", "B", "B1"},
                    {"A05", "drei", "3", "B", "B1"}});
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), (std::vector<std::string>{"A - eins", "  A1 - g1", "    A01 - drei", "B - zwei",
                                                        "  B1 - g2", "    A05 - drei"}));
}

TEST_F(TreeWalk, LastLevelThreeAndFourItemsCarryAcrossGroups) {
    WriteCatalogue(Dir(), {{"A", "k"}}, {{"A1", "g1"}, {"A2", "g2"}},
                   {{"A00.0", "vier zuerst", "4", "A", "A1"},
                    {"A00.00", "fuenf", "5", "A", "A1"},
                    {"A01", "drei", "3", "A", "A1"},
                    {"A01.0", "vier", "4", "A", "A1"},
                    {"A02.0", "vier nach neuer Gruppe", "4", "A", "A2"},
                    {"A02.00", "fuenf nach neuer Gruppe", "5", "A", "A2"},
                    {"A03", "drei", "3", "A", "A2"}});
    EXPECT_TRUE(Fill());
    // Before any level-3 item, level 4 lands at the top, after the chapter.
    EXPECT_EQ(tree.Outline(), (std::vector<std::string>{"A - k",
                                                        "  A1 - g1",
                                                        "    A01 - drei",
                                                        "      A01.0 - vier",
                                                        "      A02.0 - vier nach neuer Gruppe",
                                                        "        A02.00 - fuenf nach neuer Gruppe",
                                                        "  A2 - g2",
                                                        "    A03 - drei",
                                                        "A00.0 - vier zuerst",
                                                        "  A00.00 - fuenf"}));
}

TEST_F(TreeWalk, ChapterCursorThatCannotMoveKeepsTheOldChapter) {
    WriteCatalogue(Dir(), {{"A", "einzig"}}, {{"A1", "g1"}, {"B1", "g2"}},
                   {{"A01", "a", "3", "A", "A1"}, {"B01", "b", "3", "B", "B1"}});
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(),
              (std::vector<std::string>{"A - einzig", "  A1 - g1", "    A01 - a", "  B1 - g2", "    B01 - b"}));
    EXPECT_EQ(printed, "");
}

TEST_F(TreeWalk, MissingIndexStopsBeforeAnyItem) {
    WriteSampleCatalogue(Dir());
    struct Case {
        CatalogueFile missing;
        const char* line;
    } cases[] = {{CatalogueFile::Chapters, "No Index for Kapitel:0\n"},
                 {CatalogueFile::Groups, "No Index for Group:0\n"},
                 {CatalogueFile::Codes, "No Index for Code:0\n"}};
    for (const Case& c : cases) {
        ObjectDatabase dbs[3];
        for (CatalogueFile which : {CatalogueFile::Groups, CatalogueFile::Chapters, CatalogueFile::Codes})
            if (which != c.missing) {
                ASSERT_EQ(OpenCatalogueDatabase(dbs[int(which)], Dir(), which, 0), kNoError);
            }
        RecordingTree sink;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(FillChapterTree(dbs[int(CatalogueFile::Chapters)], dbs[int(CatalogueFile::Groups)],
                                     dbs[int(CatalogueFile::Codes)], sink));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line);
        EXPECT_TRUE(sink.items.empty());
    }
}

TEST_F(TreeWalk, UnreadableCodeStopsTheWalkWithTheItemsSoFar) {
    WriteSampleCatalogue(Dir());
    SpoilCode("A15");
    EXPECT_FALSE(Fill());
    EXPECT_EQ(printed, "Error reading the object\n");
    EXPECT_EQ(tree.Outline(), (std::vector<std::string>{"A00-B99 - Infektionen", "  A00-A09 - Darm", "    A00 - Cholera",
                                                        "      A00.0 - Cholera durch Vibrio",
                                                        "      A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet"}));
}

TEST_F(TreeWalk, UnreadableFirstRecordStopsBeforeAnyItem) {
    WriteSampleCatalogue(Dir());
    SpoilCode("A00");
    EXPECT_FALSE(Fill());
    EXPECT_EQ(printed, "Error reading the object\n");
    EXPECT_TRUE(tree.items.empty());
}

}  // namespace
}  // namespace kodexa::test
