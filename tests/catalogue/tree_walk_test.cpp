// The tree walk: labels, kinds, placement by level, cursor moves, and how
// it stops on missing indexes and unreadable records.
#include <gtest/gtest.h>

#include "catalogue/catalogue_sink.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/tools/tool_run.h"

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
        tree.items.clear();
        return FillChapterTree(dbs.chapters, dbs.groups, dbs.codes, tree).complete;
    }
    TempDir dir;
    RecordingTree tree;
};

// The branch mark decides icon and kind: only 'N' makes a branch. A code of
// unknown level gets no item; one naming a chapter past the last stays in
// the last chapter.
TEST_F(TreeWalk, ChaptersGroupsAndCodesNestByLevel) {
    WriteSampleCatalogue(dir.Path());
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), SampleOutline());
    WriteCatalogue(dir.Path(), {}, {},
                   {{"C01", "t", "3", "", "", 'n'}, {"C02", "t", "3", "", "", '\0'}, {"C03", "t", "6"},
                    {"C04", "t", "3", "Z"}});
    EXPECT_TRUE(Fill());
    std::string codes, kinds;
    for (const auto& item : tree.items) {
        codes += item.code + " ";
        kinds += "BLGC"[item.kind];
        EXPECT_EQ(item.icon == IconRole::Folder, item.kind != kKindLeafCode) << item.label;
    }
    EXPECT_EQ(codes, "A00-B99 A00-A09 A00 A00.0 A00.9 A15-A19 A15 A15.0 A15.00 C00-D48 C00-C14 C00 C01 C02 C04 ");
    EXPECT_EQ(kinds, "CGBLLGBBLCGLLLL");
}

// A code goes under the last item of the level above only when that item is
// its own parent in the same group; otherwise under the nearest such parent
// or its group (older editions list X84.9 without X84).
TEST_F(TreeWalk, CodesWithoutTheirParentGoUnderTheirGroup) {
    WriteCatalogue(dir.Path(), {{"A", "k"}}, {{"A1", "g1"}, {"A2", "g2"}},
                   {{"A00.0", "vier zuerst", "4", "A", "A1"}, {"A00.00", "fuenf", "5", "A", "A1"},
                    {"A01", "drei", "3", "A", "A1"}, {"A01.0", "vier", "4", "A", "A1"},
                    {"A01.11", "fuenf ohne vier", "5", "A", "A1"}, {"A01.2", "vier", "4", "A", "A2"},
                    {"A02.0", "vier neu", "4", "A", "A2"}, {"A02.00", "fuenf neu", "5", "A", "A2"},
                    {"A03", "drei", "3", "A", "A2"}, {"A03.00", "fuenf unter drei", "5", "A", "A2"}});
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), "A - k\n  A1 - g1\n    A00.0 - vier zuerst\n      A00.00 - fuenf\n    A01 - drei\n"
                              "      A01.0 - vier\n      A01.11 - fuenf ohne vier\n  A2 - g2\n    A01.2 - vier\n"
                              "    A02.0 - vier neu\n      A02.00 - fuenf neu\n    A03 - drei\n"
                              "      A03.00 - fuenf unter drei\n");
}

// Chapter XX as the 2009 edition lists it, imported from files in the layout
// used before 2011: X84.9 and Y09.9 have no three-character code.
TEST_F(TreeWalk, OldEditionCodesWithoutThreeCharacterCodeStayInTheirGroup) {
    TempDir source;
    WriteText(source.File("icd10gmsyst_kapitel2009.txt"), "20;Aeussere Ursachen\r\n");
    WriteText(source.File("icd10gmsyst_gruppen2009.txt"),
              "X60;X84;20;Vorsaetzliche Selbstbeschaedigung\r\nX85;Y09;20;Taetlicher Angriff\r\n");
    WriteText(source.File("icd10gmsyst_kodes2009.txt"),
              "3;T;X;20;X60;X83.-;X83;X83;Selbstbeschaedigung auf sonstige Weise\r\n"
              "4;T;X;20;X60;X84.9;X84.9;X849;Absichtliche Selbstbeschaedigung\r\n"
              "3;T;X;20;X85;X85.-;X85;X85;Taetlicher Angriff mit Drogen\r\n"
              "4;T;X;20;X85;Y09.9;Y09.9;Y099;Taetlicher Angriff\r\n");
    ASSERT_EQ(Import(source.Path(), dir.Path()), "0 ");
    EXPECT_TRUE(Fill());
    EXPECT_EQ(tree.Outline(), "X60-Y09 - Aeussere Ursachen\n  X60-X84 - Vorsaetzliche Selbstbeschaedigung\n"
                              "    X83 - Selbstbeschaedigung auf sonstige Weise\n"
                              "    X84.9 - Absichtliche Selbstbeschaedigung\n  X85-Y09 - Taetlicher Angriff\n"
                              "    X85 - Taetlicher Angriff mit Drogen\n    Y09.9 - Taetlicher Angriff\n");
}

// A first code that cannot be read stops the walk before any item; one read
// later keeps the items so far, as kodexa-find's tests show. The walk's
// status names the record file and what was wrong, and nothing is printed.
TEST_F(TreeWalk, UnreadableCodeStopsTheWalkWithTheItemsSoFar) {
    WriteSampleCatalogue(dir.Path());
    SpoilCode(dir.Path(), "A00");
    CatalogueDbs dbs(dir.Path(), 0);
    ::testing::internal::CaptureStdout();
    const TreeResult result = FillChapterTree(dbs.chapters, dbs.groups, dbs.codes, tree);
    const WalkStatus& status = result.status;
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(status.Failed());
    EXPECT_EQ(status.code, kWrongObjectType);
    EXPECT_EQ(status.file, dbs.codes.DataFile()->FileName());
    EXPECT_NE(status.file.find("data3.dat"), std::string::npos) << status.file;
    EXPECT_EQ(status.reason, StoreErrorMessage(kWrongObjectType));
    EXPECT_TRUE(tree.items.empty());
}

}  // namespace
}  // namespace kodexa::test
