#include "catalogue/catalogue.h"
#include "import/alpha_index.h"
#include "index/object_database.h"
#include "store/store_error.h"

namespace kodexa {

namespace {

std::string Describe(const char* action, const char* message) {
    return std::string(action) + " " + NamesOf(CatalogueFile::AlphaIndex).dataName + " failed: " + message;
}

bool StoreBlock(AlphaBlockRecord& block, size_t number, std::vector<AlphaTerm>& pending, std::string& error) {
    block.name = AlphaBlockName(number);
    block.terms = PackTerms(pending);
    pending.clear();
    const int result = block.Write();
    if (result == kNoError) return true;
    error = Describe(("writing block " + block.name + " to").c_str(), StoreErrorMessage(result));
    return false;
}

}  // namespace

// Terms go into blocks of about kAlphaBlockTargetSize bytes, numbered in
// code order, so that the search reads few objects.
bool WriteAlphaIndex(const AlphaIndexModel& model, const std::string& dir, std::string& error) {
    Catalogue catalogue(dir);
    const CatalogueFile which = CatalogueFile::AlphaIndex;
    if (catalogue.Open(which, CatalogueAccess::Writing) != kNoError) {
        error = Describe("creating", StoreErrorMessage(catalogue.Error(which)));
        return false;
    }
    AlphaBlockRecord block(&catalogue.Database(which));
    std::vector<AlphaTerm> pending;
    size_t pendingSize = 0, number = 0;
    for (const AlphaTerm& term : model.terms) {
        pending.push_back(term);
        pendingSize += PackTerms({term}).size();
        if (pendingSize < kAlphaBlockTargetSize) continue;
        if (!StoreBlock(block, ++number, pending, error)) return false;
        pendingSize = 0;
    }
    if (!pending.empty() && !StoreBlock(block, ++number, pending, error)) return false;
    const int closed = catalogue.Close(which);
    if (closed != kNoError) error = Describe("closing", StoreErrorMessage(closed));
    return closed == kNoError;
}

}  // namespace kodexa
