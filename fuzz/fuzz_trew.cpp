// Fuzzes PRISM's ".trew" reader beside a fixed three-state ".tra".
#include "fuzz/fuzz_prism_companion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz_prism_file(".trew", data, size);
    return 0;
}
