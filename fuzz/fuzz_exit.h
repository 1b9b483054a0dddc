// The readers' way out, turned into an exception for the harnesses.
#ifndef VELMAR_FUZZ_EXIT_H
#define VELMAR_FUZZ_EXIT_H

#include <string>

struct FlatFileExit {
    int status;
};

// A refused chain file of another tool's format, with the message it would print.
struct ChainFileExit {
    std::string message;
};

#endif
