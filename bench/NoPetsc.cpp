// Stand-in when the benchmark is built without PETSc.
#include "bench/BenchEngines.h"

bool havePetsc()
{
    return false;
}

void petscEngine(const std::string&, const std::string&, const Report&)
{
}
