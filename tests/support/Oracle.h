// Independent answers for the numerical tests, written apart from the program's own code, and
// the measures that hold a computed vector to them.
//
// Answers:
//   gthSolve, gthSolveLongDouble   stationary vector of an irreducible chain, dense GTH
//   birthDeathStationary           product form of a birth-death chain, in long double
//   mm1kStationary                 closed form of the M/M/1/K queue (geometric)
//   cycleStationary                closed form of a cycle: time in a state is 1 / its rate
//   gamblersRuin                   absorption at the top of a birth-death walk, closed form
//   closedStationary               dense GTH on the one closed class, transient states at 0
//   denseLongRun                   long-run distribution from an initial state: classes by
//                                  reachability, absorption by state reduction, GTH per class
// Measures:
//   largestRelativeError           worst per-state relative error (NaN and size mismatch: inf)
//   largestAbsoluteDifference      worst entrywise difference, for vectors that do not span
//                                  decades (NaN and size mismatch: inf)
//   normwiseFloor                  the floor below which the normwise methods are held to
//                                  the rounding of the largest probability only
//   statesAgree                    gtest assertion on the per-state relative error that names
//                                  the worst state and counts the states off
//   valueAgrees                    the same for one number
//
// All dense matrices are rates[i][j] from i to j; the diagonal is never read.
#ifndef VELMAR_TESTS_SUPPORT_ORACLE_H
#define VELMAR_TESTS_SUPPORT_ORACLE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using DenseRates = std::vector<std::vector<double>>;

// Stationary vector of an irreducible chain by the Grassmann-Taksar-Heyman elimination in the
// arithmetic of Real (no subtractions anywhere), rounded to double at the end.
template <class Real>
std::vector<double> gthSolveIn(const DenseRates& rates)
{
    const int n = (int)rates.size();
    std::vector<std::vector<Real>> a(n, std::vector<Real>(n, Real(0)));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j) a[i][j] = rates[i][j];
    for (int k = n - 1; k > 0; --k) {
        Real out = 0;  // the rate out of k into the states before it
        for (int j = 0; j < k; ++j) out += a[k][j];
        for (int i = 0; i < k; ++i) a[i][k] /= out;
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < k; ++j)
                if (i != j) a[i][j] += a[i][k] * a[k][j];
    }
    std::vector<Real> x(n, Real(0));
    if (n > 0) x[0] = 1;
    Real total = n > 0 ? Real(1) : Real(0);
    for (int k = 1; k < n; ++k) {
        for (int i = 0; i < k; ++i) x[k] += x[i] * a[i][k];
        total += x[k];
    }
    std::vector<double> pi(n);
    for (int k = 0; k < n; ++k) pi[k] = (double)(x[k] / total);
    return pi;
}

inline std::vector<double> gthSolve(const DenseRates& rates) { return gthSolveIn<double>(rates); }
inline std::vector<double> gthSolveLongDouble(const DenseRates& rates) { return gthSolveIn<long double>(rates); }

// Birth-death chain on 0..up.size(): up[i] from i to i+1, down[i] from i+1 to i. Product form
// pi_{i+1} = pi_i up[i] / down[i], in long double, rounded at the end.
inline std::vector<double> birthDeathStationary(const std::vector<double>& up, const std::vector<double>& down)
{
    const size_t n = up.size() + 1;
    std::vector<long double> x(n, 1.0L);
    long double total = 1.0L;
    for (size_t i = 0; i + 1 < n; ++i) total += (x[i + 1] = x[i] * up[i] / down[i]);
    std::vector<double> pi(n);
    for (size_t i = 0; i < n; ++i) pi[i] = (double)(x[i] / total);
    return pi;
}

// M/M/1/K with K + 1 places, load rho = lambda / mu: pi_k = rho^k (1 - rho) / (1 - rho^(K+1)),
// 1 / (K + 1) each at rho = 1.
inline std::vector<double> mm1kStationary(int K, double rho)
{
    std::vector<double> pi(K + 1);
    const long double r = rho;
    const long double norm = r == 1.0L ? 1.0L / (K + 1) : (1.0L - r) / (1.0L - std::pow(r, (long double)(K + 1)));
    for (int k = 0; k <= K; ++k) pi[k] = (double)(norm * std::pow(r, (long double)k));
    return pi;
}

// A walk on 0..N, up at rate `up` and down at rate `down`, with 0 and N absorbing: the
// probability of ending at N from `start`, (1 - r^start) / (1 - r^N) with r = down / up.
inline double gamblersRuin(double up, double down, int start, int N)
{
    const long double r = (long double)down / up;
    if (r == 1.0L) return (double)start / N;
    return (double)((1.0L - std::pow(r, (long double)start)) / (1.0L - std::pow(r, (long double)N)));
}

// A cycle 0 -> 1 -> ... -> 0 with rate[i] out of state i: pi_i proportional to 1 / rate[i].
inline std::vector<double> cycleStationary(const std::vector<double>& rate)
{
    std::vector<long double> inv(rate.size());
    long double total = 0.0L;
    for (size_t i = 0; i < rate.size(); ++i) total += (inv[i] = 1.0L / rate[i]);
    std::vector<double> pi(rate.size());
    for (size_t i = 0; i < rate.size(); ++i) pi[i] = (double)(inv[i] / total);
    return pi;
}

// The states each state reaches through positive rates (itself included).
inline std::vector<std::vector<char>> reachability(const DenseRates& rates)
{
    const int n = (int)rates.size();
    std::vector<std::vector<int>> out(n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j && rates[i][j] > 0.0) out[i].push_back(j);
    std::vector<std::vector<char>> reach(n, std::vector<char>(n, 0));
    for (int s = 0; s < n; ++s) {
        std::vector<int> queue = {s};
        reach[s][s] = 1;
        for (size_t h = 0; h < queue.size(); ++h)
            for (int t : out[queue[h]])
                if (!reach[s][t]) {
                    reach[s][t] = 1;
                    queue.push_back(t);
                }
    }
    return reach;
}

// The closed classes (each in increasing state order, the classes ordered by their smallest
// state) and the transient states, from the reachability relation.
struct DenseClasses {
    std::vector<std::vector<int>> classes;
    std::vector<int> classOf;  // -1 for a transient state
    std::vector<int> transient;
};

inline DenseClasses denseClasses(const DenseRates& rates)
{
    const int n = (int)rates.size();
    std::vector<std::vector<char>> reach = reachability(rates);
    DenseClasses c;
    c.classOf.assign(n, -1);
    for (int i = 0; i < n; ++i) {
        bool recurrent = true;
        for (int j = 0; j < n && recurrent; ++j) recurrent = !reach[i][j] || reach[j][i];
        if (!recurrent) {
            c.transient.push_back(i);
            continue;
        }
        for (size_t k = 0; k < c.classes.size() && c.classOf[i] < 0; ++k)
            if (reach[c.classes[k][0]][i]) c.classOf[i] = (int)k;
        if (c.classOf[i] < 0) {
            c.classOf[i] = (int)c.classes.size();
            c.classes.push_back({});
        }
        c.classes[c.classOf[i]].push_back(i);
    }
    return c;
}

// The rates among `members`, renumbered 0..members.size()-1.
inline DenseRates restrictedRates(const DenseRates& rates, const std::vector<int>& members)
{
    const size_t m = members.size();
    DenseRates r(m, std::vector<double>(m, 0.0));
    for (size_t a = 0; a < m; ++a)
        for (size_t b = 0; b < m; ++b)
            if (a != b) r[a][b] = rates[members[a]][members[b]];
    return r;
}

// The stationary vector on the chain's one closed class by dense GTH (in long double when
// asked), transient states at 0; empty when the chain has several closed classes.
inline std::vector<double> closedStationary(const DenseRates& rates, bool longDouble = false)
{
    DenseClasses c = denseClasses(rates);
    if (c.classes.size() != 1) return {};
    const std::vector<int>& members = c.classes[0];
    DenseRates inside = restrictedRates(rates, members);
    std::vector<double> part = longDouble ? gthSolveLongDouble(inside) : gthSolve(inside), pi(rates.size(), 0.0);
    for (size_t k = 0; k < members.size(); ++k) pi[members[k]] = part[k];
    return pi;
}

// Probability of ending in each of k absorbing targets from state `from`, by state reduction:
// jump[i][j] holds the rates among the t transient states (j < t) and into the targets
// (j = t + c); transient states but `from` are eliminated one by one, each passing its rates
// on to its predecessors in proportion, which subtracts nothing.
inline std::vector<double> absorption(std::vector<std::vector<double>> jump, int t, int k, int from)
{
    for (int e = 0; e < t; ++e) {
        if (e == from) continue;
        double out = 0.0;
        for (int j = 0; j < t + k; ++j)
            if (j != e) out += jump[e][j];
        for (int i = 0; i < t; ++i) {
            double f = jump[i][e];
            if (i == e || f == 0.0) continue;
            jump[i][e] = 0.0;
            for (int j = 0; j < t + k; ++j)
                if (j != e && j != i) jump[i][j] += f * jump[e][j] / out;
        }
    }
    std::vector<double> h(k, 0.0);
    double total = 0.0;
    for (int c = 0; c < k; ++c) total += jump[from][t + c];
    for (int c = 0; c < k; ++c) h[c] = jump[from][t + c] / total;
    return h;
}

// The long-run distribution from `initial`: the probability of ending in each closed class by
// state reduction on the transient states, times each class's GTH vector. reachOut, when
// given, receives the probability of each class, the classes ordered by their smallest state.
inline std::vector<double> denseLongRun(const DenseRates& rates, int initial, std::vector<double>* reachOut = nullptr)
{
    const int n = (int)rates.size();
    DenseClasses c = denseClasses(rates);
    std::vector<int> at(n, -1);
    for (size_t k = 0; k < c.transient.size(); ++k) at[c.transient[k]] = (int)k;
    std::vector<double> h(c.classes.size(), 0.0);
    if (c.classOf[initial] >= 0) {
        h[c.classOf[initial]] = 1.0;
    } else {
        const int t = (int)c.transient.size(), k = (int)c.classes.size();
        std::vector<std::vector<double>> jump(t, std::vector<double>(t + k, 0.0));
        for (int a = 0; a < t; ++a)
            for (int j = 0; j < n; ++j) {
                if (j == c.transient[a]) continue;
                jump[a][c.classOf[j] < 0 ? at[j] : t + c.classOf[j]] += rates[c.transient[a]][j];
            }
        h = absorption(jump, t, k, at[initial]);
    }
    std::vector<double> pi(n, 0.0);
    for (size_t k = 0; k < c.classes.size(); ++k) {
        std::vector<double> part = gthSolve(restrictedRates(rates, c.classes[k]));
        for (size_t m = 0; m < c.classes[k].size(); ++m) pi[c.classes[k][m]] = h[k] * part[m];
    }
    if (reachOut) *reachOut = h;
    return pi;
}

// Where a vector departs most from the answer, state by state.
struct RelativeErrors {
    double worst = 0.0;  // largest |got - want| / max(|want|, floor); inf for NaN or sizes apart
    size_t state = 0;    // where it is
    size_t over = 0;     // states whose error exceeds the bound asked about (0 when none asked)
};

// Per-state relative error of got against want. Below `floor` an error counts relative to the
// floor instead (use one only where the method's own accuracy is absolute below it); with no
// floor a state that is 0 in want must be 0 in got. A NaN anywhere is an infinite error.
inline RelativeErrors relativeErrors(const std::vector<double>& got, const std::vector<double>& want,
                                     double floor = 0.0, double bound = INFINITY)
{
    RelativeErrors r;
    if (got.size() != want.size()) {
        r.worst = INFINITY;
        r.over = std::max(got.size(), want.size());
        return r;
    }
    for (size_t i = 0; i < got.size(); ++i) {
        const double scale = std::fmax(std::fabs(want[i]), floor), diff = std::fabs(got[i] - want[i]);
        double e = scale > 0.0 ? diff / scale : (diff == 0.0 ? 0.0 : INFINITY);
        if (std::isnan(e)) e = INFINITY;
        if (e > bound) ++r.over;
        if (e > r.worst) {
            r.worst = e;
            r.state = i;
        }
    }
    return r;
}

inline double largestRelativeError(const std::vector<double>& got, const std::vector<double>& want, double floor = 0.0)
{
    return relativeErrors(got, want, floor).worst;
}

// Largest entrywise difference, for vectors of one order of magnitude; infinite when the sizes
// differ or anything is not a number.
inline double largestAbsoluteDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size()) return INFINITY;
    double d = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double x = std::fabs(a[i] - b[i]);
        if (!(x <= d)) d = std::isnan(x) ? INFINITY : x;
    }
    return d;
}

// The floor for answers of the normwise methods: lu with refinement, ilu and gs stop on the
// size of a correction or a residual against the whole vector, so a state far below the largest
// is known only to within rounding of the largest. An error below `share` of the largest
// probability in want counts relative to that share.
inline double normwiseFloor(const std::vector<double>& want, double share)
{
    double largest = 0.0;
    for (double w : want) largest = std::fmax(largest, std::fabs(w));
    return share * largest;
}

// Passes when every state's relative error (see relativeErrors) is within `tolerance`; the
// failure names the worst state with both values and counts the states off.
inline ::testing::AssertionResult statesAgree(const std::vector<double>& got, const std::vector<double>& want,
                                              double tolerance, double floor = 0.0)
{
    RelativeErrors r = relativeErrors(got, want, floor, tolerance);
    if (r.worst <= tolerance) return ::testing::AssertionSuccess();
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << "sizes differ: " << got.size() << " states against " << want.size();
    // the floor, as a share of the largest probability, under which every state would pass
    double largest = 0.0, needed = 0.0;
    for (size_t i = 0; i < want.size(); ++i) {
        largest = std::fmax(largest, std::fabs(want[i]));
        needed = std::fmax(needed, std::fabs(got[i] - want[i]) / tolerance);
    }
    char text[320];
    snprintf(text, sizeof text,
             "%zu of %zu states off by more than %.3g; worst state %zu: got %.17g, want %.17g (relative error %.3g); "
             "they would pass above a floor of %.3g of the largest",
             r.over, got.size(), tolerance, r.state, got[r.state], want[r.state], r.worst, needed / largest);
    if (floor > 0.0) return ::testing::AssertionFailure() << text << ", below " << floor << " relative to it";
    return ::testing::AssertionFailure() << text;
}

// One number: passes when got is finite and within `tolerance` of want relatively (a want of 0
// asks for 0); the failure gives both to every digit.
inline ::testing::AssertionResult valueAgrees(double got, double want, double tolerance)
{
    if (std::isfinite(got) && std::fabs(got - want) <= tolerance * std::fabs(want)) return ::testing::AssertionSuccess();
    char text[128];
    snprintf(text, sizeof text, "got %.17g, want %.17g", got, want);
    return ::testing::AssertionFailure() << text;
}

#endif
