// The run of dss from its command line to its last output. A program built on it sets up its
// process (the output guards, and for dss-mpi MPI and PETSc) and hands it the command line.
#ifndef VELMAR_FRAMEWORK_PROGRAMRUN_H
#define VELMAR_FRAMEWORK_PROGRAMRUN_H

// What a program built on the run of dss says of itself.
struct ProgramFace {
    const char* name = "dss";  // in --version
    const char* helpLines = "";  // after the options --help lists
};

// Checks the command line, reads the state space, solves and writes every output; the exit
// status. Bad input ends the process with status 1 through exit(), so that a program's exit
// handlers run on every path.
int runDss(int argc, char** argv, const ProgramFace& face = ProgramFace());

// The face of the program that is running.
const ProgramFace& programFace();

#endif
