// Fuzzing definitions of the readers' ways out: they unwind to the harness,
// which then checks that nothing leaked and goes on with the next input.
#include "fuzz/fuzz_exit.h"
#include "statelevel/Chain/chain_file_fault.h"
#include "statelevel/Flat/flat_file_exit.h"

void flat_file_exit(int status) { throw FlatFileExit{status}; }

void chain_file_fault(const ChainFault& fault) { throw ChainFileExit{fault.message()}; }
