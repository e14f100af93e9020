#include "import/catalogue_writer.h"

#include <type_traits>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_records.h"
#include "index/object_database.h"
#include "store/store_error.h"

namespace kodexa {

namespace {

std::string DescribeFailure(CatalogueFile which, const char* action, const char* message) {
    return std::string(action) + " " + NamesOf(which).dataName + " failed: " + message;
}

// One catalogue database, open for writing while the object lives.
class OutputDatabase {
public:
    OutputDatabase(CatalogueFile which, const std::string& dir, std::string& error)
        : which(which), error(error), catalogue(dir), db(catalogue.Database(which)) {
        opened = catalogue.Open(which, CatalogueAccess::Writing) == 0;
        if (!opened) error = DescribeFailure(which, "creating", Message(db.LastError()).c_str());
    }
    OutputDatabase(const OutputDatabase&) = delete;
    OutputDatabase& operator=(const OutputDatabase&) = delete;

    bool Opened() const { return opened; }
    ObjectDatabase* Database() { return &db; }

    bool Store(CatalogueRecord& record, const std::string& code) {
        int result = record.Write();
        record.ReleaseTexts();
        if (result == 0) return true;
        error = DescribeFailure(which, ("writing " + code + " to").c_str(), Message(result).c_str());
        return false;
    }

    bool Close() {
        int result = catalogue.Close(which);
        if (result != 0) error = DescribeFailure(which, "closing", Message(result).c_str());
        return result == 0;
    }

private:
    // The store's message, with what was wrong and where for damage.
    std::string Message(int code) const {
        std::string damage = code == kFileCorrupt ? db.DamageDescription() : std::string();
        return damage.empty() ? StoreErrorMessage(code) : damage;
    }

    CatalogueFile which;
    std::string& error;
    Catalogue catalogue;
    ObjectDatabase& db;
    bool opened = false;
};

template <typename Entry>
bool WriteTitled(CatalogueFile which, const std::vector<Entry>& entries, const std::string& dir, std::string& error) {
    OutputDatabase out(which, dir, error);
    if (!out.Opened()) return false;
    // Chapters and groups have the same two texts.
    using Record = std::conditional_t<std::is_same<Entry, ChapterEntry>::value, ChapterRecord, GroupRecord>;
    Record record(out.Database());
    for (const Entry& entry : entries) {
        record.code = entry.code;
        record.title = entry.title;
        if (!out.Store(record, entry.code)) return false;
    }
    return out.Close();
}

bool WriteCodes(const std::vector<CodeEntry>& codes, const std::string& dir, const WriteProgress& progress,
                std::string& error) {
    OutputDatabase out(CatalogueFile::Codes, dir, error);
    if (!out.Opened()) return false;
    CodeRecord record(out.Database());
    for (size_t i = 0; i < codes.size(); ++i) {
        const CodeEntry& code = codes[i];
        record.code = code.code;
        record.title = code.title;
        record.level = code.level;
        record.chapterCode = code.chapterCode;
        record.groupCode = code.groupCode;
        record.branchMark = code.branchMark;
        record.spareMark = code.spareMark;
        if (!out.Store(record, code.code)) return false;
        if (progress) progress(i + 1, codes.size());
    }
    return out.Close();
}

}  // namespace

std::vector<std::string> CatalogueFileList() { return FileNamesOf(kAllCatalogueFiles); }

bool WriteCatalogueFiles(const CatalogueModel& model, const std::string& dir, const WriteProgress& progress,
                         std::string& error) {
    return WriteTitled(CatalogueFile::Groups, model.groups, dir, error) &&
           WriteTitled(CatalogueFile::Chapters, model.chapters, dir, error) &&
           WriteCodes(model.codes, dir, progress, error);
}

}  // namespace kodexa
