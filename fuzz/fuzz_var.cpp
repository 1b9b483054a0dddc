// Fuzzes the ".var" reader beside a fixed three-state ".arm" and a
// ".pvtype" for a level without PVs.
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        write_file(".arm", "1 3\n1 2 1.0 0\n2 3 2.0 0\n3 1 0.5 0\n");
        write_file(".pvtype", "Version:1\nNumPV:0\n");
        return true;
    }();
    (void)ready;
    write_file(".var", data, size);
    load_model();
    return 0;
}
