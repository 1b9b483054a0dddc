// Mapping back, normalising and checking.
#include "methods/Finish.h"

#include <cmath>

#include "chain/Generator.h"
#include "check/SolutionCheck.h"

bool finishAttempt(const Generator& q, const Ordering& o, const std::vector<double>& x,
                   const MethodSettings& s, std::vector<double>& pi, SolveAttempt& attempt)
{
    pi.assign(q.n, 0.0);
    for (int k = 0; k < q.n; ++k) pi[o.oldOf[k]] = x[k];
    if (!normaliseProbabilities(pi)) {
        attempt.note = "the iterate has no positive finite sum";
        attempt.check = checkSolution(q, pi, s.accuracy, s.blocks);
        return false;
    }
    clearRoundingNoise(pi, 1e-15);
    attempt.check = checkSolution(q, pi, s.accuracy, s.blocks);
    return true;
}

double largestMagnitude(const std::vector<double>& x)
{
    double m = 0.0;
    for (double v : x) m = std::max(m, std::fabs(v));
    return m;
}
