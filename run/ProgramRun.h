// The run of dss from its command line to its last output. A program built on it sets up its
// process (the output guards, and for dss-mpi MPI and PETSc) and hands it the command line.
#ifndef VELMAR_RUN_PROGRAMRUN_H
#define VELMAR_RUN_PROGRAMRUN_H

#include "framework/ProgramFace.h"

// Checks the command line, reads the state space, solves and writes every output; the exit
// status. Bad input ends the process with status 1 through exit(), so that a program's exit
// handlers run on every path.
// The face's solver is dss's direct solver unless the face names another.
int runDss(int argc, char** argv, const ProgramFace& face = ProgramFace());

#endif
