// Coarse rows gathered aggregate by aggregate in a dense accumulator over the aggregates.
#include "methods/CoarseChain.h"

#include <algorithm>

#include "methods/Gth.h"

AggregateMembers membersOf(const Aggregates& agg)
{
    AggregateMembers m;
    m.start.assign(agg.count + 1, 0);
    for (int k : agg.of) ++m.start[k + 1];
    for (int k = 0; k < agg.count; ++k) m.start[k + 1] += m.start[k];
    m.members.resize(agg.of.size());
    std::vector<int> at(m.start.begin(), m.start.end() - 1);
    for (int i = 0; i < (int)agg.of.size(); ++i) m.members[at[agg.of[i]]++] = i;
    return m;
}

namespace {

template <class Values>
void gatherRows(const PackedRows& a, Values v, const std::vector<double>& x, const Aggregates& agg,
                const AggregateMembers& m, PackedRows& c)
{
    const int nc = agg.count;
    std::vector<double> w(nc, 0.0);
    std::vector<char> present(nc, 0);
    std::vector<int> pattern;
    std::vector<double> out(nc, 0.0);  // flow out of each aggregate into the others
    c.start.assign(1, 0);
    for (int big = 0; big < nc; ++big) {
        pattern.clear();
        for (int k = m.start[big]; k < m.start[big + 1]; ++k) {
            const int i = m.members[k];
            for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p) {
                const int from = agg.of[a.col[p]];
                if (from == big) continue;  // within the aggregate: no transition of the coarse chain
                if (!present[from]) {
                    present[from] = 1;
                    w[from] = 0.0;
                    pattern.push_back(from);
                }
                w[from] += v[p] * x[a.col[p]];
            }
        }
        std::sort(pattern.begin(), pattern.end());
        for (int from : pattern) {
            present[from] = 0;
            if (!(w[from] > 0.0)) continue;
            c.col.push_back(from);
            c.plain.push_back(w[from]);
            out[from] += w[from];
        }
        c.start.push_back((int64_t)c.col.size());
    }
    c.diagonal.resize(nc);
    for (int k = 0; k < nc; ++k) c.diagonal[k] = -out[k];
}

}  // namespace

PackedRows coarseSystem(const PackedRows& a, const std::vector<double>& x, const Aggregates& agg,
                        const AggregateMembers& members)
{
    PackedRows c;
    c.n = agg.count;
    c.codeBytes = 8;
    withValues(a, [&](auto v) { gatherRows(a, v, x, agg, members, c); });
    c.upper.resize(c.n);
    for (int k = 0; k < c.n; ++k)
        c.upper[k] = std::lower_bound(c.col.begin() + c.start[k], c.col.begin() + c.start[k + 1], k) - c.col.begin();
    return c;
}

std::vector<double> smallStationary(const PackedRows& a)
{
    // the rates by source, as the elimination takes them
    const int n = a.n;
    std::vector<int64_t> start(n + 1, 0);
    for (int64_t p = 0; p < a.entries(); ++p) ++start[a.col[p] + 1];
    for (int k = 0; k < n; ++k) start[k + 1] += start[k];
    std::vector<int> col(a.entries());
    std::vector<double> rate(a.entries());
    std::vector<int64_t> at(start.begin(), start.end() - 1);
    for (int i = 0; i < n; ++i)
        for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p) {
            const int64_t k = at[a.col[p]]++;
            col[k] = i;
            rate[k] = a.value(p);
        }
    GthFactors f;
    if (gthFactorise(n, start, col, rate, 0, f) != GthOutcome::done) return {};
    return gthSolve(f);
}
