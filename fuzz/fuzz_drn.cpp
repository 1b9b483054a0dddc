// Fuzzes the DRN reader.
#include "fuzz/fuzz_chain.h"
#include "statelevel/Drn/DrnStateLevel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    write_file(".drn", data, size);
    load_chain<DrnStateLevel>();
    return 0;
}
