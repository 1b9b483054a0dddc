// Points at which a long solve may be stopped from outside. A driver that can be asked to
// stop (an interactive session) installs a poll; the solve's main loops call
// interruptionPoint, which throws SolveInterrupted when the poll says stop, so that the solve
// unwinds through its destructors and frees everything it holds. Without a poll the points
// cost one load of a pointer. Only the thread that runs the solve calls them.
#ifndef VELMAR_INTERRUPTION_H
#define VELMAR_INTERRUPTION_H

// Thrown out of a solve that was asked to stop.
struct SolveInterrupted {};

// True when the solve is to stop. It is called often: it should be cheap, or limit itself.
using InterruptPoll = bool (*)();

// Installs the poll (nullptr: the solve is never stopped); returns the one it replaces.
InterruptPoll setInterruptPoll(InterruptPoll poll);

// Throws SolveInterrupted when a poll is installed and says stop.
void interruptionPoint();

#endif
