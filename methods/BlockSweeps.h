// Gauss-Seidel sweeps shared out among threads: the states fall into consecutive blocks, one
// thread each. Within its block a thread uses the values of the sweep in hand, from the other
// blocks those of the sweep before (Jacobi between blocks), so no thread reads what another
// writes. On a chain numbered as it was explored this costs a few more sweeps than one
// thread, and each sweep takes about half the time on two processors.
#ifndef VELMAR_DSS_BLOCKSWEEPS_H
#define VELMAR_DSS_BLOCKSWEEPS_H

#include <vector>

#include "methods/RowParts.h"
#include "methods/PackedRows.h"

class BlockSweeps {
public:
    // The blocks are the given parts of the rows.
    BlockSweeps(const PackedRows& a, const RowParts& blocks);

    // `count` sweeps of A x = b with relaxation omega; after sweep k (from 0), for
    // firstKept <= k < firstKept + kept.size(), x is copied into kept[k - firstKept].
    void run(const std::vector<double>& b, double omega, std::vector<double>& x, int count, int firstKept,
             std::vector<std::vector<double>>& kept);

    int blocks() const { return parts.count(); }
    const RowParts& blockParts() const { return parts; }

private:
    template <class Values>
    void sweepBlock(int t, Values v, const std::vector<double>& b, double omega, double* x, const double* before,
                    double* after) const;

    const PackedRows& a;
    RowParts parts;                         // the blocks
    std::vector<double> last, next;         // the values of the sweep before, and of this one
};

#endif
