// Read-only soundness check of a store file and, for index files, of the
// B-tree inside it. It never writes and never trusts what it reads: every
// walk is bounded by the file's size, the tree's depth cap and the set of
// places already visited. The store part runs first; the tree part works
// from the blocks it found.
#ifndef KODEXA_CHECK_FILE_CHECK_H
#define KODEXA_CHECK_FILE_CHECK_H

#include <string>

#include "check/check_report.h"
#include "store/store_file.h"

namespace kodexa {

// Checks a file that is already open (through any mode); reads only.
CheckReport CheckStore(StoreFile& file, bool asIndex);
// Opens the file read-only and checks it.
CheckReport CheckStoreFile(const std::string& name, bool asIndex);
// Index files are the ones named *.ndx (in any case).
bool IsIndexFileName(const std::string& name);

}  // namespace kodexa

#endif
