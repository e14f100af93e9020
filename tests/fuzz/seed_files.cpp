#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include "import/catalogue_writer.h"
#include "import/alpha_index.h"
#include "import/importer.h"
#include "index/btree_index.h"
#include "store/store_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

constexpr char kRevisions[] = {0, 'A', 'B', 'C'};

std::string RevisionName(char revision) { return revision == 0 ? std::string("plain") : std::string(1, revision); }

// Objects of growing sizes; every third one deleted, every fifth released,
// so that the free list holds both kinds and blocks of several lengths.
bool MakeStoreFile(const std::string& path, char revision, int staticSize, int objects) {
    StoreFile store;
    if (store.Create(path.c_str(), staticSize, revision) != kNoError) return false;
    std::vector<FileAddress> placed;
    for (int i = 0; i < objects; ++i) {
        int size = 4 + 7 * i;
        FileAddress object = store.Allocate(size, i % 2 ? kFirstFit : kAppendOnly);
        if (object == 0) return false;
        Bytes bytes(size_t(size), static_cast<unsigned char>('a' + i % 26));
        if (store.Write(bytes.data(), size, object, 0, 0) != kNoError) return false;
        store.WriteObjectChecksum(object);
        placed.push_back(object);
    }
    for (size_t i = 0; i < placed.size(); ++i) {
        if (i % 3 == 2) store.Remove(placed[i], 0);
        if (i % 5 == 4) store.Remove(placed[i], 1);
    }
    if (objects > 6) {
        FileAddress reused = store.Allocate(5, kBestFit);
        if (reused == 0 || store.Write("reuse", 5, reused, 0, 0) != kNoError) return false;
        store.WriteObjectChecksum(reused);
    }
    return store.Close() == kNoError;
}

std::string Numbered(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "K%03d", n);
    return text;
}

bool MakeIndexFile(const std::string& path, char revision, int order, int keys, int removed) {
    auto* file = new StoreFile();
    BtreeIndex tree(FuzzKey(), order, -1);
    tree.Adopt(file);
    if (file->Create(path.c_str(), kBtreeHeaderSize, revision) != kNoError) return false;
    if (tree.Create(file, 1, file->HeaderSize()) != kNoError) return false;
    FuzzKey scratch;
    for (int i = 0; i < keys; ++i) {
        FuzzKey key(Numbered((i * 37) % keys));
        if (tree.Insert(key, scratch, 0) != 1) return false;
    }
    for (int i = 0; i < removed; ++i) {
        FuzzKey key(Numbered(keys - 1 - 2 * i));
        if (tree.Remove(key, scratch, 0) != 1) return false;
    }
    return tree.Close() == kNoError;
}

Bytes Joined(const std::vector<std::string>& files) {
    Bytes joined;
    for (size_t i = 0; i < files.size(); ++i) {
        if (i > 0) joined.insert(joined.end(), kPieceSeparator, kPieceSeparator + std::strlen(kPieceSeparator));
        Bytes piece = ReadFile(files[i]);
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    return joined;
}

// The import input is the three source files joined; the catalogue input
// the six files the importer makes of them.
bool MakeCatalogueSeeds(const std::string& dir, const std::string& sourceSet, std::vector<SeedFile>& seeds) {
    std::string name = std::filesystem::path(sourceSet).filename().string();
    SourceFiles files;
    ImportError error;
    if (!FindSourceFiles(sourceSet, files, error)) return false;
    std::string importSeed = dir + "/import/" + name + ".txt";
    WriteFile(importSeed, Joined({files.chapters, files.groups, files.codes}));
    seeds.push_back({"import", importSeed});

    std::string target = dir + "/imported-" + name;
    ImportRequest request;
    request.files = files;
    request.targetDir = target;
    FailureOnlyReport report;
    if (RunImport(request, report) != 0) return false;
    std::vector<std::string> parts = CatalogueFileList();
    for (std::string& part : parts) part = target + "/" + part;
    std::string catalogueSeed = dir + "/catalogue/" + name + ".cat";
    WriteFile(catalogueSeed, Joined(parts));
    seeds.push_back({"catalogue", catalogueSeed});
    std::error_code ignored;
    std::filesystem::remove_all(target, ignored);
    return true;
}

// Every alphabetical index file of a source set is an input as it is.
void CopyAlphaSeeds(const std::string& dir, const std::string& sourceSet, std::vector<SeedFile>& seeds) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(sourceSet, ignored)) {
        const std::string name = entry.path().filename().string();
        if (!IsAlphaIndexName(name)) continue;
        WriteFile(dir + "/alpha/" + name, ReadFile(entry.path().string()));
        seeds.push_back({"alpha", dir + "/alpha/" + name});
    }
}

// A source set gives catalogue seeds when it holds the three files of an
// import, and alphabetical index seeds when it holds such files; one with
// neither is a mistake.
bool MakeSourceSetSeeds(const std::string& dir, const std::string& sourceSet, std::vector<SeedFile>& seeds) {
    const size_t before = seeds.size();
    CopyAlphaSeeds(dir, sourceSet, seeds);
    SourceFiles files;
    ImportError error;
    if (!FindSourceFiles(sourceSet, files, error)) return seeds.size() > before;
    return MakeCatalogueSeeds(dir, sourceSet, seeds);
}

}  // namespace

std::vector<SeedFile> MakeSeedFiles(const std::string& dir, const std::vector<std::string>& sourceSets) {
    std::vector<SeedFile> seeds;
    for (const char* sub : {"/store", "/index", "/check", "/catalogue", "/import", "/mapped", "/alpha"}) {
        std::error_code error;
        std::filesystem::create_directories(dir + sub, error);
        if (error) return {};
    }
    for (const std::string& sourceSet : sourceSets)
        if (!MakeSourceSetSeeds(dir, sourceSet, seeds)) return {};
    // Each file goes to its own target and to the checker.
    auto add = [&](const char* target, const std::string& name, const std::function<bool(const std::string&)>& make) {
        for (const char* to : {target, "check"}) {
            std::string path = dir + "/" + to + "/" + name;
            if (!make(path)) return false;
            seeds.push_back({to, path});
        }
        // The mapped reads take the file with a script of reads and changes.
        std::string mapped = dir + "/mapped/" + name;
        Bytes bytes = ReadFile(dir + "/check/" + name);
        bytes.insert(bytes.end(), kPieceSeparator, kPieceSeparator + std::strlen(kPieceSeparator));
        const Bytes script = MappedSeedScript();
        bytes.insert(bytes.end(), script.begin(), script.end());
        WriteFile(mapped, bytes);
        seeds.push_back({"mapped", mapped});
        return true;
    };
    for (char revision : kRevisions)
        for (int objects : {0, 3, 12})
            if (!add("store", "store-" + RevisionName(revision) + "-" + std::to_string(objects) + ".kvd",
                     [&](const std::string& path) {
                         return MakeStoreFile(path, revision, objects == 3 ? 28 : 0, objects);
                     }))
                return {};
    static const int kShapes[][3] = {{29, 0, 0}, {29, 1, 0}, {5, 12, 0}, {29, 60, 20}, {5, 80, 30}};
    for (char revision : {char(0), 'C'})
        for (const int* shape : kShapes)  // order, keys, keys removed
            if (!add("index",
                     "index-" + RevisionName(revision) + "-" + std::to_string(shape[0]) + "-" +
                         std::to_string(shape[1]) + "-" + std::to_string(shape[2]) + ".ndx",
                     [&](const std::string& path) { return MakeIndexFile(path, revision, shape[0], shape[1], shape[2]); }))
                return {};
    return seeds;
}

}  // namespace kodexa::fuzz
