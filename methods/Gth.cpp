// Elimination row by row (each row gathers the updates of the states before it, smallest
// first), then back-substitution from the last state.
#include "methods/Gth.h"

#include "framework/Interruption.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <new>
#include <queue>

#include <unistd.h>

#include "chain/Generator.h"
#include "methods/FillOrdering.h"
#include "methods/Finish.h"

GthOutcome gthFactorise(int m, const std::vector<int64_t>& start, const std::vector<int>& col,
                        const std::vector<double>& rate, int64_t maxEntries, GthFactors& f)
{
    f = GthFactors();
    f.lowerStart.assign(1, 0);
    f.upperStart.assign(1, 0);
    f.exit.assign(m, 0.0);
    std::vector<double> w(m, 0.0);
    std::vector<char> present(m, 0);
    std::vector<int> pattern;
    std::priority_queue<int, std::vector<int>, std::greater<int>> before;
    for (int k = 0; k < m; ++k) {
        interruptionPoint();
        pattern.clear();
        auto touch = [&](int c) {
            if (present[c]) return;
            present[c] = 1;
            w[c] = 0.0;
            pattern.push_back(c);
            if (c < k) before.push(c);
        };
        for (int64_t p = start[k]; p < start[k + 1]; ++p) {
            const int c = col[p];
            if (c == k || !(rate[p] > 0.0)) continue;
            touch(c);
            w[c] += rate[p];
        }
        // each earlier state j, eliminated, passes its share of k's rate into j on to j's targets
        while (!before.empty()) {
            const int j = before.top();
            before.pop();
            const double into = w[j];
            f.lowerCol.push_back(j);
            f.lowerRate.push_back(into);
            // row j's factors stay where they are while row k is formed
            const int* to = f.upperCol.data();
            const double* share = f.upperShare.data();
            double* wk = w.data();
            char* seen = present.data();
            for (int64_t p = f.upperStart[j], end = f.upperStart[j + 1]; p < end; ++p) {
                const int c = to[p];
                if (c == k) continue;  // a return to k itself is no transition of the censored chain
                if (!seen[c]) {
                    seen[c] = 1;
                    wk[c] = 0.0;
                    pattern.push_back(c);
                    if (c < k) before.push(c);
                }
                wk[c] += into * share[p];
            }
        }
        double sum = 0.0;
        const int64_t first = (int64_t)f.upperCol.size();
        for (int c : pattern) {
            present[c] = 0;
            if (c > k && w[c] > 0.0) {
                f.upperCol.push_back(c);
                f.upperShare.push_back(w[c]);
                sum += w[c];
            }
        }
        if (k < m - 1 && !(sum > 0.0)) return GthOutcome::stuck;
        for (int64_t p = first; p < (int64_t)f.upperShare.size(); ++p) f.upperShare[p] /= sum;
        f.exit[k] = sum;
        f.lowerStart.push_back((int64_t)f.lowerCol.size());
        f.upperStart.push_back((int64_t)f.upperCol.size());
        if (maxEntries <= 0) continue;
        if (f.entries() > maxEntries) return GthOutcome::overBudget;
        // the fill of a fill-reducing order grows towards the end: a rate beyond the budget
        // already is a budget that will be passed
        if (k % 64 == 63 && (double)f.entries() / (k + 1) * m > (double)maxEntries) return GthOutcome::overBudget;
    }
    return GthOutcome::done;
}

std::vector<double> gthSolve(const GthFactors& f)
{
    const int m = (int)f.exit.size();
    // x[k] gathers the flow into k from the states after it, then becomes k's probability
    std::vector<long double> x(m, 0.0L);
    if (m == 0) return {};
    x[m - 1] = 1.0L;
    long double sum = 0.0L;
    for (int k = m - 1; k >= 0; --k) {
        if (k < m - 1) x[k] /= f.exit[k];
        sum += x[k];
        for (int64_t p = f.lowerStart[k]; p < f.lowerStart[k + 1]; ++p) x[f.lowerCol[p]] += x[k] * f.lowerRate[p];
    }
    std::vector<double> pi(m);
    for (int k = 0; k < m; ++k) pi[k] = (double)(x[k] / sum);
    return pi;
}

namespace {

// z Q in long double, with the diagonal as the factorisation saw it (self loops and zero
// rates left out).
std::vector<long double> residualOf(const std::vector<int64_t>& start, const std::vector<int>& col,
                                    const std::vector<double>& rate, const std::vector<long double>& z)
{
    const int m = (int)z.size();
    std::vector<long double> s(m, 0.0L);
    for (int i = 0; i < m; ++i) {
        long double out = 0.0L;
        for (int64_t p = start[i]; p < start[i + 1]; ++p) {
            if (col[p] == i || !(rate[p] > 0.0)) continue;
            s[col[p]] += z[i] * rate[p];
            out += rate[p];
        }
        s[i] -= z[i] * out;
    }
    return s;
}

// A solution d of d Q = s with the factors (s is overwritten), shares[k] being the sum of row
// k's shares; d is fixed up to a multiple of the stationary vector, since the last pivot is zero.
std::vector<long double> solveWithFactors(const GthFactors& f, const std::vector<long double>& shares,
                                          std::vector<long double>& s)
{
    const int m = (int)f.exit.size();
    // Q = L U with U's row k the censored row of k (shares times exit[k], the diagonal minus
    // their sum, so that U's rows sum to 0 as a generator's do) and L's entries -lowerRate /
    // exit of the column's state: first y U = s, then d L = y
    std::vector<long double> y(m, 0.0L);
    for (int k = 0; k + 1 < m; ++k) {
        const long double out = s[k] / shares[k];
        y[k] = -out / f.exit[k];
        for (int64_t p = f.upperStart[k]; p < f.upperStart[k + 1]; ++p) s[f.upperCol[p]] += out * f.upperShare[p];
    }
    std::vector<long double>& d = s;  // d[k] gathers the flows of the states after k first
    std::fill(d.begin(), d.end(), 0.0L);
    for (int k = m - 1; k >= 0; --k) {
        if (k < m - 1) d[k] = y[k] + d[k] / f.exit[k];
        const long double dk = d[k];
        for (int64_t p = f.lowerStart[k]; p < f.lowerStart[k + 1]; ++p) d[f.lowerCol[p]] += dk * f.lowerRate[p];
    }
    return d;
}

}  // namespace

double gthErrorEstimate(const GthFactors& f, const std::vector<int64_t>& start, const std::vector<int>& col,
                        const std::vector<double>& rate, const std::vector<double>& x)
{
    const int m = (int)f.exit.size();
    if (m < 2) return 0.0;
    long double size = 0.0L, sum = 0.0L;
    for (double v : x) {
        size += fabsl((long double)v);
        sum += v;
    }
    if (!(size > 0.0L) || !(sum > 0.0L) || !std::isfinite((double)size)) return -1.0;
    // The factors reproduce Q only to the rounding of their fill, which a weak coupling
    // magnifies; so z is refined from x in long double, each residual taken against the rates
    // themselves, until its corrections vanish against x - z. Where they stop shrinking, the
    // residual's own rounding (magnified alike) is reached, and the estimate keeps that floor:
    // it is then an upper figure, not a measurement.
    std::vector<long double> shares(m, 0.0L);
    for (int k = 0; k < m; ++k)
        for (int64_t p = f.upperStart[k]; p < f.upperStart[k + 1]; ++p) shares[k] += f.upperShare[p];
    std::vector<long double> z(x.begin(), x.end());
    long double last = INFINITY;
    for (int pass = 0; pass < 4; ++pass) {
        std::vector<long double> s = residualOf(start, col, rate, z);
        std::vector<long double> d = solveWithFactors(f, shares, s);
        long double dSum = 0.0L;
        for (long double v : d) dSum += v;
        long double step = 0.0L, error = 0.0L;
        for (int k = 0; k < m; ++k) {
            const long double c = d[k] - dSum * z[k] / sum;  // keeps z's sum that of x
            z[k] -= c;
            step += fabsl(c);
            error += fabsl((long double)x[k] - z[k]);
        }
        if (!std::isfinite((double)step)) return -1.0;
        if (step <= 1e-3L * error || step <= 1e-19L * size) return (double)(error / size);
        if (!(step < 0.25L * last)) {
            const long double upper = (error + 2.0L * std::max(step, last)) / size;
            return upper < 1.0L ? (double)upper : -1.0;
        }
        last = step;
    }
    return -1.0;
}

namespace {

// Factor entries (12 bytes each, stored in vectors that may double) in half the physical
// memory; 0 when the system does not say.
int64_t entriesInMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || size <= 0) return 0;
    return (int64_t)((double)pages * (double)size / 2.0 / 24.0);
}

// The rows of g in the elimination order o, columns renumbered.
void orderedRows(const Generator& g, const Ordering& o, std::vector<int64_t>& start, std::vector<int>& col,
                 std::vector<double>& rate)
{
    start.assign(1, 0);
    col.clear();
    rate.clear();
    col.reserve(g.transitions());
    rate.reserve(g.transitions());
    for (int k = 0; k < g.n; ++k) {
        const int i = o.oldOf[k];
        for (int64_t p = g.start[i]; p < g.start[i + 1]; ++p) {
            col.push_back(o.newOf[g.target[p]]);
            rate.push_back(g.rate[p]);
        }
        start.push_back((int64_t)col.size());
    }
}

}  // namespace

bool GthMethod::solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt)
{
    const clock_t began = clock();
    attempt.method = "gth";
    Ordering o = fillReducingOrdering(q);
    attempt.ordering = o.name;
    std::vector<int64_t> start;
    std::vector<int> col;
    std::vector<double> rate;
    orderedRows(q, o, start, col, rate);
    const int64_t chainEntries = (int64_t)q.n + q.transitions();
    int64_t maxEntries = budget > 0.0 ? (int64_t)(budget * (double)chainEntries) : 0;
    // never more than half the machine's memory holds (12 bytes an entry, and room to grow):
    // a process the system kills for its memory says nothing
    const int64_t fits = entriesInMemory();
    const bool byMemory = fits > 0 && (maxEntries == 0 || fits < maxEntries);
    if (byMemory) maxEntries = fits;
    GthFactors f;
    const GthOutcome outcome = gthFactorise(q.n, start, col, rate, maxEntries, f);
    attempt.factorEntries = f.entries();
    attempt.workBytes = f.entries() * 12 + (int64_t)q.n * 40;
    if (outcome != GthOutcome::done) {
        char text[160];
        if (outcome == GthOutcome::overBudget && byMemory)
            snprintf(text, sizeof text, "its factors would outgrow half of the memory (%lld entries)",
                     (long long)maxEntries);
        else if (outcome == GthOutcome::overBudget)
            snprintf(text, sizeof text, "its factors would outgrow %g times the chain's entries", budget);
        else
            snprintf(text, sizeof text, "a state could not leave the states eliminated after it (several closed classes)");
        attempt.note = text;
        attempt.seconds = secondsSince(began);
        return false;
    }
    std::vector<double> x = gthSolve(f);
    attempt.forwardError = gthErrorEstimate(f, start, col, rate, x);
    f = GthFactors();
    std::vector<double>().swap(rate);
    std::vector<int>().swap(col);
    attempt.converged = true;
    const bool ok = finishAttempt(q, o, x, settings, pi, attempt);
    attempt.seconds = secondsSince(began);
    return ok;
}
