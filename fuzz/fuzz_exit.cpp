// Fuzzing definition of the readers' way out: unwinds to the harness, which
// then checks that nothing leaked and goes on with the next input.
#include "fuzz/fuzz_exit.h"
#include "statelevel/Flat/flat_file_exit.h"

void flat_file_exit(int status)
{
    throw FlatFileExit{status};
}
