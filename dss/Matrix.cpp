// Store, look up, locate and exchange entries of the working matrix.
#include "dss/Matrix.h"

#include <utility>

#include "dss/DSSSolver.h"

// Overwrites the entry of column col in a row, or appends one; returns its position.
int DSSSolver::setVal(Matrix* matrix, int row, int col, double value)
{
    Matrix& r = matrix[row];
    int p = r.find(col);
    if (p >= 0) {
        r.values[p] = value;
        return p;
    }
    r.append(col, value);
    ++appendedEntries;
    if (matrix == A && !columnEntries.empty()) ++columnEntries[col];
    return r.numEntries() - 1;
}

// A[row][col], or 0.0 when the row has no such entry.
double DSSSolver::getVal(int row, int col)
{
    int p = A[row].find(col);
    return p >= 0 ? A[row].values[p] : 0.0;
}

// For every row, the position of its entry in column col, or -1.
void DSSSolver::colPos(int col)
{
    for (int i = 0; i < numStates; ++i) colPosition[i] = A[i].find(col);
}

// Exchanges two rows of A without copying entries.
void DSSSolver::swapRows(int r1, int r2)
{
    std::swap(A[r1], A[r2]);
}

// Exchanges columns c1 and c2 within one row of A.
void DSSSolver::swapCols(int row, int c1, int c2)
{
    if (c1 == c2) return;
    Matrix& r = A[row];
    int p1 = r.find(c1);
    int p2 = r.find(c2);
    if (p1 >= 0 && p2 >= 0)
        std::swap(r.values[p1], r.values[p2]);
    else if (p1 >= 0)
        r.columns[p1] = c2;
    else if (p2 >= 0)
        r.columns[p2] = c1;
}
