#include "tests/fuzz/fuzz_targets.h"

namespace kodexa::fuzz {

const Target* AllTargets() {
    static const Target kTargets[] = {
        {"store", FuzzStoreFile},
        {"index", FuzzIndexFile},
        {"check", FuzzFileCheck},
        {nullptr, nullptr},
    };
    return kTargets;
}

}  // namespace kodexa::fuzz
