// One run of the importer: from the three classification files to a
// complete catalogue in the target directory, or nothing changed at all.
#ifndef KODEXA_IMPORT_IMPORTER_H
#define KODEXA_IMPORT_IMPORTER_H

#include <cstddef>
#include <string>

#include "import/import_source.h"

namespace kodexa {

struct ImportRequest {
    std::string sourceDir;  // searched for the three files when not empty
    SourceFiles files;      // used when sourceDir is empty
    std::string targetDir;
    bool force = false;  // replace a catalogue already in targetDir
    // The alphabetical index; when empty, sourceDir is searched for one.
    std::string alphaFile;
    // The transition table from the previous edition; when empty,
    // sourceDir is searched for one.
    std::string transitionsFile;
};

struct ImportCounts {
    size_t chapters = 0, groups = 0, codes = 0;
    bool alphaIndex = false;  // an alphabetical index was imported
    size_t terms = 0;         // its terms written
    size_t termsLeftOut = 0;  // its terms naming a code not in the catalogue
    bool transitions = false;  // a transition table was imported
    size_t transitionPairs = 0;
    std::string transitionFrom = "", transitionTo = "";  // the years it joins, when its name tells
};

// What a run tells as it goes. The importer prints nothing itself: the tool
// prints these, tests keep them. Every step has a do-nothing default.
class ImportReport {
public:
    virtual ~ImportReport() = default;
    // A source file taken, with the encoding found in it.
    virtual void SourceTaken(SourceRole /*role*/, const std::string& /*path*/, SourceEncoding /*encoding*/) {}
    // Something of the sources left out of the catalogue, and why.
    virtual void LeftOut(const std::string& /*note*/) {}
    // A replacement that an earlier run left half done was completed first.
    virtual void EarlierReplacementFinished() {}
    // After each code written.
    virtual void CodesWritten(size_t /*done*/, size_t /*total*/) {}
    virtual void Finished(const ImportCounts& /*counts*/, const std::string& /*target*/, double /*seconds*/) {}
    // The one message of a failed run.
    virtual void Failed(const std::string& /*message*/) {}
};

// Keeps the message of a failed run and nothing else.
class FailureOnlyReport : public ImportReport {
public:
    void Failed(const std::string& text) override { message = text; }
    std::string message;
};

// Tells report how the run goes and answers the exit status: 0 done,
// 1 failed.
int RunImport(const ImportRequest& request, ImportReport& report, ImportCounts* counts = nullptr);

}  // namespace kodexa

#endif
