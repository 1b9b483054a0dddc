// Where the wall-clock time of a run went, phase by phase.
#ifndef VELMAR_RUNPHASES_H
#define VELMAR_RUNPHASES_H

// Wall-clock seconds of each phase of a run.
struct RunPhases {
    double reading = 0.0;     // the state-space files, and the chain built from them
    double structure = 0.0;   // closed classes, blocks of states and the unit of time
    double solving = 0.0;     // the stationary vector: every attempt and every check
    double evaluation = 0.0;  // the PVs: their distributions, moments, plot files and CSV blocks
    double writing = 0.0;     // the state probability file and the tidy CSV file
};

// Seconds on a clock that only goes forward, from an arbitrary start: differences of two
// readings are wall-clock durations.
double wallSeconds();

#endif
