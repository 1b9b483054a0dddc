// The wall clock of the phases.
#include "framework/RunPhases.h"

#include <chrono>

double wallSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
