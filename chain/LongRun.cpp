// Dense class solves, absorption probabilities and the long-run mixture.
#include "chain/LongRun.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "chain/ClosedClasses.h"
#include "chain/Generator.h"
#include "chain/SubChain.h"

std::vector<double> gthStationary(std::vector<double> a, int m)
{
    // eliminate states m-1 .. 1, each pivot being the state's outflow to the states left
    for (int k = m - 1; k > 0; --k) {
        double out = 0.0;
        for (int j = 0; j < k; ++j) out += a[(size_t)k * m + j];
        for (int i = 0; i < k; ++i) a[(size_t)i * m + k] /= out;
        for (int i = 0; i < k; ++i) {
            double f = a[(size_t)i * m + k];
            if (f == 0.0) continue;
            for (int j = 0; j < k; ++j)
                if (j != i) a[(size_t)i * m + j] += f * a[(size_t)k * m + j];
        }
    }
    std::vector<double> x(m, 0.0);
    if (m == 0) return x;
    x[0] = 1.0;
    double sum = 1.0;
    for (int k = 1; k < m; ++k) {
        for (int i = 0; i < k; ++i) x[k] += x[i] * a[(size_t)i * m + k];
        sum += x[k];
    }
    for (double& v : x) v /= sum;
    return x;
}

void denseClassVector(const Generator& q, const int* states, int m, std::vector<int>& local,
                      std::vector<double>& v)
{
    for (int k = 0; k < m; ++k) local[states[k]] = k;
    std::vector<double> a((size_t)m * m, 0.0);
    for (int k = 0; k < m; ++k)
        for (int64_t p = q.start[states[k]]; p < q.start[states[k] + 1]; ++p) {
            int j = local[q.target[p]];
            if (j >= 0 && j != k) a[(size_t)k * m + j] += q.rate[p];
        }
    for (int k = 0; k < m; ++k) local[states[k]] = -1;
    std::vector<double> x = gthStationary(std::move(a), m);
    for (int k = 0; k < m; ++k) v[states[k]] = x[k];
}

namespace {

// Expected time spent in each state of the component `states` (m > 1 states), given the
// probabilities `mass` of entering them, times `scale`: from the long run of componentChain,
// whose outside state o returns at total rate `scale`.
bool componentTimes(const Generator& q, const int* states, int m, const std::vector<double>& mass,
                    std::vector<int>& local, const PartSolver& solveLarge, Absorption& a,
                    std::vector<double>& time, double& scale)
{
    double entered = 0.0, away = 0.0;
    for (int k = 0; k < m; ++k) entered += mass[states[k]];
    time.assign(m, 0.0);
    if (!(entered > 0.0)) return true;  // what comes this far is below the smallest double
    std::vector<double> entering(m);
    for (int k = 0; k < m; ++k) entering[k] = mass[states[k]] / entered;
    ChainModel part = componentChain(q, states, m, entering, local);
    for (size_t e = 0; e < part.source.size(); ++e)
        if (part.target[e] == m) away += part.rate[e];
    scale = away / m;  // o about as quick as the way out of the component
    for (size_t e = 0; e < part.source.size(); ++e)
        if (part.source[e] == m) part.rate[e] *= scale;
    std::vector<double> x;
    ++a.components;
    if (m + 1 <= denseComponentLimit) {
        std::vector<double> dense((size_t)(m + 1) * (m + 1), 0.0);
        for (size_t e = 0; e < part.source.size(); ++e)
            dense[(size_t)part.source[e] * (m + 1) + part.target[e]] += part.rate[e];
        x = gthStationary(std::move(dense), m + 1);
    } else {
        ++a.solvedComponents;
        if (!solveLarge(std::move(part), x)) return false;
    }
    if (!(x.size() == (size_t)m + 1 && x[m] > 0.0)) return false;
    for (int k = 0; k < m; ++k) time[k] = x[k] / x[m] * entered;
    return true;
}

}  // namespace

Absorption absorptionProbabilities(const Generator& q, const ClosedClasses& c, int initial,
                                   const PartSolver& solveLarge)
{
    Absorption a;
    a.reach.assign(c.count(), 0.0);
    std::vector<int> order = transientOrder(q, c, initial);
    std::vector<double> mass(q.n, 0.0), time;
    std::vector<int> local(q.n, -1);
    mass[initial] = 1.0;
    for (size_t b = 0, e; b < order.size(); b = e) {
        const int here = c.component[order[b]];
        for (e = b + 1; e < order.size() && c.component[order[e]] == here;) ++e;
        const int m = (int)(e - b);
        const int* states = &order[b];
        // a state alone passes its probability on in proportion to its rates
        double scale = q.exitRate[states[0]];
        time.assign(1, mass[states[0]]);
        if (m > 1 && !componentTimes(q, states, m, mass, local, solveLarge, a, time, scale)) {
            a.failure = "the expected times in a component of transient states fail their check";
            return a;
        }
        for (int k = 0; k < m; ++k)
            for (int64_t p = q.start[states[k]]; p < q.start[states[k] + 1]; ++p) {
                int t = q.target[p];
                if (!(q.rate[p] > 0.0) || c.component[t] == here) continue;
                double flow = time[k] * (q.rate[p] / scale);
                if (c.classOf[t] >= 0)
                    a.reach[c.classOf[t]] += flow;
                else
                    mass[t] += flow;
            }
    }
    double total = 0.0;
    for (double r : a.reach) total += r;
    // a loose test against lost probability: the parts' solves are checked on their own
    if (!(std::fabs(total - 1.0) <= 1e-6)) {
        a.failure = "the probabilities of reaching the closed classes do not sum to 1";
        return a;
    }
    for (double& r : a.reach) r /= total;
    return a;
}

std::vector<double> longRunMixture(const ClosedClasses& classes, const std::vector<double>& reach,
                                   const std::vector<double>& classVector)
{
    std::vector<double> pi(classVector.size(), 0.0);
    for (size_t s = 0; s < pi.size(); ++s) {
        int c = classes.classOf[s];
        if (c >= 0) pi[s] = reach[c] * classVector[s];
    }
    return pi;
}

std::vector<int> likeliestClasses(const std::vector<double>& reach, int limit)
{
    std::vector<int> order(reach.size());
    for (size_t c = 0; c < order.size(); ++c) order[c] = (int)c;
    limit = std::min(limit, (int)order.size());
    std::partial_sort(order.begin(), order.begin() + limit, order.end(), [&](int a, int b) {
        return reach[a] > reach[b] || (reach[a] == reach[b] && a < b);
    });
    order.resize(limit);
    return order;
}
