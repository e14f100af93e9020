// The catalogue of one directory: its databases, opened and closed
// together, and what the readers do with them (the tree walk, the search,
// the lookup of one code). The window, kodexa-find, the importer's writer,
// the bench and the tests all open the files through this class, so the
// file names, the fixed open arguments and the check for missing files live
// in one place.
#ifndef KODEXA_CATALOGUE_CATALOGUE_H
#define KODEXA_CATALOGUE_CATALOGUE_H

#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue_sink.h"
#include "catalogue/code_facts.h"
#include "catalogue/program_directory.h"
#include "catalogue/transitions.h"
#include "store/file_set_replace.h"

namespace kodexa {

class ObjectDatabase;

// The databases of a catalogue, in the order of the table in catalogue.cpp
// (data1, data2, ...). A database added later takes the next number and a
// row in that table. The alphabetical index (data4) and the facts (data5)
// are optional: a catalogue without their files works as before, only
// without index terms, or without facts and edition; so is the transition
// table from the previous edition (data6, catalogue/transitions.h).
enum class CatalogueFile { Groups, Chapters, Codes, AlphaIndex, Facts, Transitions };
constexpr int kCatalogueFileCount = 6;
// The databases every catalogue has.
constexpr CatalogueFile kAllCatalogueFiles[] = {CatalogueFile::Groups, CatalogueFile::Chapters, CatalogueFile::Codes};
constexpr CatalogueFile kOptionalCatalogueFiles[] = {CatalogueFile::AlphaIndex, CatalogueFile::Facts,
                                                    CatalogueFile::Transitions};

// What opening an optional database found.
enum class OptionalState {
    Absent,   // neither of its files: nothing to report
    Open,     // open read-only
    Damaged,  // one file only, or a file that does not open; see Failure
};

struct CatalogueFileNames {
    const char* dataName;      // "data1.dat", ...
    const char* indexName;     // "data1.ndx", ...
    bool optional = false;     // read when there, never created by a reader
};
const CatalogueFileNames& NamesOf(CatalogueFile which);

// The data and index file names of the databases given, in that order.
template <typename Files>
std::vector<std::string> FileNamesOf(const Files& files) {
    std::vector<std::string> names;
    for (CatalogueFile which : files) {
        names.push_back(NamesOf(which).dataName);
        names.push_back(NamesOf(which).indexName);
    }
    return names;
}

// The window and kodexa-find only read: a missing file is reported, never
// created, and nothing is written back on close. kodexa-import is the one
// program that writes a catalogue.
enum class CatalogueAccess {
    // Read-only; a missing file is reported, never created.
    Reading,
    // Read-write; missing files are created empty (the importer's writer).
    Writing,
};

// One code as the lookup finds it; empty texts where the record has none.
struct CodeFacts {
    std::string code, title, level, chapterCode, groupCode;
    char branchMark = 0;
    char spareMark = 0;
    // From the facts database, when the catalogue has one with this code.
    bool hasRules = false;
    CodeRules rules;
};

class Catalogue {
public:
    // dir may end in '/' or not. An import into dir that stopped between
    // its renames is read as the new catalogue it installs (see PathOf).
    explicit Catalogue(const std::string& dir);
    virtual ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Opens one database; answers the store error code (0 success), which
    // Error keeps until the next Open or Close of that database. An optional
    // database is only created with Writing; otherwise it is opened
    // read-only when both its files are there.
    int Open(CatalogueFile which, CatalogueAccess access);
    // Opens every database in table order; true when all opened and every
    // optional one either opened or has none of its files. Optional ones
    // are not created here.
    bool OpenAll(CatalogueAccess access);
    // True when the last Open of an optional database found neither of its
    // files: not a failure, the catalogue just has no such database.
    bool IsAbsent(CatalogueFile which) const { return absent[Slot(which)]; }
    // Opens an optional database read-only when both its files are there;
    // one that does not open is closed again, so that no reader meets it.
    OptionalState OpenIfPresent(CatalogueFile which);
    // Whether the database is open (its record file is).
    bool IsOpen(CatalogueFile which) const;
    // Closes one database and answers the store error code of the close.
    int Close(CatalogueFile which);
    // Closes every database in table order (groups, chapters, codes); true
    // when every close succeeded.
    bool CloseAll();

    const std::string& Directory() const { return dir; }
    std::string DataPath(CatalogueFile which) const;
    std::string IndexPath(CatalogueFile which) const;
    int Error(CatalogueFile which) const { return errors[Slot(which)]; }
    // Why the last Open of the database failed, in one line: which of its
    // files are missing, or the store's message for the data file (with
    // what was wrong and where, for damage). Empty after a successful open.
    std::string Failure(CatalogueFile which) const;
    // The file of the database whose last Open failed: the index file when
    // the data file opened, else the data file.
    std::string FailedPath(CatalogueFile which) const { return failedPaths[Slot(which)]; }
    // The paths of the database's files that are not there.
    std::vector<std::string> MissingPaths(CatalogueFile which) const;

    // The tree of chapters, groups and codes; false when the walk stopped
    // before the end of the code index.
    bool FillTree(TreeSink& sink);
    // Every code whose title contains text, then the index terms, each
    // step by step (see SearchQuery); false when there was none.
    bool Search(const std::string& text, SearchSink& sink, SearchScope scope = SearchScope::AllSteps);
    // The code record the code index finds for code. The index keeps the
    // first seven characters only: a caller that needs the exact code
    // compares facts.code.
    bool LookUp(const std::string& code, CodeFacts& facts);
    // The path of the file that the last FillTree, Search or LookUp could
    // not read where it had to, or, after FillTree and Search, that has
    // lost its tail (see FilesWhole): what it gave is then not the whole
    // catalogue. Empty when it read everything it needed.
    const std::string& Unreadable() const { return unreadable; }
    // Why that file could not be read, in the store's words (with what was
    // wrong and where, for damage); empty when Unreadable is.
    const std::string& UnreadableReason() const { return unreadableReason; }
    // True when no open file of the catalogue is shorter than its header
    // says; otherwise Unreadable names the first that is. A request that
    // never reached the lost tail would not notice it.
    bool FilesWhole();
    // The edition kept in the facts database; false without one.
    bool ReadEdition(Edition& edition);
    // What became of a code of the previous edition, by the transition
    // table (data6) when it is open; Unknown otherwise. (transitions.cpp)
    Succession SuccessorOf(const std::string& code);
    // The number of entries in the database's index; false when it cannot
    // be walked to its end.
    bool CountEntries(CatalogueFile which, size_t& count);

    // The database itself, for the record classes (the importer, tests).
    ObjectDatabase& Database(CatalogueFile which) { return *databases[Slot(which)]; }

protected:
    // A seam for tests that count how the files are opened.
    virtual int OpenDatabase(ObjectDatabase& db, CatalogueFile which, bool readWrite);

private:
    static int Slot(CatalogueFile which) { return static_cast<int>(which); }
    int KeepOutcome(CatalogueFile which, int code);
    bool Exists(const std::string& path) const;
    int OpenForReading(CatalogueFile which);
    std::string MissingFiles(CatalogueFile which) const;
    void ClearUnreadable();
    // Keeps the file a failed walk names and why, unless one is kept already.
    void Remember(const WalkStatus& status);
    int OpenOptional(CatalogueFile which);
    std::string PathOf(const char* name) const;
    bool ReadRules(const std::string& code, CodeFacts& facts);

    std::string dir;  // ends in '/'
    std::unique_ptr<ObjectDatabase> databases[kCatalogueFileCount];
    int errors[kCatalogueFileCount] = {};
    std::string damage[kCatalogueFileCount];  // what Failure says for code 15
    // Kept when the open fails, so that it still names the file once the
    // database is closed again (OpenIfPresent).
    std::string failedPaths[kCatalogueFileCount];
    std::string unreadable;
    std::string unreadableReason;
    bool absent[kCatalogueFileCount] = {};
    // An import into dir that stopped between its renames: see PathOf.
    PendingReplacement replacement;
    std::string replacementTrouble;  // why its marker cannot be read
};

}  // namespace kodexa

#endif
