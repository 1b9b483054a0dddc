// The M/M/1/5 queue of the examples in all three formats (flat, PRISM, DRN) in one temporary
// directory, under the base name mm1k.
#ifndef VELMAR_TESTS_SUPPORT_THREEFORMATS_H
#define VELMAR_TESTS_SUPPORT_THREEFORMATS_H

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

struct ThreeFormats {
    TempDir dir;
    ThreeFormats()
    {
        namespace fs = std::filesystem;
        const std::string examples = std::string(VELMAR_EXAMPLES) + "/";
        const std::string data = std::string(VELMAR_TEST_DATA) + "/";
        for (std::string ext : {".arm", ".var", ".pvtype", ".parm"})
            fs::copy_file(examples + "mm1k" + ext, dir.file("mm1k" + ext));
        fs::copy_file(data + "prism/queue.tra", dir.file("mm1k.tra"));
        fs::copy_file(data + "prism/queue1.srew", dir.file("mm1k1.srew"));
        fs::copy_file(data + "prism/queue2.srew", dir.file("mm1k2.srew"));
        fs::copy_file(data + "drn/queue.drn", dir.file("mm1k.drn"));
    }
};

#endif
