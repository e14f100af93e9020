#include "bench/catalogue_bench.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "bench/sqlite_db.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_records.h"
#include "catalogue/record_walk.h"

#ifdef KODEXA_BENCH_FOX
#include <fx.h>
#endif

namespace kodexa::bench {

namespace {

void CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) Die("cannot read " + from);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    if (!out) Die("cannot write " + to);
}

// Chapters or groups with their titles, in index order.
std::vector<CodeRow> AllRecords(ObjectDatabase& db, CatalogueRecord& record) {
    std::vector<CodeRow> rows;
    const WalkStatus walked =
        ForEachRecord(db, record, [&] { rows.push_back({TextOrEmpty(record.code), TextOrEmpty(record.title)}); });
    if (!walked.Ended()) Die("unreadable catalogue: " + walked.Description());
    return rows;
}

void FillTable(SqliteDb& db, const char* table, const std::vector<CodeRow>& rows) {
    std::string create = std::string("CREATE TABLE ") + table + "(code TEXT PRIMARY KEY, title TEXT)";
    db.Exec(create.c_str());
    std::string insertSql = std::string("INSERT INTO ") + table + "(code, title) VALUES(?, ?)";
    SqliteStatement insert(db, insertSql.c_str());
    for (const CodeRow& row : rows) {
        insert.BindText(1, row.code);
        insert.BindText(2, row.title);
        insert.Step();
        insert.Reset();
    }
}

}  // namespace

std::string CatalogueCopy(const Options& options) {
    std::string dir = options.workDir + "/catalogue";
    if (access((dir + "/data3.ndx").c_str(), F_OK) == 0) return dir;
    mkdir(dir.c_str(), 0755);
    for (CatalogueFile which : {CatalogueFile::Groups, CatalogueFile::Chapters, CatalogueFile::Codes}) {
        const CatalogueFileNames& names = NamesOf(which);
        CopyFile(options.catalogueDir + "/" + names.dataName, dir + "/" + names.dataName);
        CopyFile(options.catalogueDir + "/" + names.indexName, dir + "/" + names.indexName);
    }
    return dir;
}

std::vector<CodeRow> AllCodes(const std::string& catalogueDir) {
    Catalogue catalogue(catalogueDir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading)) Die("no catalogue in " + catalogueDir);
    struct Rows : SearchSink {
        void AddResult(const std::string& code, const std::string& title) override { rows.push_back({code, title}); }
        std::vector<CodeRow> rows;
    } sink;
    catalogue.Search("", sink);
    catalogue.CloseAll();
    if (sink.rows.empty()) Die("the catalogue in " + catalogueDir + " holds no codes");
    return sink.rows;
}

std::string SqliteCatalogue(const Options& options, const std::string& catalogueDir) {
    std::string path = options.workDir + "/catalogue.sqlite";
    if (access(path.c_str(), F_OK) == 0) return path;
    Catalogue catalogue(catalogueDir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading)) Die("no catalogue in " + catalogueDir);
    ChapterRecord chapter(&catalogue.Database(CatalogueFile::Chapters));
    GroupRecord group(&catalogue.Database(CatalogueFile::Groups));
    std::vector<CodeRow> chapters = AllRecords(catalogue.Database(CatalogueFile::Chapters), chapter);
    std::vector<CodeRow> groups = AllRecords(catalogue.Database(CatalogueFile::Groups), group);
    catalogue.CloseAll();
    std::vector<CodeRow> codes = AllCodes(catalogueDir);
    SqliteDb db(path + ".part", true);
    db.Exec("BEGIN");
    FillTable(db, "chapters", chapters);
    FillTable(db, "groups", groups);
    FillTable(db, "codes", codes);
    db.Exec("COMMIT");
    if (rename((path + ".part").c_str(), path.c_str()) != 0) Die("cannot write " + path);
    return path;
}

namespace {

// The anchor of the walk: every chapter, group and code read back from
// SQLite in code order, as a program keeping its catalogue there would.
void SqliteReadAll(const std::string& path, size_t& rows) {
    SqliteDb db(path, false);
    rows = 0;
    for (const char* sql : {"SELECT code, title FROM chapters ORDER BY code",
                            "SELECT code, title FROM groups ORDER BY code",
                            "SELECT code, title FROM codes ORDER BY code"}) {
        SqliteStatement select(db, sql);
        while (select.Step()) {
            std::string label = std::string(select.Text(0)) + " - " + select.Text(1);
            rows += label.empty() ? 0 : 1;
        }
    }
}

#ifdef KODEXA_BENCH_FOX

class FoxTreeSink : public TreeSink {
public:
    explicit FoxTreeSink(FXTreeList* tree) : tree(tree) {}
    Item AddItem(Item parent, const std::string& label, IconRole, ItemKind, const std::string&) override {
        return tree->appendItem(static_cast<FXTreeItem*>(parent), label.c_str(), nullptr, nullptr, nullptr, TRUE);
    }

private:
    FXTreeList* tree;
};

void TreeListFill(const Options& options, const std::string& dir, Table& table) {
    static int argc = 1;
    static char name[] = "kodexa-bench";
    static char* argv[] = {name, nullptr};
    FXApp application("KodexaBench", "Taviron");
    application.init(argc, argv);
    FXMainWindow* window = new FXMainWindow(&application, "Kodexa bench tree", nullptr, nullptr, DECOR_ALL, 0, 0, 600, 400);
    FXTreeList* tree = new FXTreeList(window, nullptr, 0,
                                      TREELIST_SHOWS_LINES | TREELIST_SHOWS_BOXES | TREELIST_ROOT_BOXES | LAYOUT_FILL_X |
                                          LAYOUT_FILL_Y);
    application.create();

    Sample ours = Repeat(options.reps, true, [&] {
        tree->clearItems();
        Catalogue catalogue(dir);
        if (!catalogue.OpenAll(CatalogueAccess::Reading)) Die("no catalogue in " + dir);
        FoxTreeSink sink(tree);
        if (!catalogue.FillTree(sink)) Die("tree walk failed");
        catalogue.CloseAll();
    });
    // The widget's own share: the same items from labels already in memory.
    struct Recorded : TreeSink {
        Item AddItem(Item parent, const std::string& label, IconRole, ItemKind, const std::string&) override {
            items.push_back({parent, label});
            return reinterpret_cast<Item>(items.size());
        }
        std::vector<std::pair<Item, std::string>> items;
    } recorded;
    {
        Catalogue catalogue(dir);
        if (!catalogue.OpenAll(CatalogueAccess::Reading)) Die("no catalogue in " + dir);
        catalogue.FillTree(recorded);
        catalogue.CloseAll();
    }
    Sample widgetOnly = Repeat(options.reps, true, [&] {
        tree->clearItems();
        std::vector<FXTreeItem*> made;
        made.reserve(recorded.items.size());
        for (const auto& item : recorded.items) {
            size_t parent = reinterpret_cast<size_t>(item.first);
            made.push_back(tree->appendItem(parent ? made[parent - 1] : nullptr, item.second.c_str(), nullptr, nullptr,
                                            nullptr, TRUE));
        }
    });
    tree->clearItems();
    Row row;
    row.figure = "2b";
    row.what = "open + tree walk into an FXTreeList (Xvfb)";
    row.subject = "FillChapterTree";
    row.subjectSample = ours;
    row.anchor = "floor: the same items from memory";
    row.anchorSample = widgetOnly;
    table.Add(row);
}

#endif

}  // namespace

void StartupInProcess(const Options& options, Table& table) {
    std::string dir = CatalogueCopy(options);
    std::string sqlite = SqliteCatalogue(options, dir);
    size_t items = 0, rows = 0;
    Row row;
    row.figure = "2a";
    row.what = "open 3 databases + full tree walk, null sink";
    row.subject = "Catalogue::OpenAll + FillTree";
    row.subjectSample = Repeat(options.reps, true, [&] {
        Catalogue catalogue(dir);
        if (!catalogue.OpenAll(CatalogueAccess::Reading)) Die("no catalogue in " + dir);
        NullTreeSink sink;
        if (!catalogue.FillTree(sink)) Die("tree walk failed");
        items = sink.count;
        catalogue.CloseAll();
    });
    row.anchor = "SQLite open + all rows in code order";
    row.anchorSample = Repeat(options.reps, true, [&] { SqliteReadAll(sqlite, rows); });
    table.Add(row);
    if (items == 0 || rows == 0) Die("the tree walk found nothing");
#ifdef KODEXA_BENCH_FOX
    if (std::getenv("DISPLAY") != nullptr) TreeListFill(options, dir, table);
#endif
}

}  // namespace kodexa::bench
