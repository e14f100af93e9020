// The tree walk: labels, kinds, placement by level, cursor moves, and how
// it stops on missing indexes and unreadable records.
#include <gtest/gtest.h>

#include "catalogue/catalogue_sink.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

// Keeps every item; a handle is 1 + the item's position.
struct RecordingTree : TreeSink {
    struct Node {
        intptr_t parent;  // 0 at the top
        std::string label;
        IconRole icon;
        ItemKind kind;
        std::string code;
    };
    Item AddItem(Item parent, const std::string& label, IconRole icon, ItemKind kind, const std::string& code) override {
        items.push_back({reinterpret_cast<intptr_t>(parent), label, icon, kind, code});
        return reinterpret_cast<Item>(static_cast<intptr_t>(items.size()));
    }
    // The items as the tree shows them, two blanks per depth.
    std::string Outline(intptr_t parent = 0, int depth = 0) const {
        std::string lines;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].parent == parent)
                lines += std::string(2 * depth, ' ') + items[i].label + "\n" + Outline(intptr_t(i + 1), depth + 1);
        return lines;
    }
    std::vector<Node> items;
};

class TreeWalk : public ::testing::Test {
protected:
    bool Fill() {
        CatalogueDbs dbs(dir.Path(), 0);
        testing::internal::CaptureStdout();
        bool complete = FillChapterTree(dbs.chapters, dbs.groups, dbs.codes, tree);
        printed = testing::internal::GetCapturedStdout();
        return complete;
    }
    TempDir dir;
    RecordingTree tree;
    std::string printed;
};

TEST_F(TreeWalk, EmptyCatalogueShowsOneEmptyChapterWithOneEmptyGroup) {
    WriteCatalogue(dir.Path(), {}, {}, {});
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), " - \n   - \n");
    EXPECT_EQ(tree.items[0].kind, kKindChapter);
    EXPECT_EQ(tree.items[1].kind, kKindGroup);
    EXPECT_EQ(printed, "");
}

TEST_F(TreeWalk, ChaptersGroupsAndCodesNestByLevel) {
    WriteSampleCatalogue(dir.Path());
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), SampleOutline());
    std::vector<std::string> codes;
    for (const auto& item : tree.items) codes.push_back(item.code);
    EXPECT_EQ(codes, (std::vector<std::string>{"A00-B99", "A00-A09", "A00", "A00.0", "A00.9", "A15-A19", "A15",
                                               "A15.0", "A15.00", "C00-D48", "C00-C14", "C00"}));
}

TEST_F(TreeWalk, BranchMarkDecidesIconAndKind) {
    const char marks[] = {'N', 'T', 'n', 0};
    std::vector<Code> codes;
    for (char mark : marks) codes.push_back({"A0" + std::to_string(codes.size()), "t", "3", "K", "G", mark});
    WriteCatalogue(dir.Path(), {{"K", "k"}}, {{"G", "g"}}, codes);
    ASSERT_TRUE(Fill());
    ASSERT_EQ(tree.items.size(), 6u);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(tree.items[i].icon, IconRole::Folder);
    EXPECT_EQ(std::make_pair(tree.items[2].icon, tree.items[2].kind), std::make_pair(IconRole::Folder, kKindBranchCode));
    for (int i = 3; i < 6; ++i)
        EXPECT_EQ(std::make_pair(tree.items[i].icon, tree.items[i].kind), std::make_pair(IconRole::Page, kKindLeafCode));
}

// A04's level is unknown; it still opens the second chapter and group.
TEST_F(TreeWalk, UnknownLevelsGetNoItemButStillMoveTheCursors) {
    WriteCatalogue(dir.Path(), {{"A", "eins"}, {"B", "zwei"}}, {{"A1", "g1"}, {"B1", "g2"}},
                   {{"A01", "drei", "3", "A", "A1"}, {"A02", "blank", "3 ", "A", "A1"}, {"A03", "sechs", "6", "A", "A1"},
                    {"A04", "leer", "", "B", "B1"}, {"A05", "drei", "3", "B", "B1"}});
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), "A - eins\n  A1 - g1\n    A01 - drei\nB - zwei\n  B1 - g2\n    A05 - drei\n");
}

// Before any level-3 item, level 4 goes to the top; after a new group it
// goes under the previous group's last level-3 item.
TEST_F(TreeWalk, LastLevelThreeAndFourItemsCarryAcrossGroups) {
    WriteCatalogue(dir.Path(), {{"A", "k"}}, {{"A1", "g1"}, {"A2", "g2"}},
                   {{"A00.0", "vier zuerst", "4", "A", "A1"}, {"A00.00", "fuenf", "5", "A", "A1"},
                    {"A01", "drei", "3", "A", "A1"}, {"A02.0", "vier neu", "4", "A", "A2"},
                    {"A02.00", "fuenf neu", "5", "A", "A2"}, {"A03", "drei", "3", "A", "A2"}});
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), "A - k\n  A1 - g1\n    A01 - drei\n      A02.0 - vier neu\n        A02.00 - fuenf neu\n"
                              "  A2 - g2\n    A03 - drei\nA00.0 - vier zuerst\n  A00.00 - fuenf\n");
}

TEST_F(TreeWalk, ChapterCursorThatCannotMoveKeepsTheOldChapter) {
    WriteCatalogue(dir.Path(), {{"A", "einzig"}}, {{"A1", "g1"}, {"B1", "g2"}},
                   {{"A01", "a", "3", "A", "A1"}, {"B01", "b", "3", "B", "B1"}});
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), "A - einzig\n  A1 - g1\n    A01 - a\n  B1 - g2\n    B01 - b\n");
    EXPECT_EQ(printed, "");
}

TEST_F(TreeWalk, MissingIndexStopsBeforeAnyItem) {
    WriteSampleCatalogue(dir.Path());
    const std::pair<CatalogueFile, const char*> cases[] = {{CatalogueFile::Chapters, "No Index for Kapitel:0\n"},
                                                           {CatalogueFile::Groups, "No Index for Group:0\n"},
                                                           {CatalogueFile::Codes, "No Index for Code:0\n"}};
    for (const auto& [missing, line] : cases) {
        CatalogueDbs dbs(dir.Path(), 0);
        ASSERT_EQ(dbs.Db(missing).Close(), kNoError);
        RecordingTree sink;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(FillChapterTree(dbs.chapters, dbs.groups, dbs.codes, sink));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), line);
        EXPECT_TRUE(sink.items.empty());
    }
}

TEST_F(TreeWalk, UnreadableCodeStopsTheWalkWithTheItemsSoFar) {
    const std::pair<const char*, size_t> cases[] = {{"A00", 0}, {"A15", 5}};
    for (const auto& [spoilt, itemsBefore] : cases) {
        WriteSampleCatalogue(dir.Path());
        SpoilCode(dir.Path(), spoilt);
        tree.items.clear();
        EXPECT_FALSE(Fill()) << spoilt;
        EXPECT_EQ(printed, "Error reading the object\n");
        EXPECT_EQ(tree.Outline(), std::string(SampleOutline()).substr(0, tree.Outline().size())) << spoilt;
        EXPECT_EQ(tree.items.size(), itemsBefore) << spoilt;
        for (const char* name : {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx"})
            std::remove(dir.File(name).c_str());
    }
}

}  // namespace
}  // namespace kodexa::test
