// The chain as read: off-diagonal rates by source state, the form every method and the
// solution check start from.
#ifndef VELMAR_DSS_GENERATOR_H
#define VELMAR_DSS_GENERATOR_H

#include <cstdint>
#include <vector>

class BaseStateLevel;

// Rates out of state i: target[start[i] .. start[i+1]) with rate[...]; repeated edges merged
// into one, self-loops left out, zero rates kept. exitRate[i] is the sum of state i's rates.
struct Generator {
    int n = 0;
    std::vector<int64_t> start;
    std::vector<int> target;
    std::vector<double> rate;
    std::vector<double> exitRate;

    int64_t transitions() const { return start.empty() ? 0 : start[n]; }
    // Smallest positive rate, or 0 when there is none.
    double smallestRate() const;
    // Largest rate, or 0 when there is none.
    double largestRate() const;
    // ||Q|| in the infinity norm: the largest row sum of magnitudes, 2 * exitRate[i].
    double normInf() const;
};

// Reads every edge of the state level once.
Generator readGenerator(BaseStateLevel& level);

// The same generator, bit for bit, taken over from a level that hands its rows over whole
// (the rows are then no longer the level's: see BaseStateLevel::takeRows): the arrays are
// rearranged in place and not copied. From any other level it is read as readGenerator does.
Generator takeGenerator(BaseStateLevel& level);

// Factor by which rates are divided so that the chain runs in its own unit of time: the
// smallest positive rate, raised where the largest rate would otherwise overflow.
double timeUnit(const Generator& q);

#endif
