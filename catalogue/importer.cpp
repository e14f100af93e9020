#include "catalogue/importer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "catalogue/catalogue_replace.h"
#include "catalogue/catalogue_writer.h"
#include "catalogue/import_model.h"

namespace kodexa {

namespace {

constexpr char kTool[] = "kodexa-import: ";
constexpr size_t kCodesPerProgressLine = 2000;
constexpr int kBarWidth = 30;

class ProgressReporter {
public:
    ProgressReporter(ProgressStyle style, std::ostream& out) : style(style), out(out) {}

    void operator()(size_t done, size_t total) {
        if (style == ProgressStyle::Lines && (done % kCodesPerProgressLine == 0 || done == total)) {
            out << kTool << done << " of " << total << " codes written" << std::endl;
        } else if (style == ProgressStyle::Bar) {
            int percent = static_cast<int>(done * 100 / total);
            if (percent == shownPercent) return;
            shownPercent = percent;
            int filled = percent * kBarWidth / 100;
            out << '\r' << kTool << "writing codes [" << std::string(filled, '#')
                << std::string(kBarWidth - filled, ' ') << "] " << percent << '%' << (done == total ? "\n" : "")
                << std::flush;
        }
    }

private:
    ProgressStyle style;
    std::ostream& out;
    int shownPercent = -1;
};

bool IsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class ImportRun {
public:
    ImportRun(const ImportRequest& request, std::ostream& report) : request(request), report(report) {}

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
        if (!request.quiet) {
            char elapsed[32];
            std::snprintf(elapsed, sizeof elapsed, "%.1f", seconds);
            report << kTool << model.chapters.size() << " chapters, " << model.groups.size() << " groups, "
                   << model.codes.size() << " codes written to " << target << " in " << elapsed << " seconds"
                   << std::endl;
        }
        if (counts != nullptr) *counts = ImportCounts{model.chapters.size(), model.groups.size(), model.codes.size()};
        return 0;
    }

private:
    bool Fail(const std::string& message) {
        report << kTool << message << std::endl;
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
        if (completed)
            report << kTool << "finished moving in the catalogue of an earlier import that was cut short" << std::endl;
        RemoveStaleStaging(target);
        if (!request.force && HasAnyFile(target, CatalogueFileList())) {
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
            if (request.quiet) continue;
            report << kTool << RoleName(static_cast<SourceRole>(r)) << ": " << *paths[r] << " ("
                   << EncodingName(texts[r].encoding) << ")" << std::endl;
        }
        if (!BuildCatalogueModel(texts[0], texts[1], texts[2], model, error)) return Fail(FormatImportError(error));
        for (const std::string& note : model.leftOut) report << kTool << "note: " << note << std::endl;
        return true;
    }

    bool MakeTarget() {
        if (prepared) return true;
        if (!IsDirectory(target) && mkdir(target.c_str(), 0755) != 0) {
            return Fail("cannot make the directory " + target + ": " + std::strerror(errno));
        }
        return PrepareTarget();
    }

    bool BuildAndInstall(const CatalogueModel& model) {
        std::string staging, error;
        if (!CreateStaging(target, staging, error)) return Fail(error);
        ProgressReporter progress(request.quiet ? ProgressStyle::None : request.progress, report);
        if (!WriteCatalogueFiles(model, staging + "/", std::ref(progress), error) || !SyncStaging(staging, error)) {
            DiscardStaging(staging);
            return Fail(error + "; " + target + " is unchanged");
        }
        bool markerWritten = false;
        if (!InstallStaging(target, staging, markerWritten, error)) {
            if (!markerWritten) {
                DiscardStaging(staging);
                unlink((target + "/" + kPendingMarkerName).c_str());
                return Fail(error + "; " + target + " is unchanged");
            }
            return Fail(error + "; the catalogue in " + target +
                        " is incomplete until the next kodexa-import run into it finishes the move");
        }
        return true;
    }

    const ImportRequest& request;
    std::ostream& report;
    std::string target;
    SourceFiles files;
    TargetLock lock;
    bool prepared = false;
};

}  // namespace

int RunImport(const ImportRequest& request, std::ostream& report, ImportCounts* counts) {
    ImportRun run(request, report);
    return run.Run(counts);
}

}  // namespace kodexa
