// Fuzzes the ".pvtype" reader for a fixed level with the PVs A and B.
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        write_file(".arm", "1 2\n1 2 1.0 0\n2 1 3.0 0\n");
        write_file(".var", "A B\n1 0 1 0 2\n2 0 0 1 0\n");
        return true;
    }();
    (void)ready;
    write_file(".pvtype", data, size);
    load_model();
    return 0;
}
