// Ending the load of a chain file that cannot be used: the typed bad-input error, which the
// program entry writes to standard error before it ends with status 1.
#include "statelevel/Chain/chain_file_fault.h"

#include "framework/InputError.h"

void chain_file_fault(const ChainFault& fault)
{
    throw InputError(fault.message() + "\n", InputError::STANDARD_ERROR);
}
