// The B-tree part of the file check.
#ifndef KODEXA_CHECK_TREE_CHECK_H
#define KODEXA_CHECK_TREE_CHECK_H

#include "check/check_report.h"
#include "check/store_scan.h"

namespace kodexa {

void CheckTree(StoreFile& file, const StoreScan& scan, CheckReport& report);

}  // namespace kodexa

#endif
