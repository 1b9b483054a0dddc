// The PRISM companions of the fuzzed ".sta", ".lab", ".srew" and ".trew" files: a
// fixed three-state ".tra", and no other companion file.
#ifndef VELMAR_FUZZ_PRISM_COMPANION_H
#define VELMAR_FUZZ_PRISM_COMPANION_H

#include "fuzz/fuzz_chain.h"
#include "statelevel/Prism/PrismStateLevel.h"

// Writes the fuzzed file with extension ext beside the fixed ".tra" and loads the level.
inline void fuzz_prism_file(const char* ext, const uint8_t* data, size_t size)
{
    static bool ready = [] {
        write_file(".tra", "3 4\n0 1 1.0\n1 2 2.0\n2 0 0.5\n1 0 1\n");
        return true;
    }();
    (void)ready;
    write_file(ext, data, size);
    load_chain<PrismStateLevel>();
}

#endif
