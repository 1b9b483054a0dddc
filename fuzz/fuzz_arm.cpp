// Fuzzes the ".arm" reader beside a fixed one-PV ".var" and ".pvtype".
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        write_file(".var", "A\n1 0 1\n2 0 0\n");
        write_file(".pvtype", "Version:1\nNumPV:1\nName:A\nType:3\nNumTimes:0\n");
        return true;
    }();
    (void)ready;
    write_file(".arm", data, size);
    load_model();
    return 0;
}
