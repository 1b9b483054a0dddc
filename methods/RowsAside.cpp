// Setting a chain's rows aside and rebuilding them from the packed transposed system.
#include "methods/RowsAside.h"

#include <vector>

#include "chain/Generator.h"
#include "methods/PackedRows.h"

bool rowsComeBack(const Generator& q)
{
    for (int i = 0; i < q.n; ++i)
        for (int64_t e = q.start[i]; e < q.start[i + 1]; ++e) {
            if (!(q.rate[e] != 0.0)) return false;
            if (e > q.start[i] && !(q.target[e - 1] < q.target[e])) return false;
        }
    return true;
}

void rowsFromTransposed(const PackedRows& p, Generator& q)
{
    const int64_t entries = q.transitions();
    q.target.assign(entries, 0);
    q.rate.assign(entries, 0.0);
    // row k of p holds the rates into state k by source: taken in increasing k, every source's
    // targets come out in increasing order, as they were. Each row's start serves as its
    // cursor, which ends at the next row's start; the starts are moved back after.
    int64_t* const at = q.start.data();
    withValues(p, [&](auto value) {
        for (int k = 0; k < p.n; ++k)
            for (int64_t e = p.start[k]; e < p.start[k + 1]; ++e) {
                const int64_t to = at[p.col[e]]++;
                q.target[to] = k;
                q.rate[to] = value[e];
            }
    });
    for (int i = q.n; i > 0; --i) at[i] = at[i - 1];
    at[0] = 0;
}

RowsAside::RowsAside(Generator* chain, const PackedRows& p) : q(chain), packed(p)
{
    if (q == nullptr) return;
    if (!rowsComeBack(*q)) {
        q = nullptr;
        return;
    }
    std::vector<int>().swap(q->target);
    std::vector<double>().swap(q->rate);
}

RowsAside::~RowsAside()
{
    try {
        giveBack();
    } catch (...) {
        // reached only while an interruption or a failed allocation ends the run, which then
        // reads the chain no more
    }
}

void RowsAside::giveBack()
{
    if (q == nullptr) return;
    Generator* chain = q;
    q = nullptr;
    rowsFromTransposed(packed, *chain);
}
