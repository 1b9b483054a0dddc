// Where the wall-clock time of a run went, phase by phase.
#ifndef VELMAR_RUNPHASES_H
#define VELMAR_RUNPHASES_H

// Wall-clock seconds of each phase of a run.
struct RunPhases {
    double reading = 0.0;     // the state-space files, and the chain built from them
    double structure = 0.0;   // closed classes, blocks of states and the unit of time
    double solving = 0.0;     // the stationary vector: every attempt and every check
    double checking = 0.0;    // of solving, the solution checks
    double evaluation = 0.0;  // the PVs: their distributions and moments
    double writing = 0.0;     // plot files, CSV blocks, the state probability and tidy CSV files
};

// Seconds on a clock that only goes forward, from an arbitrary start: differences of two
// readings are wall-clock durations.
double wallSeconds();

// Adds the wall-clock seconds of its own life to *phase (to nothing when phase is null).
class PhaseTimer {
public:
    explicit PhaseTimer(double* phase) : phase(phase), began(phase != nullptr ? wallSeconds() : 0.0) {}
    ~PhaseTimer()
    {
        if (phase != nullptr) *phase += wallSeconds() - began;
    }
    PhaseTimer(const PhaseTimer&) = delete;
    PhaseTimer& operator=(const PhaseTimer&) = delete;

private:
    double* phase;
    double began;
};

#endif
