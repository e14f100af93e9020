#include "catalogue/catalogue.h"

#include <unistd.h>

#include <vector>

#include "catalogue/catalogue_key.h"
#include "catalogue/catalogue_records.h"
#include "index/object_database.h"

namespace kodexa {

namespace {

constexpr int32_t kCatalogueOrder = 29;
constexpr int kReadWriteMode = 6;
constexpr int kReadOnlyMode = 0;
constexpr int kUseIndex = 1;
constexpr int32_t kDataStaticSize = 0;
constexpr int kIndexHeaderSlots = 1;

// One row per database, in CatalogueFile order.
const CatalogueFileNames kNames[kCatalogueFileCount] = {
    {"data1.dat", "data1.ndx", "Error opening Groups"},
    {"data2.dat", "data2.ndx", "Error opening Kapitel"},
    {"data3.dat", "data3.ndx", "Error opening Codes"},
    {"data5.dat", "data5.ndx", "Error opening Facts", true},
};

std::string WithSlash(const std::string& dir) { return dir.empty() || dir.back() == '/' ? dir : dir + '/'; }

}  // namespace

const CatalogueFileNames& NamesOf(CatalogueFile which) { return kNames[static_cast<int>(which)]; }

std::string ProgramDirectory(const std::string& programPath) {
    std::string::size_type slash = programPath.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : programPath.substr(0, slash);
    return directory + '/';
}

std::string ExecutablePath(const char* argv0) {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) break;
        // A full buffer may hold a cut path; try again with more room.
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 65536) break;
        buffer.resize(buffer.size() * 2);
    }
    return argv0 != nullptr ? argv0 : "";
}

Catalogue::Catalogue(const std::string& dir) : dir(WithSlash(dir)) {
    for (auto& db : databases) db = std::make_unique<ObjectDatabase>();
}

// Each database writes its headers back as it closes.
Catalogue::~Catalogue() { CloseAll(); }

std::string Catalogue::DataPath(CatalogueFile which) const { return dir + NamesOf(which).dataName; }

std::string Catalogue::IndexPath(CatalogueFile which) const { return dir + NamesOf(which).indexName; }

int Catalogue::Open(CatalogueFile which, CatalogueAccess access) {
    absent[Slot(which)] = false;
    if (NamesOf(which).optional && access != CatalogueAccess::Writing) return errors[Slot(which)] = OpenOptional(which);
    int code;
    switch (access) {
        case CatalogueAccess::Reading:
            code = OpenForReading(which);
            break;
        case CatalogueAccess::Writing:
            code = OpenDatabase(Database(which), which, true);
            break;
        default:
            code = OpenForBrowsing(which);
            break;
    }
    return errors[Slot(which)] = code;
}

// The object database makes any file it does not find; a reader must
// neither create nor alter anything, so it looks first.
int Catalogue::OpenForReading(CatalogueFile which) {
    if (!Probe(DataPath(which)).exists || !Probe(IndexPath(which)).exists) return kNoSuchFile;
    return OpenDatabase(Database(which), which, false);
}

// The window only reads records, so a catalogue installed where this user
// may not write serves it read-only; anywhere else a failed read-write open
// stands, and missing files are created.
int Catalogue::OpenForBrowsing(CatalogueFile which) {
    int code = OpenDatabase(Database(which), which, true);
    if (code == kNoError) return ReopenForReading(which);
    const FileState data = Probe(DataPath(which));
    const FileState index = Probe(IndexPath(which));
    if (!data.exists || !index.exists || (data.writable && index.writable)) return code;
    Database(which).Close();
    return OpenDatabase(Database(which), which, false);
}

// Once the files have opened for writing (which makes what is missing, and
// fails where it always failed), they are opened again read-only, so that
// every read the window makes comes from a mapping of its file instead of a
// system call. Should that fail, they are opened for writing as before.
int Catalogue::ReopenForReading(CatalogueFile which) {
    int code = Database(which).Close();
    if (code != kNoError) return code;
    if (OpenDatabase(Database(which), which, false) == kNoError) return kNoError;
    Database(which).Close();
    return OpenDatabase(Database(which), which, true);
}

// Read-only even for the window: a reader must never create the files, and
// a read-write open would rewrite their headers on closing.
int Catalogue::OpenOptional(CatalogueFile which) {
    absent[Slot(which)] = !Probe(DataPath(which)).exists && !Probe(IndexPath(which)).exists;
    return OpenForReading(which);
}

int Catalogue::OpenDatabase(ObjectDatabase& db, CatalogueFile which, bool readWrite) {
    return db.Open(DataPath(which).c_str(), IndexPath(which).c_str(), CatalogueKey(), kCatalogueOrder,
                   readWrite ? kReadWriteMode : kReadOnlyMode, kUseIndex, kDataStaticSize, kIndexHeaderSlots);
}

// One stat through the store's file layer; writability only matters for a
// file that is there.
Catalogue::FileState Catalogue::Probe(const std::string& path) const {
    FileState state;
    state.exists = StoreFile::FileExists(path.c_str()) != 0;
    state.writable = state.exists && access(path.c_str(), W_OK) == 0;
    return state;
}

bool Catalogue::OpenAll(CatalogueAccess access) {
    bool all = true;
    for (CatalogueFile which : kAllCatalogueFiles) all = Open(which, access) == kNoError && all;
    // Optional databases are opened when they are there, never made here.
    for (CatalogueFile which : kOptionalCatalogueFiles) {
        const bool there = Probe(DataPath(which)).exists && Probe(IndexPath(which)).exists;
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
    return StoreErrorMessage(code);
}

std::string Catalogue::MissingFiles(CatalogueFile which) const {
    const CatalogueFileNames& names = NamesOf(which);
    std::string missing;
    for (const char* name : {names.dataName, names.indexName}) {
        if (Probe(dir + name).exists) continue;
        missing += missing.empty() ? std::string(name) : std::string(" and ") + name;
    }
    return missing + (missing.find(" and ") != std::string::npos ? " are missing" : " is missing");
}

bool Catalogue::FillTree(TreeSink& sink) {
    return FillChapterTree(Database(CatalogueFile::Chapters), Database(CatalogueFile::Groups),
                           Database(CatalogueFile::Codes), sink);
}

bool Catalogue::Search(const std::string& text, SearchSink& sink) {
    return SearchCodes(Database(CatalogueFile::Codes), text, sink);
}

bool Catalogue::LookUp(const std::string& code, CodeFacts& facts) {
    CodeRecord record(&Database(CatalogueFile::Codes));
    record.code = code;
    if (record.Find() != 1 || record.Reload() != 1) return false;
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
    for (int more = index->FindFirst(key, 1); more; more = index->FindNext(key, scratch, 1)) ++count;
    // The walk ends either at the last entry or on a failure the index keeps.
    return Database(which).IndexError(0) == kNoError || Database(which).IndexError(0) == kEntryNotFound;
}

}  // namespace kodexa
