// Ending the run on a chain file that cannot be loaded.
#include "statelevel/Chain/chain_file_fault.h"

#include <cstdio>
#include <cstdlib>

void chain_file_fault(const ChainFault& fault)
{
    fflush(stdout);
    fprintf(stderr, "%s\n", fault.message().c_str());
    fflush(stderr);
    exit(1);
}
