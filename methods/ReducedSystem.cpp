// Forming the reduced system.
#include "methods/ReducedSystem.h"

#include <cmath>

#include "chain/ClosedClasses.h"
#include "chain/Generator.h"
#include "methods/PackedRows.h"

ReducedSystem reducedSystem(const Generator& q, const Ordering& o, int fixed)
{
    const int n = q.n;
    ReducedSystem s;
    SparseRows& a = s.a;
    a.n = n;
    s.b.assign(n, 0.0);
    if (fixed >= 0) {
        s.fixed = o.newOf[fixed];
        s.b[s.fixed] = 1.0;
    }
    // row k of Q^T holds the rates into state oldOf[k]; count them, then fill by source in
    // new order so that every row's columns come out sorted with the diagonal in place
    a.start.assign(n + 1, 0);
    for (int i = 0; i < n; ++i) {
        if (i == fixed) continue;
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p)
            if (q.target[p] != fixed && q.rate[p] != 0.0) ++a.start[o.newOf[q.target[p]] + 1];
    }
    for (int k = 0; k < n; ++k) a.start[k + 1] += a.start[k] + 1;
    a.col.resize(a.start[n]);
    a.val.resize(a.start[n]);
    a.diagonal.resize(n);
    std::vector<int64_t> at(a.start.begin(), a.start.end() - 1);
    for (int k = 0; k < n; ++k) {
        const int i = o.oldOf[k];
        a.diagonal[k] = at[k];
        a.col[at[k]] = k;
        a.val[at[k]++] = i == fixed ? 1.0 : -q.exitRate[i];
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) {
            const int j = q.target[p];
            if (j == fixed || q.rate[p] == 0.0) continue;
            if (i == fixed) {
                s.b[o.newOf[j]] = -q.rate[p];
                continue;
            }
            const int row = o.newOf[j];
            a.col[at[row]] = k;
            a.val[at[row]++] = q.rate[p];
        }
    }
    return s;
}

double generatorResidual(const std::vector<double>& r, int fixed)
{
    double m = 0.0, sum = 0.0;
    for (size_t k = 0; k < r.size(); ++k) {
        if ((int)k == fixed) continue;
        m = std::max(m, std::fabs(r[k]));
        sum += r[k];
    }
    return std::max(m, std::fabs(sum));
}

namespace {

// The flows of row i of the plain form, in stored order: sum -= a_ij x_j, size += |a_ij x_j|.
struct PlainFlows {
    const SparseRows& a;
    void operator()(int i, const double* x, double& sum, double& size) const
    {
        for (int64_t k = a.start[i]; k < a.start[i + 1]; ++k) {
            double flow = a.val[k] * x[a.col[k]];
            sum -= flow;
            size += std::fabs(flow);
        }
    }
};

// The same of the packed form: the diagonal taken at its place between the two sides.
template <class Values>
struct PackedFlows {
    const PackedRows& a;
    Values v;
    void operator()(int i, const double* x, double& sum, double& size) const
    {
        const int64_t* s = a.start.data();
        const int* c = a.col.data();
        for (int64_t k = s[i]; k < a.upper[i]; ++k) {
            double flow = v[k] * x[c[k]];
            sum -= flow;
            size += std::fabs(flow);
        }
        double flow = a.diagonal[i] * x[i];
        sum -= flow;
        size += std::fabs(flow);
        for (int64_t k = a.upper[i]; k < s[i + 1]; ++k) {
            double f = v[k] * x[c[k]];
            sum -= f;
            size += std::fabs(f);
        }
    }
};

template <class Flows>
double balanceOf(const Flows& flows, int n, const std::vector<double>& b, int fixed, const std::vector<double>& x,
                 std::vector<double>& r, double normQ, const RowParts* parts, std::vector<double>* weights)
{
    const RowParts whole(n);
    const RowParts& p = parts != nullptr ? *parts : whole;
    std::vector<double> own;
    std::vector<double>& w = weights != nullptr ? *weights : own;
    w.resize(n);  // every entry is written below
    struct Part {
        double xLargest = 0.0, largest = 0.0, m = 0.0, sum = 0.0, out = 0.0, all = 0.0;
    };
    std::vector<Part> part(p.count());
    p.inParallel([&](int t) {
        Part& f = part[t];
        for (int i = p.from(t); i < p.to(t); ++i) f.xLargest = std::max(f.xLargest, std::fabs(x[i]));
        for (int i = p.from(t); i < p.to(t); ++i) {
            double sum = b[i], size = std::fabs(b[i]);
            flows(i, x.data(), sum, size);
            r[i] = sum;
            w[i] = size;
            if (i != fixed) f.largest = std::max(f.largest, size);
        }
    });
    double largest = 0.0, xLargest = 0.0;
    for (const Part& f : part) {
        largest = std::max(largest, f.largest);
        xLargest = std::max(xLargest, f.xLargest);
    }
    const double floor = 1e-12 * std::max(largest, normQ * xLargest);
    p.inParallel([&](int t) {
        Part& f = part[t];
        for (int i = p.from(t); i < p.to(t); ++i) {
            if (i == fixed) continue;
            double e = std::fabs(r[i]) / std::max(w[i], floor);
            if (!(e <= f.m)) f.m = std::isnan(e) ? INFINITY : e;
            f.sum += r[i];
            f.out += std::fabs(b[i]);
            f.all += w[i];
        }
    });
    double m = 0.0, sum = 0.0, out = 0.0, all = 0.0;
    for (const Part& f : part) {
        if (!(f.m <= m)) m = f.m;
        sum += f.sum;
        out += f.out;
        all += f.all;
    }
    // the fixed state's own balance: its imbalance is minus the others' (the columns of Q^T
    // sum to 0), its outflow sits in b; without it a vector that has collapsed onto the
    // fixed state would pass. The sum gathers the rounding of every equation, so it is held
    // to the outflow or a thousandth of all the flows, whichever is larger.
    if (fixed >= 0) {
        double e = std::fabs(sum) / std::max(std::max(out, 1e-3 * all), floor);
        if (!(e <= m)) m = std::isnan(e) ? INFINITY : e;
    }
    return floor > 0.0 ? m : INFINITY;
}

}  // namespace

double balanceResidual(const ReducedSystem& s, const std::vector<double>& x, std::vector<double>& r,
                       double normQ, const RowParts* parts)
{
    return balanceOf(PlainFlows{s.a}, s.a.n, s.b, s.fixed, x, r, normQ, parts, nullptr);
}

double balanceResidual(const PackedRows& a, const std::vector<double>& b, int fixed, const std::vector<double>& x,
                       std::vector<double>& r, double normQ, const RowParts* parts, std::vector<double>* weights)
{
    double m = 0.0;
    withValues(a, [&](auto v) {
        m = balanceOf(PackedFlows<decltype(v)>{a, v}, a.n, b, fixed, x, r, normQ, parts, weights);
    });
    return m;
}

void fixState(ReducedSystem& s, int k)
{
    SparseRows& a = s.a;
    s.fixed = k;
    for (int i = 0; i < a.n; ++i)
        for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p) {
            if (i == k) {
                a.val[p] = p == a.diagonal[i] ? 1.0 : 0.0;
            } else if (a.col[p] == k) {
                s.b[i] -= a.val[p];
                a.val[p] = 0.0;
            }
        }
    s.b[k] = 1.0;
}

// True when every state reaches state k: a breadth-first search along incoming transitions.
static bool reachedByAll(const SparseRows& a, int k)
{
    std::vector<char> seen(a.n, 0);
    std::vector<int> queue{k};
    seen[k] = 1;
    for (size_t h = 0; h < queue.size(); ++h) {
        int v = queue[h];
        for (int64_t p = a.start[v]; p < a.start[v + 1]; ++p)
            if (!seen[a.col[p]] && a.val[p] != 0.0) {
                seen[a.col[p]] = 1;
                queue.push_back(a.col[p]);
            }
    }
    return (int)queue.size() == a.n;
}

// Inflow over outflow of row k (infinite for a state nothing leaves).
static double inflowRatio(const SparseRows& a, int k)
{
    double in = 0.0;
    for (int64_t p = a.start[k]; p < a.start[k + 1]; ++p)
        if (p != a.diagonal[k]) in += a.val[p];
    double out = -a.val[a.diagonal[k]];
    return out > 0.0 ? in / out : INFINITY;
}

// The state with the largest inflow ratio among those `allowed` (all when empty).
static int likeliest(const SparseRows& a, const std::vector<char>& allowed)
{
    int best = -1;
    double bestRatio = -1.0;
    for (int k = 0; k < a.n; ++k) {
        if (!allowed.empty() && !allowed[k]) continue;
        double r = inflowRatio(a, k);
        if (r > bestRatio) {
            best = k;
            bestRatio = r;
        }
    }
    return best;
}

int stateToFix(const Generator& q, const Ordering& o, const ReducedSystem& unfixed)
{
    const SparseRows& a = unfixed.a;
    if (a.n == 0) return -1;
    int guess = likeliest(a, {});
    if (reachedByAll(a, guess)) return guess;
    // the guess is transient, or there are several closed classes
    ClosedClasses c = findClosedClasses(q);
    if (c.count() != 1) return -1;
    std::vector<char> inClass(a.n, 0);
    for (int i = 0; i < q.n; ++i)
        if (c.classOf[i] == 0) inClass[o.newOf[i]] = 1;
    return likeliest(a, inClass);
}
