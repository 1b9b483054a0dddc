// Elimination row by row (each row gathers the updates of the states before it, smallest
// first), then back-substitution from the last state.
#include "dss/methods/Gth.h"

#include <cstdio>
#include <ctime>
#include <functional>
#include <new>
#include <queue>

#include <unistd.h>

#include "dss/Generator.h"
#include "dss/methods/FillOrdering.h"
#include "dss/methods/Finish.h"

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
    std::vector<double>().swap(rate);
    std::vector<int>().swap(col);
    std::vector<double> x = gthSolve(f);
    f = GthFactors();
    attempt.converged = true;
    const bool ok = finishAttempt(q, o, x, settings, pi, attempt);
    attempt.seconds = secondsSince(began);
    return ok;
}
