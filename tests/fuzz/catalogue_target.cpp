// A catalogue cut from one input (six pieces, data1.dat ... data3.ndx),
// checked as a whole, opened read-write as the window does, filled into a tree, searched twice
// and closed. Walks end within what the files hold; a catalogue the checker
// finds sound without a warning is left byte for byte as it was.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_check.h"
#include "import/catalogue_writer.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

int FuzzCatalogue(const uint8_t* data, size_t size) {
    const TempDir scratch;
    const std::string dir = scratch.Path() + "/";
    const std::vector<std::string> names = CatalogueFileList();
    std::vector<Bytes> pieces = SplitInput(data, size, names.size());
    int64_t indexBytes = 0;
    bool sound = true;
    for (size_t i = 0; i < names.size(); ++i) {
        ScratchFile(dir + names[i], pieces[i]);
        if (IsIndexFileName(names[i])) indexBytes += int64_t(pieces[i].size());
        // Oddities the checker only warns of (a file longer than its header
        // says) are put right by a read-write open, as they always were.
        sound = sound && IsClean(dir + names[i], IsIndexFileName(names[i]));
    }
    CheckCatalogue(dir);  // read-only: ends, and leaves a sound catalogue as it was
    {
        Catalogue catalogue(dir);
        for (CatalogueFile file : {CatalogueFile::Chapters, CatalogueFile::Groups, CatalogueFile::Codes})
            catalogue.Open(file, CatalogueAccess::Writing);
        // Every item and every hit comes from one index entry.
        const int64_t mostEntries = indexBytes / (kEntryLinkSize + 1) + 2;
        CountingSink tree;
        catalogue.FillTree(tree);
        FUZZ_REQUIRE(tree.items <= mostEntries, "the tree holds more items than the indexes hold entries");
        for (const char* text : {"", "a"}) {
            CountingSink hits;
            catalogue.Search(text, hits);
            FUZZ_REQUIRE(hits.results <= mostEntries, "a search lists more hits than the code index holds");
        }
        catalogue.CloseAll();
    }
    for (size_t i = 0; sound && i < names.size(); ++i)
        FUZZ_REQUIRE(ReadAllBytes(dir + names[i]) == pieces[i], "opening and closing changed a sound catalogue file");
    return 0;
}

}  // namespace kodexa::fuzz
