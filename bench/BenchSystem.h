// What the peers are given: the chain read from the files as the program reads it, and the
// system with one recurrent state fixed in the states' own order (no dense row).
#ifndef VELMAR_BENCH_SYSTEM_H
#define VELMAR_BENCH_SYSTEM_H

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchEngines.h"
#include "chain/Generator.h"
#include "methods/ReducedSystem.h"

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Reads the files at base into a state level (the read time) and the chain from it (part of
// the solve, as in the program), reporting the size.
Generator readChain(const std::string& base, Figures& f, const Report& report);

// The fixed system of q in the natural order; false for a chain with several closed classes.
bool fixedSystem(const Generator& q, ReducedSystem& s);

// Normalises pi, measures its residual into f, writes it to path and reports completion.
void finishPeer(const Generator& q, std::vector<double>& pi, const std::string& path, Figures& f,
                const Report& report);

#endif
