// Reading the chain as a generator in compressed rows, and its unit of time.
#include "chain/Generator.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "statelevel/BaseStateLevel.h"

double Generator::smallestRate() const
{
    double m = 0.0;
    for (double q : rate)
        if (q > 0.0 && (m == 0.0 || q < m)) m = q;
    return m;
}

double Generator::largestRate() const
{
    double m = 0.0;
    for (double q : rate) m = std::max(m, q);
    return m;
}

double Generator::normInf() const
{
    double m = 0.0;
    for (double e : exitRate) m = std::max(m, 2.0 * e);
    return m;
}

// Folds repeated targets of state i into their first entry, in stored order.
static int64_t mergeRow(Generator& q, int64_t from, int64_t to, int64_t kept, std::vector<int64_t>& at,
                        std::vector<int>& seenIn, int i)
{
    for (int64_t p = from; p < to; ++p) {
        int j = q.target[p];
        if (seenIn[j] == i) {
            q.rate[at[j]] += q.rate[p];
            continue;
        }
        seenIn[j] = i;
        at[j] = kept;
        q.target[kept] = j;
        q.rate[kept++] = q.rate[p];
    }
    return kept;
}

// Sorts entries [from, to) by target, keeping the order of equal targets: the order a walk
// by columns gives, so the sums below come out the same whichever walk the level prefers.
static void sortRow(Generator& q, int64_t from, int64_t to)
{
    for (int64_t p = from + 1; p < to; ++p) {
        int j = q.target[p];
        double r = q.rate[p];
        int64_t k = p;
        for (; k > from && q.target[k - 1] > j; --k) {
            q.target[k] = q.target[k - 1];
            q.rate[k] = q.rate[k - 1];
        }
        q.target[k] = j;
        q.rate[k] = r;
    }
}

// The off-diagonal entries of every row, row by row, in the level's own row order: no switch
// of the level to columns, which costs more than the whole walk.
static void readRows(BaseStateLevel& level, Generator& q)
{
    BaseStateLevel::EdgeBaseContainer* row = nullptr;
    BaseStateLevel::EdgeBaseIterator* it = nullptr;
    level.allocateRowContainer(row);
    level.allocateRowIterator(it);
    EdgeBuffer e;
    for (int i = 0; i < q.n; ++i) {
        level.getRow(i, row);
        for (row->begin(it, e); !e.at_end; it->next(e)) {
            if (e.row == e.col) continue;
            q.target.push_back(e.col);
            q.rate.push_back(e.rate);
        }
        q.start[i + 1] = (int64_t)q.target.size();
        sortRow(q, q.start[i], q.start[i + 1]);
    }
    level.deallocateRowContainer(row);
    level.deallocateRowIterator(it);
}

// The same from one walk of all edges (by columns): counted first, then placed.
static void readByColumns(BaseStateLevel& level, Generator& q)
{
    BaseStateLevel::EdgeBaseContainer* edges = nullptr;
    BaseStateLevel::EdgeBaseIterator* it = nullptr;
    level.allocateAllEdgesContainer(edges);
    level.allocateAllEdgesIterator(it);
    level.getAllEdges(edges);
    EdgeBuffer e;
    for (edges->begin(it, e); !e.at_end; it->next(e))
        if (e.row != e.col) ++q.start[e.row + 1];
    for (int i = 0; i < q.n; ++i) q.start[i + 1] += q.start[i];
    q.target.resize(q.start[q.n]);
    q.rate.resize(q.start[q.n]);
    std::vector<int64_t> next(q.start.begin(), q.start.end() - 1);
    for (edges->begin(it, e); !e.at_end; it->next(e)) {
        if (e.row == e.col) continue;
        int64_t p = next[e.row]++;
        q.target[p] = e.col;
        q.rate[p] = e.rate;
    }
    level.deallocateAllEdgesContainer(edges);
    level.deallocateAllEdgesIterator(it);
}

// Repeated targets folded into their first entry, row by row in place, and the exit rates.
static void mergeRows(Generator& q)
{
    const int n = q.n;
    std::vector<int64_t> at(n, 0);
    std::vector<int> seenIn(n, -1);
    int64_t kept = 0;
    for (int i = 0; i < n; ++i) {
        int64_t from = q.start[i], to = q.start[i + 1];
        q.start[i] = kept;
        kept = mergeRow(q, from, to, kept, at, seenIn, i);
    }
    q.start[n] = kept;
    q.target.resize(kept);
    q.rate.resize(kept);
    for (int i = 0; i < n; ++i)
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) q.exitRate[i] += q.rate[p];
}

Generator readGenerator(BaseStateLevel& level)
{
    Generator q;
    q.n = std::max(0, level.getNumberOfStates());
    q.start.assign(q.n + 1, 0);
    q.exitRate.assign(q.n, 0.0);
    if (level.rowsAtHand())
        readRows(level, q);
    else
        readByColumns(level, q);
    mergeRows(q);
    q.target.shrink_to_fit();
    q.rate.shrink_to_fit();
    return q;
}

// The rows as the level held them, self-loops dropped and each row sorted as readRows does:
// entries only move towards the front, so the arrays serve as they are.
static void sortRowsInPlace(Generator& q)
{
    int64_t kept = 0;
    for (int i = 0; i < q.n; ++i) {
        const int64_t from = q.start[i], to = q.start[i + 1];
        q.start[i] = kept;
        for (int64_t p = from; p < to; ++p) {
            if (q.target[p] == i) continue;
            q.target[kept] = q.target[p];
            q.rate[kept++] = q.rate[p];
        }
        sortRow(q, q.start[i], kept);
    }
    q.start[q.n] = kept;
}

Generator takeGenerator(BaseStateLevel& level)
{
    RowStore rows;
    if (!level.takeRows(rows)) return readGenerator(level);
    Generator q;
    q.n = std::max(0, rows.n);
    q.start = std::move(rows.start);
    q.target = std::move(rows.dest);
    q.rate = std::move(rows.rate);
    q.exitRate.assign(q.n, 0.0);
    sortRowsInPlace(q);
    mergeRows(q);
    return q;
}

double timeUnit(const Generator& q)
{
    double smallest = q.smallestRate();
    if (!(smallest > 0.0)) return 1.0;
    // a diagonal sums up to n rates: keep the largest of them well below overflow
    double headroom = DBL_MAX / (4.0 * std::max(1, q.n));
    double largest = q.largestRate();
    if (largest / smallest > headroom) return largest / headroom;
    return smallest;
}
