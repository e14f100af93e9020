// libFuzzer's entry; each fuzzer executable compiles this file with
// KODEXA_FUZZ_ENTRY naming its target function.
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return kodexa::fuzz::KODEXA_FUZZ_ENTRY(data, size);
}
