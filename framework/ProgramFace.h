// What a program built on the run of dss says of itself: dss, or dss-mpi.
#ifndef VELMAR_FRAMEWORK_PROGRAMFACE_H
#define VELMAR_FRAMEWORK_PROGRAMFACE_H

class BaseStateLevel;
class BaseStateLevelSolver;

// Builds the program's solver for a state level (none for the usage text) and a command line.
using SolverFactory = BaseStateLevelSolver* (*)(BaseStateLevel* level, int argc, char** argv);

struct ProgramFace {
    const char* name = "dss";  // in --version and the JSON results file
    const char* helpLines = "";  // after the options --help lists
    SolverFactory createSolver = nullptr;  // the solver the run drives; set by the run
};

// The face of the program that is running (dss's until a run sets another).
const ProgramFace& programFace();
void setProgramFace(const ProgramFace& face);

#endif
