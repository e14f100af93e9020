// The walk every reader of a whole database shares: each record that index
// 0 leads to, in key order, read into one record object and handed on. A
// record that cannot be read costs its own visit only; the walk goes on and
// its status keeps the first such failure, or the index's.
#ifndef KODEXA_CATALOGUE_RECORD_WALK_H
#define KODEXA_CATALOGUE_RECORD_WALK_H

#include <string>
#include <type_traits>

#include "catalogue/catalogue_key.h"
#include "index/btree_cursor.h"
#include "index/object_database.h"
#include "index/persistent_object.h"

namespace kodexa {

// What a walk over a database gave: whether it handed anything on (a search
// hit), and how it ended.
struct WalkResult {
    bool found = false;
    WalkStatus status;
};

// A database without an index has nothing to walk; the failure to open it
// was reported when it was opened. A visit that answers false ends the walk
// there, neither ended nor failed (a search overtaken by the next one).
template <typename Visit>
WalkStatus ForEachRecord(ObjectDatabase& db, PersistentObject& record, Visit&& visit) {
    WalkStatus status;
    BtreeIndex* index = db.Index(0);
    if (index == nullptr || db.DataFile() == nullptr) {
        status.state = WalkStatus::kEnded;
        return status;
    }
    CatalogueKey key, scratch;
    BtreeCursor cursor(*index, key, scratch);
    for (bool on = cursor.First(); on; on = cursor.Next()) {
        if (!record.ReadAt(key.ObjectAddress())) {
            status.Fail(*db.DataFile());
        } else if constexpr (std::is_same_v<std::invoke_result_t<Visit&>, bool>) {
            if (!visit()) return status;
        } else {
            visit();
        }
    }
    status.Keep(cursor.Status());
    if (!status.Failed()) status.state = WalkStatus::kEnded;
    return status;
}

}  // namespace kodexa

#endif
