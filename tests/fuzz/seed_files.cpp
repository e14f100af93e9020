#include <filesystem>

#include "import/alpha_index.h"
#include "import/catalogue_writer.h"
#include "index/btree_index.h"
#include "store/store_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

namespace fs = std::filesystem;

// Objects of mixed sizes, every third one deleted and every fifth released
// as soon as written, so that the free list holds both kinds and later
// first-fit allocations split and reuse freed blocks.
bool MakeStoreFile(const std::string& path, char revision, int staticSize, int objects) {
    StoreFile store;
    if (store.Create(path.c_str(), staticSize, revision) != kNoError) return false;
    for (int i = 0; i < objects; ++i) {
        const int size = 4 + 7 * (i * 5 % 12);
        const FileAddress object = store.Allocate(size, i % 2 ? kFirstFit : kAppendOnly);
        const Bytes bytes(size_t(size), static_cast<unsigned char>('a' + i));
        if (object == 0 || store.Write(bytes.data(), size, object, 0, 0) != kNoError) return false;
        store.WriteObjectChecksum(object);
        if (i % 3 == 2 || i % 5 == 4) store.Remove(object, i % 5 == 4);
    }
    return store.Close() == kNoError;
}

// Keys K000... inserted out of order, then every second one from the top removed.
bool MakeIndexFile(const std::string& path, char revision, int order, int keys, int removed) {
    auto* file = new StoreFile();
    BtreeIndex tree(FuzzKey(), order, -1);
    tree.Adopt(file);
    if (file->Create(path.c_str(), kBtreeHeaderSize, revision) != kNoError) return false;
    if (tree.Create(file, 1, file->HeaderSize()) != kNoError) return false;
    FuzzKey scratch;
    for (int i = 0; i < keys; ++i) {
        FuzzKey key("K" + std::to_string(1000 + (i * 37) % keys).substr(1));
        if (tree.Insert(key, scratch, 0) != 1) return false;
    }
    for (int i = 0; i < removed; ++i) {
        FuzzKey key("K" + std::to_string(1000 + keys - 1 - 2 * i).substr(1));
        if (tree.Remove(key, scratch, 0) != 1) return false;
    }
    return tree.Close() == kNoError;
}

// Each alphabetical index file of a source set is an input as it is. A set
// holding the three files of an import gives an import input (the three
// joined) and, imported, a catalogue input (the six files made of them,
// joined). A set that gives nothing is a mistake.
bool MakeSourceSetSeeds(const std::string& dir, const std::string& sourceSet) {
    bool gave = false;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(sourceSet, ignored)) {
        if (!IsAlphaIndexName(entry.path().filename().string())) continue;
        WriteFile(dir + "/alpha/" + entry.path().filename().string(), ReadFile(entry.path().string()));
        gave = true;
    }
    ImportRequest request;
    ImportError error;
    if (!FindSourceFiles(sourceSet, request.files, error)) return gave;
    const std::string name = fs::path(sourceSet).filename().string();
    const SourceFiles& in = request.files;
    WriteFile(dir + "/import/" + name, Joined({ReadFile(in.chapters), ReadFile(in.groups), ReadFile(in.codes)}));
    request.targetDir = dir + "/imported-" + name;
    FailureOnlyReport report;
    if (RunImport(request, report) != 0) return false;
    std::vector<Bytes> parts;
    for (const std::string& part : CatalogueFileList()) parts.push_back(ReadFile(request.targetDir + "/" + part));
    WriteFile(dir + "/catalogue/" + name, Joined(parts));
    fs::remove_all(request.targetDir, ignored);
    return true;
}

}  // namespace

bool MakeSeedFiles(const std::string& dir, const std::vector<std::string>& sourceSets) {
    for (const char* sub : {"/store", "/index", "/catalogue", "/import", "/mapped", "/alpha"}) {
        std::error_code error;
        fs::create_directories(dir + sub, error);
        if (error) return false;
    }
    for (const std::string& sourceSet : sourceSets)
        if (!MakeSourceSetSeeds(dir, sourceSet)) return false;
    // The mapped reads take each store and index file with a script of reads and changes behind it.
    for (char revision : {char(0), 'A', 'B', 'C'}) {
        for (int objects : {0, 3, 12}) {
            const std::string name = std::to_string(revision) + "-" + std::to_string(objects) + ".kvd";
            if (!MakeStoreFile(dir + "/store/" + name, revision, objects == 3 ? 28 : 0, objects)) return false;
            WriteFile(dir + "/mapped/" + name, Joined({ReadFile(dir + "/store/" + name), MappedSeedScript()}));
        }
        if (revision != 0 && revision != 'C') continue;
        static const int kShapes[][3] = {{29, 0, 0}, {29, 1, 0}, {5, 12, 0}, {29, 60, 20}, {5, 80, 30}};
        for (const int* shape : kShapes) {  // order, keys, keys removed
            const std::string name = std::to_string(revision) + "-" + std::to_string(shape[1]) + ".ndx";
            if (!MakeIndexFile(dir + "/index/" + name, revision, shape[0], shape[1], shape[2])) return false;
            WriteFile(dir + "/mapped/" + name, Joined({ReadFile(dir + "/index/" + name), MappedSeedScript()}));
        }
    }
    return true;
}

}  // namespace kodexa::fuzz
