// What every method of this folder does with its answer: back to the states' own order,
// normalised, checked against the chain.
#ifndef VELMAR_DSS_FINISH_H
#define VELMAR_DSS_FINISH_H

#include <ctime>
#include <vector>

#include "methods/SolveRecord.h"
#include "methods/MethodSettings.h"
#include "methods/Ordering.h"

struct Generator;

// pi[oldOf[k]] = x[k], normalised and checked into attempt; false when x gives no
// probability vector (a sum that is not positive and finite).
bool finishAttempt(const Generator& q, const Ordering& o, const std::vector<double>& x,
                   const MethodSettings& s, std::vector<double>& pi, SolveAttempt& attempt);

// Checks pi against q into attempt.check, adding the check's wall-clock seconds to the attempt's.
void checkAttempt(const Generator& q, const std::vector<double>& pi, const MethodSettings& s, SolveAttempt& attempt);

// Processor seconds since start.
inline double secondsSince(clock_t start)
{
    return (double)(clock() - start) / CLOCKS_PER_SEC;
}

// The largest magnitude of x.
double largestMagnitude(const std::vector<double>& x);

#endif
