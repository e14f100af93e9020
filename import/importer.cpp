#include "import/importer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "store/file_set_replace.h"
#include "import/catalogue_writer.h"
#include "import/facts_writer.h"
#include "import/import_model.h"
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
        if (!FindFiles()) return 1;
        // A replacement cut short earlier is finished first: until then the
        // directory holds a mixture of two catalogues.
        if (IsDirectory(target) && !PrepareTarget()) return 1;
        CatalogueModel model;
        if (!ReadModel(model) || !MakeTarget() || !BuildAndInstall(model)) return 1;
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const ImportCounts written{model.chapters.size(), model.groups.size(), model.codes.size()};
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
        ImportError error;
        if (!request.sourceDir.empty() && !FindSourceFiles(request.sourceDir, files, error)) {
            return Fail(FormatImportError(error));
        }
        return true;
    }

    bool PrepareTarget() {
        std::string error;
        bool completed = false;
        if (!lock.Acquire(target, error) || !CompletePendingReplacement(target, completed, error)) return Fail(error);
        if (completed) report.EarlierReplacementFinished();
        RemoveStaleStaging(target);
        if (!request.force && (HasAnyFile(target, CatalogueFileList()) ||
                               HasAnyFile(target, OptionalCatalogueFileList()))) {
            return Fail(target + " already holds a catalogue; --force replaces it");
        }
        prepared = true;
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
        if (prepared) return true;
        std::string error;
        if (!IsDirectory(target) && !MakeTargetDirectory(target, error)) return Fail(error);
        return PrepareTarget();
    }

    bool BuildAndInstall(const CatalogueModel& model) {
        std::string staging, error;
        if (!CreateStaging(target, staging, error)) return Fail(error);
        const WriteProgress progress = [this](size_t done, size_t total) { report.CodesWritten(done, total); };
        if (!WriteCatalogueFiles(model, staging + "/", progress, error) ||
            !WriteFactsFiles(facts, staging + "/", error) || !SyncStaging(staging, error)) {
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
    TargetLock lock;
    bool prepared = false;
};

}  // namespace

int RunImport(const ImportRequest& request, ImportReport& report, ImportCounts* counts) {
    ImportRun run(request, report);
    return run.Run(counts);
}

}  // namespace kodexa
