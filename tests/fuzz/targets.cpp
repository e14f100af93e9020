#include "tests/fuzz/fuzz_targets.h"

namespace kodexa::fuzz {

const Target* AllTargets() {
    static const Target kTargets[] = {
        {"store", FuzzStoreFile},
        {"index", FuzzIndexFile},
        {"check", FuzzFileCheck},
        {"catalogue", FuzzCatalogue},
        {"import", FuzzImporter},
        {nullptr, nullptr},
    };
    return kTargets;
}

}  // namespace kodexa::fuzz
