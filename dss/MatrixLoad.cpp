// Loading the system matrix: the generator transposed, last row all ones.
#include <vector>

#include "dss/ChainSolver.h"
#include "lu/Matrix.h"
#include "statelevel/BaseStateLevel.h"

// Folds repeated columns of a row into their first entry, summing in stored order.
static void mergeRepeats(Matrix& row, int r, std::vector<int>& seenIn, std::vector<int>& at)
{
    int kept = 0;
    for (int p = 0; p < row.numEntries(); ++p) {
        int c = row.columns[p];
        if (seenIn[c] == r) {
            row.values[at[c]] += row.values[p];
            continue;
        }
        seenIn[c] = r;
        at[c] = kept;
        row.columns[kept] = c;
        row.values[kept++] = row.values[p];
    }
    row.columns.resize(kept);
    row.values.resize(kept);
}

// Turns the last row into all ones: its entries keep their places, missing columns follow in order.
static void normalisationRow(Matrix& last, int n)
{
    std::vector<char> present(n, 0);
    for (int p = 0; p < last.numEntries(); ++p) {
        last.values[p] = 1.0;
        present[last.columns[p]] = 1;
    }
    for (int c = 0; c < n; ++c)
        if (!present[c]) last.append(c, 1.0);
}

// Loads the system matrix into target (n fresh rows); sets minRate, and the drop threshold
// when target is the matrix to factorise (the refinement's copy leaves it as it is).
void ChainSolver::readMatrix(Matrix* target)
{
    int n = lu.numStates;
    std::vector<double> diagonal(n, 0.0);
    std::vector<int> count(n, 0);
    minRate = 1e9;

    BaseStateLevel::EdgeBaseContainer* edges = nullptr;
    BaseStateLevel::EdgeBaseIterator* it = nullptr;
    stateLevel->allocateAllEdgesContainer(edges);
    stateLevel->allocateAllEdgesIterator(it);
    stateLevel->getAllEdges(edges);

    // states in load order, rates in the chain's own unit of time
    const bool relabel = !positionOf.empty();
    auto place = [&](int state) { return relabel ? positionOf[state] : state; };
    const double unit = rateUnit;
    EdgeBuffer e;
    for (edges->begin(it, e); !e.at_end; it->next(e))
        if (e.row != e.col) ++count[place(e.col)];
    for (int r = 0; r < n; ++r) {
        target[r] = Matrix();
        target[r].columns.reserve(count[r] + 1);
        target[r].values.reserve(count[r] + 1);
    }
    for (edges->begin(it, e); !e.at_end; it->next(e)) {
        if (e.row == e.col) continue;
        double q = unit == 1.0 ? e.rate : e.rate / unit;
        target[place(e.col)].append(place(e.row), q);
        diagonal[place(e.row)] -= q;
    }
    stateLevel->deallocateAllEdgesContainer(edges);
    stateLevel->deallocateAllEdgesIterator(it);

    // A repeated edge is one transition with the summed rate; the smallest rate is the
    // smallest positive one, so zero rates cannot make the drop threshold 0.
    std::vector<int> seenIn(n, -1), at(n, 0);
    for (int r = 0; r < n; ++r) {
        mergeRepeats(target[r], r, seenIn, at);
        for (double q : target[r].values)
            if (q > 0.0 && q < minRate) minRate = q;
    }
    for (int i = 0; i + 1 < n; ++i) target[i].append(i, diagonal[i]);
    if (n > 0) normalisationRow(target[n - 1], n);
    if (target == lu.A) lu.dropThreshold = tolerance * minRate;
}

// Allocates A and loads the system matrix into it.
void ChainSolver::initializeSolver()
{
    if (report.debugOut) {
        fprintf(report.debugOut, "initializeSolver() begun\n");
        fflush(report.debugOut);
    }
    delete[] lu.A;
    lu.A = new Matrix[lu.numStates > 0 ? lu.numStates : 0];
    readMatrix(lu.A);
    if (report.debugOut) {
        fprintf(report.debugOut, "initializeSolver() done\n");
        fflush(report.debugOut);
    }
}
