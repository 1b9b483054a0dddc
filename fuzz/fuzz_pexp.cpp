// Fuzzes PRISM's single-file ".pexp" reader alone (no other PRISM file present).
#include "fuzz/fuzz_chain.h"
#include "statelevel/Prism/PrismStateLevel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    write_file(".pexp", data, size);
    load_chain<PrismStateLevel>();
    return 0;
}
