// One forward pass over the code index. Chapters and groups are not looked
// up by key: their cursors move one entry on whenever a code names another
// chapter or group, which works because the three indexes list chapters,
// groups and codes in the same order and every chapter and group has codes.
#include <cstdio>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"

namespace kodexa {

namespace {

constexpr int kSyncHeader = 1;

void Diagnose(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

std::string Label(const CatalogueRecord& record) {
    return TextOrEmpty(record.code) + " - " + TextOrEmpty(record.title);
}

// One index with the record its entries lead to.
struct Cursor {
    BtreeIndex* index;
    CatalogueRecord& record;
    CatalogueKey key;
    CatalogueKey scratch;

    // An empty index is no failure: the record then keeps absent texts.
    bool ReadFirst() { return !index->FindFirst(key, kSyncHeader) || record.ReadAt(key.ObjectAddress()); }
    bool Advance() { return index->FindNext(key, scratch, kSyncHeader) && record.ReadAt(key.ObjectAddress()); }
};

class TreeWalk {
public:
    TreeWalk(TreeSink& sink, Cursor& chapters, Cursor& groups, Cursor& codes, CodeRecord& code)
        : sink(sink), chapters(chapters), groups(groups), codes(codes), code(code) {}

    bool Run() {
        if (!chapters.ReadFirst() || !groups.ReadFirst() || !codes.ReadFirst()) {
            Diagnose("Error reading the object");
            return false;
        }
        // The first code's chapter and group are taken as given, not compared.
        currentChapterCode = TextOrEmpty(chapters.record.code);
        currentGroupCode = TextOrEmpty(groups.record.code);
        chapterItem = AddHeading(TreeSink::kTopLevel, chapters.record, kKindChapter);
        groupItem = AddHeading(chapterItem, groups.record, kKindGroup);
        PlaceCode();
        while (codes.index->FindNext(codes.key, codes.scratch, kSyncHeader)) {
            if (!code.ReadAt(codes.key.ObjectAddress())) {
                Diagnose("Error reading the object");
                return false;
            }
            if (Differs(code.chapterCode, currentChapterCode) && chapters.Advance()) {
                currentChapterCode = TextOrEmpty(chapters.record.code);
                chapterItem = AddHeading(TreeSink::kTopLevel, chapters.record, kKindChapter);
            }
            if (Differs(code.groupCode, currentGroupCode) && groups.Advance()) {
                currentGroupCode = TextOrEmpty(groups.record.code);
                groupItem = AddHeading(chapterItem, groups.record, kKindGroup);
            }
            PlaceCode();
        }
        return true;
    }

private:
    static bool Differs(const RecordText& named, const std::string& current) { return named && *named != current; }

    TreeSink::Item AddHeading(TreeSink::Item parent, CatalogueRecord& record, ItemKind kind) {
        TreeSink::Item item = sink.AddItem(parent, Label(record), IconRole::Folder, kind, TextOrEmpty(record.code));
        record.ReleaseTexts();
        return item;
    }

    // The level decides the parent; the last level-3 and level-4 items stay
    // in force across group and chapter changes.
    void PlaceCode() {
        if (code.level) {
            if (*code.level == "3")
                lastLevel3 = AddCode(groupItem);
            else if (*code.level == "4")
                lastLevel4 = AddCode(lastLevel3);
            else if (*code.level == "5")
                AddCode(lastLevel4);
        }
        code.ReleaseTexts();
    }

    TreeSink::Item AddCode(TreeSink::Item parent) {
        bool branch = code.branchMark == 'N';
        return sink.AddItem(parent, Label(code), branch ? IconRole::Folder : IconRole::Page,
                            branch ? kKindBranchCode : kKindLeafCode, TextOrEmpty(code.code));
    }

    TreeSink& sink;
    Cursor& chapters;
    Cursor& groups;
    Cursor& codes;
    CodeRecord& code;
    std::string currentChapterCode, currentGroupCode;
    TreeSink::Item chapterItem = TreeSink::kTopLevel;
    TreeSink::Item groupItem = TreeSink::kTopLevel;
    TreeSink::Item lastLevel3 = TreeSink::kTopLevel;
    TreeSink::Item lastLevel4 = TreeSink::kTopLevel;
};

}  // namespace

bool FillChapterTree(ObjectDatabase& chapterDb, ObjectDatabase& groupDb, ObjectDatabase& codeDb, TreeSink& sink) {
    BtreeIndex* chapterIndex = chapterDb.Index(0);
    if (chapterIndex == nullptr) return Diagnose("No Index for Kapitel:0"), false;
    BtreeIndex* groupIndex = groupDb.Index(0);
    if (groupIndex == nullptr) return Diagnose("No Index for Group:0"), false;
    BtreeIndex* codeIndex = codeDb.Index(0);
    if (codeIndex == nullptr) return Diagnose("No Index for Code:0"), false;

    ChapterRecord chapter(&chapterDb);
    GroupRecord group(&groupDb);
    CodeRecord code(&codeDb);
    Cursor chapters{chapterIndex, chapter, {}, {}};
    Cursor groups{groupIndex, group, {}, {}};
    Cursor codes{codeIndex, code, {}, {}};
    return TreeWalk(sink, chapters, groups, codes, code).Run();
}

}  // namespace kodexa
