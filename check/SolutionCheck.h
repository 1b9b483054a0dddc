// The check every solution passes before it is reported: it is measured against the chain
// as read, never against the factors that produced it.
#ifndef VELMAR_DSS_SOLUTIONCHECK_H
#define VELMAR_DSS_SOLUTIONCHECK_H

#include <cmath>
#include <string>
#include <vector>

struct Generator;
struct BlockLevels;

struct SolutionCheck {
    // ||pi Q||_inf / (||Q||_inf ||pi||_inf), pi being the vector as given.
    double residual = 0.0;
    // Largest imbalance of a state relative to the flow through it: |(pi Q)_j| over the sum of
    // |pi_i q_ij| and |pi_j q_jj| (at least 1e-14 / bound of the busiest state's). A small
    // normwise residual can hide a heavy state whose rates are tiny against ||Q||; this cannot.
    double imbalance = 0.0;
    // Blocks of states held together by fast transitions (see BlockBalance.h): the largest
    // imbalance of a block against the flow across its own boundary, the weakest coupling of
    // a block, and how many blocks the finest level has (0: the chain does not split).
    double blockImbalance = 0.0;
    double coupling = 1.0;
    int blocks = 0;
    // Largest residual that passes: tied to the requested accuracy.
    double bound = 0.0;
    // The probability below which the vector carries no accuracy: the sum over the states of
    // the probability each may have without the check seeing it. A state's balance is allowed
    // an absolute slack (the bound times the floor the busiest state's flow sets, for the
    // rounding no solve can undo); a state whose own outflow is within that slack could hold
    // any probability up to slack / exit rate unseen. Summed, the figure also covers every
    // probability formed by adding states' (a PV's distribution). NaN when not measured.
    double resolutionFloor = NAN;
    double sum = 0.0;
    // Smallest entry (negative when some probability is).
    double mostNegative = 0.0;
    bool passed = false;
    // Why it failed, empty when it passed.
    const char* failure = "";
};

// The imbalance of one state: its residual r against the flow through it (no less than
// floor); 0 when r is within `unresolved`, the flow that probabilities below the smallest
// normal number (which may be there only as 0 or as a few bits) could carry in or out.
double stateImbalance(double r, double flow, double unresolved, double floor);

// Residual bound for an accuracy setting (the -a value as a number).
double residualBound(double accuracy);

// The verdict on figures already measured (c's residual, imbalance and bound, and the sum,
// smallest and largest of the n entries): passed, or the first reason it fails.
void judgeSolution(SolutionCheck& c, double sum, double smallest, double largest, double n);

struct BlockBalance;

// Adds the balance of the blocks to a check that passed every other test: the verdict fails
// when a block is off by more than the bound.
void judgeBlocks(SolutionCheck& c, const BlockBalance& b);

// Checks pi against q: residual, sum and sign of every entry, balance of every state and of
// every block of blocks (found from q when not given, or given for a chain of another size).
SolutionCheck checkSolution(const Generator& q, const std::vector<double>& pi, double accuracy,
                            const BlockLevels* blocks = nullptr);

// Divides pi by its sum. Returns false when the sum is not a positive finite number (pi is
// then left as it was).
bool normaliseProbabilities(std::vector<double>& pi);

// Writes negative entries no larger than relative times the largest entry, and -0, as +0:
// rounding noise of the solve is never reported as a negative probability.
void clearRoundingNoise(std::vector<double>& pi, double relative);

#endif
