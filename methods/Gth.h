// Method "gth": the Grassmann-Taksar-Heyman elimination. States are eliminated one by one
// in a fill-reducing order; each step censors the chain on the states left, whose rates
// are again those of a chain, so every pivot is the sum of a row's rates instead of a
// difference. Nothing is subtracted anywhere and nothing is dropped: the answer is accurate
// state by state however weakly the parts of the chain are coupled. Transient states get
// probability 0 exactly; the closed class is solved on its own.
#ifndef VELMAR_DSS_METHODS_GTH_H
#define VELMAR_DSS_METHODS_GTH_H

#include "methods/SolutionMethod.h"
#include "methods/MethodSettings.h"

class GthMethod : public SolutionMethod {
public:
    // With a budget, the elimination gives up once its factors hold more than budget times
    // the chain's entries.
    explicit GthMethod(const MethodSettings& s, double budget = 0.0) : settings(s), budget(budget) {}
    const char* name() const override { return "gth"; }
    bool solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt) override;

private:
    MethodSettings settings;
    double budget;
};

// The factors of the elimination: row k (in elimination order) keeps the rates into the
// states eliminated before it, at the time each was eliminated (lower), and its rates into
// the states after it, as shares of their sum exit[k] (upper).
struct GthFactors {
    std::vector<int64_t> lowerStart, upperStart;
    std::vector<int> lowerCol, upperCol;
    std::vector<double> lowerRate, upperShare, exit;
    int64_t entries() const { return (int64_t)lowerCol.size() + (int64_t)upperCol.size(); }
};

enum class GthOutcome {
    done,
    stuck,      // a state before the last cannot leave the states after it: not one closed class
    overBudget  // the factors passed maxEntries, or were on their way past it
};

// Eliminates the m states of the chain given by rows (rates by source, in elimination order;
// a diagonal entry is ignored).
GthOutcome gthFactorise(int m, const std::vector<int64_t>& start, const std::vector<int>& col,
                        const std::vector<double>& rate, int64_t maxEntries, GthFactors& f);

// The stationary vector from the factors, normalised to sum 1; its scale is carried in long
// double, so probabilities hundreds of decades apart neither overflow nor underflow on the way.
std::vector<double> gthSolve(const GthFactors& f);

// The error of x as the stationary vector of the chain the factors came from, ||x - pi||_1
// over ||x||_1 with pi scaled to x's sum: x is refined in long double with the factors, each
// residual against the rows they were made of, and the distance travelled is the estimate.
// Below the rounding of the residual magnified by the chain's weakest coupling nothing is
// resolved; the estimate then is that floor. Negative when the refinement does not settle.
double gthErrorEstimate(const GthFactors& f, const std::vector<int64_t>& start, const std::vector<int>& col,
                        const std::vector<double>& rate, const std::vector<double>& x);

#endif
