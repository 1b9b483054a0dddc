// The solution check: residual against the chain, sum and signs.
#include "check/SolutionCheck.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>
#include <cstdio>

#include "chain/BlockBalance.h"
#include "chain/Generator.h"

double stateImbalance(double r, double flow, double unresolved, double floor)
{
    const double a = std::fabs(r);
    if (a <= unresolved) return 0.0;
    const double against = std::max(flow, floor);
    return against > 0.0 ? a / against : 0.0;
}

double residualBound(double accuracy)
{
    // a residual below a few thousand roundings cannot be asked for; NaN settings give the floor
    const double floor = 1e-12;
    return accuracy > floor ? accuracy : floor;
}

// pi Q and the flow through each state, accumulated by source state; unresolved[j], the flow
// into and out of j that states whose probability is below the smallest normal number may
// carry unseen (left empty, all zeros, when there are no such states).
static void balance(const Generator& q, const std::vector<double>& pi, std::vector<double>& r,
                    std::vector<double>& flow, std::vector<double>& unresolved)
{
    r.assign(q.n, 0.0);
    flow.assign(q.n, 0.0);
    unresolved.clear();
    for (int i = 0; i < q.n; ++i) {
        double p = pi[i], a = std::fabs(p);
        r[i] -= p * q.exitRate[i];
        flow[i] += a * q.exitRate[i];
        for (int64_t k = q.start[i]; k < q.start[i + 1]; ++k) {
            r[q.target[k]] += p * q.rate[k];
            flow[q.target[k]] += a * q.rate[k];
        }
        if (!(a < DBL_MIN)) continue;
        if (unresolved.empty()) unresolved.assign(q.n, 0.0);
        unresolved[i] += DBL_MIN * q.exitRate[i];
        for (int64_t k = q.start[i]; k < q.start[i + 1]; ++k) unresolved[q.target[k]] += DBL_MIN * q.rate[k];
    }
}

// What the check allows each state's balance whatever its own flow: slack for every state,
// the flow that states below the smallest normal number may carry unseen, and, for a state
// alone in a block of the finest level, the little the block check leaves unmeasured (it
// holds such a state's inflow and outflow against each other).
struct Allowance {
    double slack = 0.0;
    const std::vector<double>* unresolved = nullptr;  // empty: none
    std::vector<char> alone;                          // empty: the chain does not split
    double blockSlack = 0.0;
    double of(int j) const
    {
        double a = std::max(slack, unresolved->empty() ? 0.0 : (*unresolved)[j]);
        return !alone.empty() && alone[j] ? std::min(a, blockSlack) : a;
    }
};

// The states alone in their block at the finest level that splits the chain.
static std::vector<char> aloneInBlock(const BlockLevels& b, int n)
{
    std::vector<char> alone;
    if (!b.split() || (int)b.finest.size() != n) return alone;
    std::vector<int> size(b.finestCount, 0);
    for (int block : b.finest) ++size[block];
    alone.resize(n);
    for (int i = 0; i < n; ++i) alone[i] = size[b.finest[i]] == 1;
    return alone;
}

// The probability the check cannot see: for each state with an exit rate, the smaller of its
// probability and the probability whose outflow fits in what its balance is allowed.
static double unseenProbability(const Generator& q, const std::vector<double>& pi, const Allowance& allowed)
{
    double sum = 0.0;
    for (int j = 0; j < q.n; ++j) {
        if (!(q.exitRate[j] > 0.0)) continue;  // fixed by the others through the normalisation
        sum += std::min(std::fabs(pi[j]), allowed.of(j) / q.exitRate[j]);
    }
    return sum;
}

SolutionCheck checkSolution(const Generator& q, const std::vector<double>& pi, double accuracy,
                            const BlockLevels* blocks)
{
    SolutionCheck c;
    c.bound = residualBound(accuracy);
    double largest = 0.0, sum = 0.0, smallest = INFINITY;
    bool finite = true;
    for (double p : pi) {
        finite = finite && std::isfinite(p);
        largest = std::max(largest, std::fabs(p));
        smallest = std::min(smallest, p);
        sum += p;
    }
    c.sum = sum;
    c.mostNegative = pi.empty() ? 0.0 : smallest;
    if (!finite) {
        c.residual = NAN;
        c.failure = "the solution contains values that are not finite numbers";
        return c;
    }
    std::vector<double> r, flow, unresolved;
    balance(q, pi, r, flow, unresolved);
    double worst = 0.0;
    c.imbalance = 0.0;
    // rounding leaves every balance off by some 1e-16 of the busiest state's flow, which no
    // solve in double precision can undo: a state with a smaller flow than 1e-14 / bound of
    // the busiest is measured against that floor instead of its own flow
    double busiest = 0.0;
    for (double f : flow) busiest = std::max(busiest, f);
    const double floor = std::min(1.0, 1e-14 / c.bound) * busiest;
    for (int j = 0; j < q.n; ++j) {
        worst = std::max(worst, std::fabs(r[j]));
        const double u = unresolved.empty() ? 0.0 : unresolved[j];
        c.imbalance = std::max(c.imbalance, stateImbalance(r[j], flow[j], u, floor));
    }
    double scale = q.normInf() * largest;
    c.residual = scale > 0.0 ? worst / scale : (worst == 0.0 ? 0.0 : INFINITY);
    judgeSolution(c, sum, smallest, largest, (double)pi.size());
    if (!c.passed) return c;
    BlockLevels found;
    if (blocks == nullptr || blocks->states != q.n) {  // none, or those of another chain
        found = findBlockLevels(q);
        blocks = &found;
    }
    judgeBlocks(c, blockBalance(q, *blocks, pi));
    if (!c.passed) return c;
    Allowance allowed;
    allowed.slack = c.bound * floor;
    allowed.unresolved = &unresolved;
    allowed.alone = aloneInBlock(*blocks, q.n);
    double busiestOut = 0.0;
    for (int i = 0; i < q.n; ++i) busiestOut = std::max(busiestOut, std::fabs(pi[i]) * q.exitRate[i]);
    allowed.blockSlack = unresolvedBlockShare * busiestOut;
    c.resolutionFloor = unseenProbability(q, pi, allowed);
    return c;
}

void judgeBlocks(SolutionCheck& c, const BlockBalance& b)
{
    c.blockImbalance = b.imbalance;
    c.coupling = b.coupling;
    c.blocks = b.blocks;
    if (c.passed && !(b.imbalance <= c.bound)) {
        c.passed = false;
        c.failure = "the balance of a block of states is off by more than the bound";
    }
}

void judgeSolution(SolutionCheck& c, double sum, double smallest, double largest, double n)
{
    const double rounding = 1e-12;
    if (!(std::fabs(sum - 1.0) <= std::max(rounding, 64.0 * DBL_EPSILON * n)))
        c.failure = "the probabilities do not sum to 1";
    else if (smallest < -std::max(c.bound, rounding) * largest)
        c.failure = "some probabilities are clearly negative";
    else if (!(c.residual <= c.bound))
        c.failure = "the residual against the chain is above the bound";
    else if (!(c.imbalance <= c.bound))
        c.failure = "the balance of some state is off by more than the bound";
    else
        c.passed = true;
}

bool normaliseProbabilities(std::vector<double>& pi)
{
    double sum = 0.0;
    for (double p : pi) sum += p;
    if (!(sum > 0.0) || !std::isfinite(sum)) return false;
    for (double& p : pi) p /= sum;
    return true;
}

void clearRoundingNoise(std::vector<double>& pi, double relative)
{
    double largest = 0.0;
    for (double p : pi) largest = std::max(largest, std::fabs(p));
    const double noise = relative * largest;
    for (double& p : pi)
        if (p <= 0.0 && p >= -noise) p = 0.0;
}
