// Mapping back, normalising and checking.
#include "methods/Finish.h"

#include <chrono>
#include <cmath>

#include "chain/Generator.h"
#include "check/SolutionCheck.h"

void checkAttempt(const Generator& q, const std::vector<double>& pi, const MethodSettings& s, SolveAttempt& attempt)
{
    const auto began = std::chrono::steady_clock::now();
    attempt.check = checkSolution(q, pi, s.accuracy, s.blocks);
    attempt.checkWallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
}

bool finishAttempt(const Generator& q, const Ordering& o, const std::vector<double>& x,
                   const MethodSettings& s, std::vector<double>& pi, SolveAttempt& attempt)
{
    pi.assign(q.n, 0.0);
    for (int k = 0; k < q.n; ++k) pi[o.oldOf[k]] = x[k];
    if (!normaliseProbabilities(pi)) {
        attempt.note = "the iterate has no positive finite sum";
        checkAttempt(q, pi, s, attempt);
        return false;
    }
    clearRoundingNoise(pi, 1e-15);
    checkAttempt(q, pi, s, attempt);
    return true;
}

double largestMagnitude(const std::vector<double>& x)
{
    double m = 0.0;
    for (double v : x) m = std::max(m, std::fabs(v));
    return m;
}
