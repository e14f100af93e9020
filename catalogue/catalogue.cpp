#include "catalogue/catalogue.h"

#include <algorithm>

#include "catalogue/alpha_terms.h"
#include "catalogue/catalogue_key.h"
#include "catalogue/catalogue_records.h"
#include "catalogue/transitions.h"
#include "index/object_database.h"

namespace kodexa {

namespace {

constexpr int32_t kCatalogueOrder = 29;
constexpr int kUseIndex = 1;
constexpr int32_t kDataStaticSize = 0;
constexpr int kIndexHeaderSlots = 1;

// One row per database, in CatalogueFile order.
const CatalogueFileNames kNames[kCatalogueFileCount] = {
    {"data1.dat", "data1.ndx"},
    {"data2.dat", "data2.ndx"},
    {"data3.dat", "data3.ndx"},
    {"data4.dat", "data4.ndx", true},
    {"data5.dat", "data5.ndx", true},
    {"data6.dat", "data6.ndx", true},
};

std::string WithSlash(const std::string& dir) { return dir.empty() || dir.back() == '/' ? dir : dir + '/'; }

}  // namespace

const CatalogueFileNames& NamesOf(CatalogueFile which) { return kNames[static_cast<int>(which)]; }

Catalogue::Catalogue(const std::string& dir) : dir(WithSlash(dir)) {
    for (auto& db : databases) db = std::make_unique<ObjectDatabase>();
    const std::string plain = this->dir.size() > 1 ? this->dir.substr(0, this->dir.size() - 1) : this->dir;
    if (!plain.empty() && !FindPendingReplacement(plain, replacement, replacementTrouble))
        replacementTrouble = "an import into " + plain + " stopped half-way: " + replacementTrouble;
}

// Each database writes its headers back as it closes.
Catalogue::~Catalogue() { CloseAll(); }

std::string Catalogue::DataPath(CatalogueFile which) const { return PathOf(NamesOf(which).dataName); }

std::string Catalogue::IndexPath(CatalogueFile which) const { return PathOf(NamesOf(which).indexName); }

// Until a cut-short replacement is finished, the directory holds some files
// of the new set and some of the old. The new files not yet moved are still
// in staging, and a file the new set drops is not there, so taking those
// from staging gives the whole new set; once moved, a file is the same in
// the directory.
std::string Catalogue::PathOf(const char* name) const {
    if (!replacement.pending) return dir + name;
    const std::string staged = replacement.staging + "/" + name;
    const auto& stale = replacement.stale;
    const bool dropped = std::find(stale.begin(), stale.end(), name) != stale.end();
    return dropped || Exists(staged) ? staged : dir + name;
}

int Catalogue::Open(CatalogueFile which, CatalogueAccess access) {
    absent[Slot(which)] = false;
    if (NamesOf(which).optional && access != CatalogueAccess::Writing) return KeepOutcome(which, OpenOptional(which));
    const int code =
        access == CatalogueAccess::Writing ? OpenDatabase(Database(which), which, true) : OpenForReading(which);
    return KeepOutcome(which, code);
}

// The code, and for damage what the store found wrong and where, for Failure.
int Catalogue::KeepOutcome(CatalogueFile which, int code) {
    damage[Slot(which)] = code == kFileCorrupt ? Database(which).DamageDescription() : std::string();
    const ObjectDatabase& db = Database(which);
    failedPaths[Slot(which)] = code == kNoError                                     ? std::string()
                               : db.DataFile() != nullptr && db.LastError() == kNoError ? IndexPath(which)
                                                                                        : DataPath(which);
    return errors[Slot(which)] = code;
}

// The object database makes any file it does not find; a reader must
// neither create nor alter anything, so it looks first.
int Catalogue::OpenForReading(CatalogueFile which) {
    // Without the marker's word, the files may be any mixture of two sets.
    if (!replacementTrouble.empty()) return kOpenError;
    if (!Exists(DataPath(which)) || !Exists(IndexPath(which))) return kNoSuchFile;
    return OpenDatabase(Database(which), which, false);
}

// Read-only like every reader: a reader must never create the files, and
// a read-write open would rewrite their headers on closing.
int Catalogue::OpenOptional(CatalogueFile which) {
    absent[Slot(which)] = !Exists(DataPath(which)) && !Exists(IndexPath(which));
    return OpenForReading(which);
}

OptionalState Catalogue::OpenIfPresent(CatalogueFile which) {
    if (Open(which, CatalogueAccess::Reading) == kNoError) return OptionalState::Open;
    if (IsAbsent(which)) return OptionalState::Absent;
    Database(which).Close();
    return OptionalState::Damaged;
}

bool Catalogue::IsOpen(CatalogueFile which) const { return databases[Slot(which)]->DataFile() != nullptr; }

int Catalogue::OpenDatabase(ObjectDatabase& db, CatalogueFile which, bool readWrite) {
    return db.Open(DataPath(which).c_str(), IndexPath(which).c_str(), CatalogueKey(), kCatalogueOrder,
                   readWrite ? kReadWriteMode : kReadOnlyMode, kUseIndex, kDataStaticSize, kIndexHeaderSlots);
}

// One stat through the store's file layer.
bool Catalogue::Exists(const std::string& path) const { return StoreFile::FileExists(path.c_str()) != 0; }

bool Catalogue::OpenAll(CatalogueAccess access) {
    bool all = true;
    for (CatalogueFile which : kAllCatalogueFiles) all = Open(which, access) == kNoError && all;
    // Optional databases are opened when they are there, never made here.
    for (CatalogueFile which : kOptionalCatalogueFiles) {
        const bool there = Exists(DataPath(which)) && Exists(IndexPath(which));
        Open(which, there ? access : CatalogueAccess::Reading);
        all = (Error(which) == kNoError || IsAbsent(which)) && all;
    }
    return all;
}

int Catalogue::Close(CatalogueFile which) { return errors[Slot(which)] = Database(which).Close(); }

bool Catalogue::CloseAll() {
    bool all = true;
    for (CatalogueFile which : kAllCatalogueFiles) all = Close(which) == kNoError && all;
    for (CatalogueFile which : kOptionalCatalogueFiles) all = Close(which) == kNoError && all;
    return all;
}

std::string Catalogue::Failure(CatalogueFile which) const {
    const int code = Error(which);
    if (code == kNoError) return std::string();
    if (code == kNoSuchFile) return MissingFiles(which);
    if (code == kOpenError && !replacementTrouble.empty()) return replacementTrouble;
    if (code == kFileCorrupt && !damage[Slot(which)].empty()) return damage[Slot(which)];
    return StoreErrorMessage(code);
}

std::vector<std::string> Catalogue::MissingPaths(CatalogueFile which) const {
    std::vector<std::string> missing;
    for (const std::string& path : {DataPath(which), IndexPath(which)})
        if (!Exists(path)) missing.push_back(path);
    return missing;
}

std::string Catalogue::MissingFiles(CatalogueFile which) const {
    const CatalogueFileNames& names = NamesOf(which);
    std::string missing;
    for (const char* name : {names.dataName, names.indexName}) {
        if (Exists(PathOf(name))) continue;
        missing += missing.empty() ? std::string(name) : std::string(" and ") + name;
    }
    return missing + (missing.find(" and ") != std::string::npos ? " are missing" : " is missing");
}

bool Catalogue::FillTree(TreeSink& sink) {
    ClearUnreadable();
    const TreeResult tree = FillChapterTree(Database(CatalogueFile::Chapters), Database(CatalogueFile::Groups),
                                            Database(CatalogueFile::Codes), sink);
    Remember(tree.status);
    // The bytes a file lost past its new end, in the page where it now
    // ends, read as zeros rather than fail.
    if (unreadable.empty()) FilesWhole();
    return tree.complete;
}

// A sink may look codes up while it is given terms (kodexa-find's term
// lines carry titles); each LookUp keeps its own trouble, which must neither
// hide a walk's nor be lost.
bool Catalogue::Search(const std::string& text, SearchSink& sink, SearchScope scope) {
    ClearUnreadable();
    const WalkResult codes = SearchCodes(Database(CatalogueFile::Codes), text, sink, scope);
    WalkResult terms;
    if (IsOpen(CatalogueFile::AlphaIndex))
        terms = SearchAlphaTerms(Database(CatalogueFile::AlphaIndex), text, sink, scope);
    // The exact search takes the text as given and nothing else.
    const bool former = scope == SearchScope::AllSteps && IsOpen(CatalogueFile::Transitions) && !sink.Stopped() &&
                        SearchFormerCode(*this, text, sink);
    WalkStatus lookups;
    if (!unreadable.empty()) {
        lookups.state = WalkStatus::kFailed;
        lookups.file = unreadable;
        lookups.reason = unreadableReason;
    }
    ClearUnreadable();
    Remember(codes.status);
    if (unreadable.empty()) FilesWhole();  // as in FillTree
    Remember(terms.status);
    Remember(lookups);
    return codes.found || terms.found || former;
}

void Catalogue::ClearUnreadable() {
    unreadable.clear();
    unreadableReason.clear();
}

void Catalogue::Remember(const WalkStatus& status) {
    if (!status.Failed() || !unreadable.empty()) return;
    unreadable = status.file;
    unreadableReason = status.reason;
}

namespace {

// A lookup that answered 0 either found no such key or failed; only the
// index file's code tells which.
bool LookupFailed(const BtreeIndex* index) {
    const StoreFile* file = index != nullptr ? index->File() : nullptr;
    return file != nullptr && file->LastError() != kNoError && file->LastError() != kEntryNotFound;
}

}  // namespace

// A code that is not there is no trouble; an index or a record that
// cannot be read is.
bool Catalogue::LookUp(const std::string& code, CodeFacts& facts) {
    ObjectDatabase& codes = Database(CatalogueFile::Codes);
    CodeRecord record(&codes);
    record.code = code;
    ClearUnreadable();
    WalkStatus status;
    const int found = record.Find();
    if (found != 1 && LookupFailed(codes.Index(0))) status.Fail(*codes.Index(0)->File());
    if (found == 1 && record.Reload() != 1) status.Fail(*codes.DataFile());
    // An index entry that leads to another code's record is damage: the
    // answer would be that code's title under the code asked for.
    const std::string held = TextOrEmpty(record.code);
    if (found == 1 && !status.Failed() && held.substr(0, kKeyCodeLength) != code.substr(0, kKeyCodeLength)) {
        status.Fail(*codes.DataFile());
        status.code = kFileCorrupt;
        status.reason = "the index entry of " + code + " leads to the record of " + held + " at offset " +
                        std::to_string(record.Address().Get());
    }
    Remember(status);
    if (found != 1 || status.Failed()) return false;
    facts.code = TextOrEmpty(record.code);
    facts.title = TextOrEmpty(record.title);
    facts.level = TextOrEmpty(record.level);
    facts.chapterCode = TextOrEmpty(record.chapterCode);
    facts.groupCode = TextOrEmpty(record.groupCode);
    facts.branchMark = record.branchMark;
    facts.spareMark = record.spareMark;
    record.ReleaseTexts();
    facts.hasRules = ReadRules(facts.code, facts);
    return true;
}

// The facts of the code just found; none when the catalogue has no facts
// database or it lacks the code.
bool Catalogue::ReadRules(const std::string& code, CodeFacts& facts) {
    facts.rules = CodeRules{};
    ObjectDatabase& db = Database(CatalogueFile::Facts);
    if (code.empty() || db.Index(0) == nullptr) return false;
    FactsRecord record(&db);
    record.code = code;
    if (record.Find() != 1 || record.Reload() != 1 || TextOrEmpty(record.code) != code) return false;
    facts.rules = record.Rules();
    return true;
}

// The header read at opening against the length of the open file now: a
// file cut short in place, even after it was opened, is caught; one replaced
// by another under the same name is not read here at all.
bool Catalogue::FilesWhole() {
    auto cut = [](const StoreFile* file) {
        return file != nullptr && file->RealLength() >= 0 && file->RealLength() < file->Header().endOfFile.Get();
    };
    for (int slot = 0; slot < kCatalogueFileCount; ++slot) {
        const CatalogueFile which = static_cast<CatalogueFile>(slot);
        if (Error(which) != kNoError) continue;  // had its box, or is absent
        const BtreeIndex* index = Database(which).Index(0);
        if (cut(Database(which).DataFile())) unreadable = DataPath(which);
        else if (index != nullptr && cut(index->File())) unreadable = IndexPath(which);
        else continue;
        unreadableReason = "the file is shorter than its header says";
        return false;
    }
    return true;
}

bool Catalogue::ReadEdition(Edition& edition) {
    edition = Edition{};
    ObjectDatabase& db = Database(CatalogueFile::Facts);
    if (db.Index(0) == nullptr) return false;
    EditionRecord record(&db);
    if (record.Find() != 1 || record.Reload() != 1 || TextOrEmpty(record.code) != kEditionCode) return false;
    edition.year = TextOrEmpty(record.year);
    edition.kind = EditionKindOfWord(TextOrEmpty(record.kind));
    return true;
}

bool Catalogue::CountEntries(CatalogueFile which, size_t& count) {
    count = 0;
    BtreeIndex* index = Database(which).Index(0);
    if (index == nullptr) return false;
    CatalogueKey key, scratch;
    BtreeCursor cursor(*index, key, scratch);
    for (bool on = cursor.First(); on; on = cursor.Next()) ++count;
    return cursor.Status().Ended();
}

}  // namespace kodexa
