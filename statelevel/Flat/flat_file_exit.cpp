// Ending the run on a state-space file that cannot be loaded.
#include "statelevel/Flat/flat_file_exit.h"

#include <cstdlib>

void flat_file_exit(int status)
{
    exit(status);
}
