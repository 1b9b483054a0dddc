// Stand-in when the benchmark is built without PETSc.
#include "bench/BenchEngines.h"

int petscSettings()
{
    return 0;
}

Engine petscEngine(int)
{
    return [](const std::string&, const std::string&, const Report&) {};
}
