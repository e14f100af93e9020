#include "import/importer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <vector>

#include "store/file_set_replace.h"
#include "import/alpha_index.h"
#include "import/catalogue_writer.h"
#include "import/facts_writer.h"
#include "import/import_model.h"
#include "import/transition_source.h"
#include "store/file_layer.h"

namespace kodexa {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat info;
    return PathStatus(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class ImportRun {
public:
    ImportRun(const ImportRequest& request, ImportReport& report) : request(request), report(report) {}

    int Run(ImportCounts* counts) {
        auto start = std::chrono::steady_clock::now();
        target = request.targetDir;
        while (target.size() > 1 && target.back() == '/') target.pop_back();
        // Every check comes before the target is touched, so that a run
        // that fails leaves it as it was: first the sources, then whether
        // the target may be replaced; only then the housekeeping.
        CatalogueModel model;
        AlphaIndexModel alpha;
        if (!FindFiles() || !ReadModel(model) || !ReadAlpha(model, alpha) || !ReadTransitions(model) || !MakeTarget())
            return 1;
        if (!PrepareTarget() || !BuildAndInstall(model, alpha)) {
            RemoveTargetMadeHere();
            return 1;
        }
        // Left by runs that died before their marker was written: junk, but
        // only a run that succeeded clears it away.
        RemoveStaleStaging(target);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ImportCounts written{model.chapters.size(), model.groups.size(), model.codes.size()};
        written.alphaIndex = !alphaPath.empty();
        written.terms = alpha.terms.size();
        written.termsLeftOut = alpha.leftOut;
        written.transitions = !transitionsPath.empty();
        written.transitionPairs = transitions.pairs.size();
        written.transitionFrom = transitions.years.from;
        written.transitionTo = transitions.years.to;
        report.Finished(written, target, seconds);
        if (counts != nullptr) *counts = written;
        return 0;
    }

private:
    bool Fail(const std::string& message) {
        report.Failed(message);
        return false;
    }

    bool FindFiles() {
        files = request.files;
        alphaPath = request.alphaFile;
        ImportError error;
        if (!request.sourceDir.empty() && !FindSourceFiles(request.sourceDir, files, error)) {
            return Fail(FormatImportError(error));
        }
        if (alphaPath.empty() && !request.sourceDir.empty() && !FindAlphaIndex(request.sourceDir, alphaPath, error)) {
            return Fail(FormatImportError(error));
        }
        transitionsPath = request.transitionsFile;
        if (transitionsPath.empty() && !request.sourceDir.empty() &&
            !FindTransitionTable(request.sourceDir, transitionsPath, error)) {
            return Fail(FormatImportError(error));
        }
        return true;
    }

    // Unlike index terms, a transition that leads to a code the catalogue
    // lacks would send a user's diagnoses nowhere: such a table is refused.
    bool ReadTransitions(const CatalogueModel& model) {
        if (transitionsPath.empty()) return true;
        ImportError error;
        SourceText text;
        if (!ReadSourceText(transitionsPath, text, error) || !ParseTransitionTable(text, transitions, error))
            return Fail(FormatImportError(error));
        std::set<std::string> codes;
        for (const CodeEntry& code : model.codes) codes.insert(code.code);
        if (!CheckTransitionsFit(transitions, transitionsPath, codes, facts.edition.year, error))
            return Fail(FormatImportError(error) + "; the table is refused");
        report.SourceTaken(SourceRole::Transitions, transitionsPath, text.encoding);
        return true;
    }

    // Terms whose codes the catalogue lacks are counted, not fatal: an index
    // and a classification of neighbouring years still go together.
    bool ReadAlpha(const CatalogueModel& model, AlphaIndexModel& alpha) {
        if (alphaPath.empty()) return true;
        std::set<std::string> codes;
        for (const CodeEntry& code : model.codes) codes.insert(code.code);
        ImportError error;
        SourceEncoding encoding;
        if (!ReadAlphaIndex(alphaPath, codes, alpha, encoding, error)) return Fail(FormatImportError(error));
        report.SourceTaken(SourceRole::AlphaIndex, alphaPath, encoding);
        return true;
    }

    // A replacement cut short earlier counts as a catalogue there; with
    // leave to replace it, it is finished first, since until then the
    // directory holds a mixture of two catalogues.
    bool PrepareTarget() {
        std::string error;
        if (!lock.Acquire(target, error)) return Fail(error);
        std::vector<std::string> occupied = CatalogueFileList();
        const std::vector<std::string> optional = OptionalCatalogueFileList();
        occupied.insert(occupied.end(), optional.begin(), optional.end());
        occupied.push_back(kPendingMarkerName);
        if (!request.force && HasAnyFile(target, occupied)) {
            return Fail(target + " already holds a catalogue; --force replaces it");
        }
        bool completed = false;
        if (!CompletePendingReplacement(target, completed, error)) return Fail(error);
        if (completed) report.EarlierReplacementFinished();
        return true;
    }

    bool ReadModel(CatalogueModel& model) {
        const std::string* paths[3] = {&files.chapters, &files.groups, &files.codes};
        SourceText texts[3];
        ImportError error;
        for (int r = 0; r < 3; ++r) {
            if (!ReadSourceText(*paths[r], texts[r], error)) return Fail(FormatImportError(error));
            report.SourceTaken(static_cast<SourceRole>(r), *paths[r], texts[r].encoding);
        }
        if (!BuildCatalogueModel(texts[0], texts[1], texts[2], model, error)) return Fail(FormatImportError(error));
        if (!ReadCodeFacts(texts[2], EditionOfSourceName(files.codes), facts, error))
            return Fail(FormatImportError(error));
        for (const std::string& note : model.leftOut) report.LeftOut(note);
        for (const std::string& note : facts.leftOut) report.LeftOut(note);
        return true;
    }

    bool MakeTarget() {
        if (IsDirectory(target)) return true;
        std::string error;
        if (!MakeTargetDirectory(target, error)) return Fail(error);
        madeTarget = true;
        return true;
    }

    // A directory this run made goes again when the run fails; it is empty
    // then, unless a replacement stopped half-way, which the next run must
    // finish, and rmdir leaves a directory that is not empty alone.
    void RemoveTargetMadeHere() {
        if (madeTarget) RemoveDirectory(target.c_str());
    }

    bool BuildAndInstall(const CatalogueModel& model, const AlphaIndexModel& alpha) {
        std::string staging, error;
        if (!CreateStaging(target, staging, error)) return Fail(error);
        const WriteProgress progress = [this](size_t done, size_t total) { report.CodesWritten(done, total); };
        const bool withAlpha = !alphaPath.empty();
        if (!WriteCatalogueFiles(model, staging + "/", progress, error) ||
            (withAlpha && !WriteAlphaIndex(alpha, staging + "/", error)) ||
            !WriteFactsFiles(facts, staging + "/", error) ||
            (!transitionsPath.empty() && !WriteTransitionFiles(transitions, staging + "/", error)) ||
            !SyncStaging(staging, error)) {
            DiscardStaging(staging);
            return Fail(error + "; " + target + " is unchanged");
        }
        bool markerWritten = false;
        if (!InstallStaging(target, staging, markerWritten, error, StaleOptionalFiles(staging))) {
            if (!markerWritten) {
                DiscardStaging(staging);
                UnlinkPath((target + "/" + kPendingMarkerName).c_str());
                return Fail(error + "; " + target + " is unchanged");
            }
            return Fail(error + "; the catalogue in " + target +
                        " is incomplete until the next kodexa-import run into it finishes the move");
        }
        return true;
    }

    // Optional files of an older catalogue that the new one lacks must not
    // outlive the replacement.
    std::vector<std::string> StaleOptionalFiles(const std::string& staging) const {
        std::vector<std::string> stale;
        for (const std::string& name : OptionalCatalogueFileList())
            if (!HasAnyFile(staging, {name})) stale.push_back(name);
        return stale;
    }

    const ImportRequest& request;
    ImportReport& report;
    FactsModel facts;
    std::string target;
    SourceFiles files;
    std::string alphaPath;  // empty: no alphabetical index
    std::string transitionsPath;  // empty: no transition table
    TransitionTable transitions;
    TargetLock lock;
    bool madeTarget = false;
};

}  // namespace

int RunImport(const ImportRequest& request, ImportReport& report, ImportCounts* counts) {
    ImportRun run(request, report);
    return run.Run(counts);
}

}  // namespace kodexa
