// The processes of dss-mpi: the first runs dss, the others serve it. They wait for its
// commands and take their part in each solve across the processes until it tells them to
// stop, which it does on every way it ends through exit().
#ifndef VELMAR_MPI_PROCESSTEAM_H
#define VELMAR_MPI_PROCESSTEAM_H

#include <mpi.h>

enum class TeamCommand : int { Stop = 0, Solve = 1 };

// First process: sends the command to every other process.
void commandTeam(TeamCommand c);

// The other processes: serves the first one until it says stop.
void serveFirstProcess(MPI_Comm comm);

// First process: at its exit the others are told to stop, and PETSc and MPI end, so that the
// run's exit status is the first process's. When the exit comes in the middle of a solve
// across the processes, the others may be waiting in it: the whole run is then aborted.
void endTeamAtExit(MPI_Comm comm);

// Marks a solve across the processes under way on the first process while it lives.
class SolveUnderWay {
public:
    SolveUnderWay();
    ~SolveUnderWay();
    SolveUnderWay(const SolveUnderWay&) = delete;
    SolveUnderWay& operator=(const SolveUnderWay&) = delete;
};

#endif
