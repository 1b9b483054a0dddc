// The readers' way out, turned into an exception for the harnesses.
#ifndef VELMAR_FUZZ_EXIT_H
#define VELMAR_FUZZ_EXIT_H

struct FlatFileExit {
    int status;
};

#endif
