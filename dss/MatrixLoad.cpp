// Loading the system matrix from the chain as read: the generator transposed, last row all ones.
#include <vector>

#include "dss/ChainSolver.h"
#include "lu/Matrix.h"

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

// Loads the system matrix into target (n fresh rows) from the chain as read (read now when it
// has not been yet); minRate is the smallest rate loaded.
void ChainSolver::readMatrix(Matrix* target)
{
    const int n = lu.numStates;
    if (chain.start.empty()) {
        chain = readGenerator(*stateLevel);
        chainUnit = 1.0;
    }
    std::vector<int> count(n, 0);
    minRate = 1e9;

    // states in load order, rates in the chain's own unit of time (the methods may have put
    // the chain in it already)
    const bool relabel = !positionOf.empty();
    auto place = [&](int state) { return relabel ? positionOf[state] : state; };
    const double unit = chainUnit == rateUnit ? 1.0 : rateUnit;
    for (int64_t p = 0; p < chain.transitions(); ++p) ++count[place(chain.target[p])];
    for (int r = 0; r < n; ++r) {
        target[r] = Matrix();
        target[r].columns.reserve(count[r] + 1);
        target[r].values.reserve(count[r] + 1);
    }
    // row j of the system holds the rates into state j, by source
    for (int i = 0; i < n; ++i)
        for (int64_t p = chain.start[i]; p < chain.start[i + 1]; ++p) {
            double q = unit == 1.0 ? chain.rate[p] : chain.rate[p] / unit;
            target[place(chain.target[p])].append(place(i), q);
        }
    // each diagonal is minus its state's rates, subtracted by destination in turn; the smallest
    // rate is the smallest positive one, so zero rates cannot make the drop threshold 0
    std::vector<double> diagonal(n, 0.0);
    for (int j = 0; j < n; ++j) {
        const Matrix& row = target[place(j)];
        for (int e = 0; e < row.numEntries(); ++e) {
            diagonal[row.columns[e]] -= row.values[e];
            if (row.values[e] > 0.0 && row.values[e] < minRate) minRate = row.values[e];
        }
    }
    for (int i = 0; i + 1 < n; ++i) target[i].append(i, diagonal[i]);
    if (n > 0) normalisationRow(target[n - 1], n);
}

// Allocates A, loads the system matrix into it and sets the drop threshold from -t.
void ChainSolver::initializeSolver()
{
    if (report.debugOut) {
        fprintf(report.debugOut, "initializeSolver() begun\n");
        fflush(report.debugOut);
    }
    delete[] lu.A;
    lu.A = new Matrix[lu.numStates > 0 ? lu.numStates : 0];
    readMatrix(lu.A);
    lu.dropThreshold = tolerance * minRate;
    if (report.debugOut) {
        fprintf(report.debugOut, "initializeSolver() done\n");
        fflush(report.debugOut);
    }
}
