// One forward pass over the code index. Chapters and groups are not looked
// up by key: their cursors move one entry on whenever a code names another
// chapter or group, which works because the three indexes list chapters,
// groups and codes in the same order and every chapter and group has codes.
#include <initializer_list>
#include <string>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"

namespace kodexa {

namespace {

// The label is made in room that the walk keeps from item to item, which
// saves an allocation for every one of them.
const std::string& Label(const CatalogueRecord& record, std::string& room) {
    return room.assign(TextOrEmptyRef(record.code)).append(" - ").append(TextOrEmptyRef(record.title));
}

// One index walked with a cursor, with the record its entries lead to; the
// first failure of all three goes into the status they share.
class Track {
public:
    Track(BtreeIndex& index, CatalogueRecord& record, WalkStatus& status)
        : record(record), status(status), cursor(index, key, scratch) {}

    // An empty index is no failure: the record then keeps absent texts.
    bool ReadFirst() {
        if (!cursor.First()) return !Failed();
        return Read();
    }
    // False at the end of the index too, which is no failure; Failed tells
    // the two apart.
    bool Next() {
        if (cursor.Next()) return true;
        Failed();
        return false;
    }
    bool Advance() { return Next() && Read(); }
    bool Read() {
        if (record.ReadAt(key.ObjectAddress())) return true;
        status.Fail(*record.Database()->DataFile());
        return false;
    }
    bool Failed() {
        status.Keep(cursor.Status());
        return cursor.Status().Failed();
    }

    CatalogueRecord& record;

private:
    WalkStatus& status;
    CatalogueKey key;
    CatalogueKey scratch;
    BtreeCursor cursor;
};

class TreeWalk {
public:
    TreeWalk(TreeSink& sink, Track& chapters, Track& groups, Track& codes, CodeRecord& code)
        : sink(sink), chapters(chapters), groups(groups), codes(codes), code(code) {}

    bool Run() {
        if (!chapters.ReadFirst() || !groups.ReadFirst() || !codes.ReadFirst()) return false;
        // The first code's chapter and group are taken as given, not compared.
        currentChapterCode = TextOrEmpty(chapters.record.code);
        currentGroupCode = TextOrEmpty(groups.record.code);
        chapterItem = AddHeading(TreeSink::kTopLevel, chapters.record, kKindChapter);
        groupItem = AddHeading(chapterItem, groups.record, kKindGroup);
        PlaceCode();
        while (codes.Next()) {
            if (!codes.Read()) return false;
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
        return !codes.Failed();
    }

private:
    static bool Differs(const RecordText& named, const std::string& current) { return named && *named != current; }

    TreeSink::Item AddHeading(TreeSink::Item parent, CatalogueRecord& record, ItemKind kind) {
        TreeSink::Item item =
            sink.AddItem(parent, Label(record, labelRoom), IconRole::Folder, kind, TextOrEmptyRef(record.code));
        record.ReleaseTexts();
        return item;
    }

    // A code goes under the last item of the level above only when that item
    // is its own parent in the same group: older editions list codes such as
    // X84.9 without X84, and these belong to their group, not under a
    // three-character code of an earlier group.
    void PlaceCode() {
        if (code.level) {
            const std::string own = TextOrEmpty(code.code);
            if (*code.level == "3") {
                lastLevel3 = Placed{AddCode(groupItem), own, groupItem};
            } else if (*code.level == "4") {
                lastLevel4 = Placed{AddCode(ParentOf(own, {&lastLevel3})), own, groupItem};
            } else if (*code.level == "5") {
                AddCode(ParentOf(own, {&lastLevel4, &lastLevel3}));
            }
        }
        code.ReleaseTexts();
    }

    struct Placed {
        TreeSink::Item item = TreeSink::kTopLevel;
        std::string code;
        TreeSink::Item group = TreeSink::kTopLevel;
    };

    // The first candidate whose code begins the given code and that stands
    // in the current group; the group item when there is none.
    TreeSink::Item ParentOf(const std::string& own, std::initializer_list<const Placed*> candidates) const {
        for (const Placed* candidate : candidates) {
            const std::string& parent = candidate->code;
            if (candidate->group == groupItem && !parent.empty() && parent.size() < own.size() &&
                own.compare(0, parent.size(), parent) == 0)
                return candidate->item;
        }
        return groupItem;
    }

    TreeSink::Item AddCode(TreeSink::Item parent) {
        bool branch = code.branchMark == 'N';
        return sink.AddItem(parent, Label(code, labelRoom), branch ? IconRole::Folder : IconRole::Page,
                            branch ? kKindBranchCode : kKindLeafCode, TextOrEmptyRef(code.code));
    }

    TreeSink& sink;
    Track& chapters;
    Track& groups;
    Track& codes;
    CodeRecord& code;
    std::string currentChapterCode, currentGroupCode;
    std::string labelRoom;
    TreeSink::Item chapterItem = TreeSink::kTopLevel;
    TreeSink::Item groupItem = TreeSink::kTopLevel;
    Placed lastLevel3;
    Placed lastLevel4;
};

}  // namespace

// Without all three databases open there is no tree, and nothing new to
// tell: opening them has reported why they are not.
TreeResult FillChapterTree(ObjectDatabase& chapterDb, ObjectDatabase& groupDb, ObjectDatabase& codeDb,
                           TreeSink& sink) {
    TreeResult result;
    WalkStatus& status = result.status;
    status.state = WalkStatus::kEnded;
    for (ObjectDatabase* db : {&chapterDb, &groupDb, &codeDb})
        if (db->Index(0) == nullptr || db->DataFile() == nullptr) return result;
    status.state = WalkStatus::kWalking;
    ChapterRecord chapter(&chapterDb);
    GroupRecord group(&groupDb);
    CodeRecord code(&codeDb);
    Track chapters(*chapterDb.Index(0), chapter, status);
    Track groups(*groupDb.Index(0), group, status);
    Track codes(*codeDb.Index(0), code, status);
    result.complete = TreeWalk(sink, chapters, groups, codes, code).Run();
    if (!result.complete && !status.Failed()) status.Fail(*codeDb.DataFile());
    if (!status.Failed()) status.state = WalkStatus::kEnded;
    return result;
}

}  // namespace kodexa
