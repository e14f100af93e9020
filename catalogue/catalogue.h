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

#include "catalogue/catalogue_sink.h"

namespace kodexa {

class ObjectDatabase;

// The databases of a catalogue, in the order of the table in catalogue.cpp
// (data1, data2, ...). A database added later takes the next number and a
// row in that table.
enum class CatalogueFile { Groups, Chapters, Codes, AlphaIndex };
constexpr int kCatalogueFileCount = 4;
// The databases every catalogue has.
constexpr CatalogueFile kAllCatalogueFiles[] = {CatalogueFile::Groups, CatalogueFile::Chapters, CatalogueFile::Codes};
// Databases a catalogue may have or not; without them it works as before.
constexpr CatalogueFile kOptionalCatalogueFiles[] = {CatalogueFile::AlphaIndex};

// What opening an optional database found.
enum class OptionalState {
    Absent,   // neither of its files: nothing to report
    Open,     // open read-only
    Damaged,  // one file only, or a file that does not open; see Failure
};

struct CatalogueFileNames {
    const char* dataName;      // "data1.dat", ...
    const char* indexName;     // "data1.ndx", ...
    const char* errorMessage;  // "Error opening Groups", ...
};
const CatalogueFileNames& NamesOf(CatalogueFile which);

enum class CatalogueAccess {
    // Read-only; a missing file is reported, never created.
    Reading,
    // Read-write; missing files are created empty (the importer's writer).
    Writing,
    // As the window has always opened them: read-write, so that missing
    // files are created; but a catalogue where this user may not write is
    // still there to be read, and is then opened read-only. A database that
    // opened read-write is opened again read-only: the window only reads.
    Browsing,
};

// One code as the lookup finds it; empty texts where the record has none.
struct CodeFacts {
    std::string code, title, level, chapterCode, groupCode;
    char branchMark = 0;
    char spareMark = 0;
};

// Everything before the last '/' of path, followed by '/'; a path without
// a separator gives "/" (the root), as the program has always done.
std::string ProgramDirectory(const std::string& programPath);

// The running executable's real path (/proc/self/exe), or argv0 when that
// cannot be read.
std::string ExecutablePath(const char* argv0);

class Catalogue {
public:
    // dir may end in '/' or not.
    explicit Catalogue(const std::string& dir);
    virtual ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Opens one database; answers the store error code (0 success), which
    // Error keeps until the next Open or Close of that database.
    int Open(CatalogueFile which, CatalogueAccess access);
    // Opens every database in table order; true when all opened.
    bool OpenAll(CatalogueAccess access);
    // Opens an optional database read-only when both its files are there.
    OptionalState OpenOptional(CatalogueFile which);
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
    // files are missing, or the store's message for the data file. Empty
    // after a successful open.
    std::string Failure(CatalogueFile which) const;

    // The tree of chapters, groups and codes; false when the walk stopped
    // before the end of the code index.
    bool FillTree(TreeSink& sink);
    // Every code whose title contains text, then, when the alphabetical
    // index is open, every term of it that contains text; false when there
    // was none.
    bool Search(const std::string& text, SearchSink& sink);
    // The code record the code index finds for code. The index keeps the
    // first seven characters only: a caller that needs the exact code
    // compares facts.code.
    bool LookUp(const std::string& code, CodeFacts& facts);

    // The database itself, for the record classes (the importer, tests).
    ObjectDatabase& Database(CatalogueFile which) { return *databases[Slot(which)]; }

protected:
    // What one look at a file on disk tells.
    struct FileState {
        bool exists = false;
        bool writable = false;
    };
    // Seams for tests that stand in for a place the user may not write to,
    // which root (who runs CI) never meets.
    virtual FileState Probe(const std::string& path) const;
    virtual int OpenDatabase(ObjectDatabase& db, CatalogueFile which, bool readWrite);

private:
    static int Slot(CatalogueFile which) { return static_cast<int>(which); }
    int OpenForReading(CatalogueFile which);
    int OpenForBrowsing(CatalogueFile which);
    int ReopenForReading(CatalogueFile which);
    std::string MissingFiles(CatalogueFile which) const;

    std::string dir;  // ends in '/'
    std::unique_ptr<ObjectDatabase> databases[kCatalogueFileCount];
    int errors[kCatalogueFileCount] = {};
};

}  // namespace kodexa

#endif
