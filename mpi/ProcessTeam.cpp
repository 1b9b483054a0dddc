// Commands from the first process, and the end of the run.
#include "mpi/ProcessTeam.h"

#include <petscsys.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "framework/PendingOutputs.h"
#include "mpi/SolveAcross.h"

namespace {

MPI_Comm team = MPI_COMM_NULL;
bool underWay = false;
const int commandTag = 1;

// Waits for the first process's next command, looking every millisecond: a process that
// waits in a blocking call would spin and take a core from the first process.
TeamCommand awaitCommand(MPI_Comm comm)
{
    int word = 0, done = 0;
    MPI_Request request;
    MPI_Irecv(&word, 1, MPI_INT, 0, commandTag, comm, &request);
    for (;;) {
        MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        if (done) return (TeamCommand)word;
        usleep(1000);
    }
}

void endTeam()
{
    fflush(nullptr);  // every stream still open (a fatal error may have closed standard output)
    if (underWay) {
        discard_all_pending();  // MPI_Abort runs no further exit handlers
        MPI_Abort(team, 1);
    }
    commandTeam(TeamCommand::Stop);
    PetscFinalize();
    MPI_Finalize();
}

}  // namespace

void commandTeam(TeamCommand c)
{
    int size = 1, word = (int)c;
    MPI_Comm_size(team, &size);
    for (int r = 1; r < size; ++r) MPI_Send(&word, 1, MPI_INT, r, commandTag, team);
}

void serveFirstProcess(MPI_Comm comm)
{
    while (awaitCommand(comm) == TeamCommand::Solve) solveAcross(comm, nullptr);
}

void endTeamAtExit(MPI_Comm comm)
{
    team = comm;
    atexit(endTeam);
}

SolveUnderWay::SolveUnderWay() { underWay = true; }
SolveUnderWay::~SolveUnderWay() { underWay = false; }
