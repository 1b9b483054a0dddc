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

// Sets a phase of the figures to the wall-clock seconds of its own life.
class PhaseClock {
public:
    explicit PhaseClock(double& phase) : phase(phase) {}
    ~PhaseClock() { phase = since(began); }
    PhaseClock(const PhaseClock&) = delete;
    PhaseClock& operator=(const PhaseClock&) = delete;

private:
    double& phase;
    Clock::time_point began = Clock::now();
};

// Reads the files at base into a state level and the chain from it (the read phase, as in
// the program), reporting the size.
Generator readChain(const std::string& base, Figures& f, const Report& report);

// The fixed system of q in the natural order (the structure phase); false for a chain with
// several closed classes.
bool fixedSystem(const Generator& q, ReducedSystem& s, Figures& f);

// Normalises pi and checks it as the program checks its answers, blocks included (the check
// phase), writes it to path (the write phase) and reports; complete when the engine accepted
// its answer and the check passed.
void finishPeer(const Generator& q, std::vector<double>& pi, const std::string& path, Figures& f,
                const Report& report, bool accepted = true);

#endif
