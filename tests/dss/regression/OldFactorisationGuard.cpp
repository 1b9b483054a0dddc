// The old straightforward left-looking factorisation, O(n) row scans per column: a regression
// guard for the solver's factorisation (see the header), not evidence of correctness.
#include "tests/dss/regression/OldFactorisationGuard.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "methods/Gmres.h"
#include "lu/Refinement.h"

OldFactorisation::OldFactorisation(std::vector<Matrix> loaded, double threshold, int32_t rows, int16_t stab)
    : A(std::move(loaded)), n((int)A.size()), dropThreshold(threshold), searchRows(rows),
      stability(stab), colPosition(n, -1), rowCost(n, 0), colCost(n, 0), rowSwap(n), colSwap(n)
{
    for (int i = 0; i < n; ++i) rowSwap[i] = colSwap[i] = i;
}

// Overwrites the entry of column col in a row, or appends one; returns its position.
int OldFactorisation::setVal(int row, int col, double value)
{
    Matrix& r = A[row];
    int p = r.find(col);
    if (p >= 0) {
        r.values[p] = value;
        return p;
    }
    r.append(col, value);
    return r.numEntries() - 1;
}

// For every row, the position of its entry in column col, or -1.
void OldFactorisation::colPos(int col)
{
    for (int i = 0; i < n; ++i) colPosition[i] = A[i].find(col);
}

// Exchanges columns c1 and c2 within one row.
void OldFactorisation::swapCols(int row, int c1, int c2)
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

// Every step: pivot, locate column k in all rows, all U entries 0..k, all L entries k+1..n-1.
void OldFactorisation::factorise()
{
    for (int k = 0; k < n; ++k) {
        if (searchRows != 0 && stability > 0) pivotMatrix(k);
        colPos(k);
        double pivot = 0.0;
        for (int i = 0; i <= k; ++i) pivot = upperTriangular(i, k);
        int moved = -1;
        if (searchRows != 0 && stability > 0) moved = exchangeUnstablePivot(k, &pivot);
        for (int j = k + 1; j < n; ++j)
            if (j != moved) lowerTriangular(j, k, pivot);
    }
}

// A pivot below the largest value under it over the stability factor is exchanged for that
// value's row; the row it replaces takes its U value over the new pivot. Returns the row moved
// down, or -1.
int OldFactorisation::exchangeUnstablePivot(int k, double* pivot)
{
    double largest = 0.0;
    int best = -1;
    for (int j = k + 1; j < n; ++j) {
        double sum = 0.0;
        int p = -1;
        for (int q = 0; q < A[j].numEntries(); ++q) {
            int c = A[j].columns[q];
            if (c < k && colPosition[c] >= 0)
                sum += A[j].values[q] * A[c].values[colPosition[c]];
            else if (c == k)
                p = q;
        }
        double a = std::fabs(p >= 0 ? A[j].values[p] - sum : -sum);
        if (a > largest) {
            largest = a;
            best = j;
        }
    }
    if (best < 0 || !(std::fabs(*pivot) * stability < largest)) return -1;
    std::swap(A[k], A[best]);
    std::swap(rowSwap[k], rowSwap[best]);
    colPosition[k] = A[k].find(k);
    *pivot = upperTriangular(k, k);
    int p = A[best].find(k);
    if (p >= 0) {
        double l = A[best].values[p] / *pivot;
        if (std::fabs(l) < dropThreshold && l != 0.0) ++dropped;
        A[best].values[p] = std::fabs(l) < dropThreshold ? 0.0 : l;
    }
    return best;
}

// U[i][k]; a dropped entry leaves a zero slot and is hidden from later rows of the step.
double OldFactorisation::upperTriangular(int i, int k)
{
    Matrix& row = A[i];
    double sum = 0.0;
    for (int q = 0; q < row.numEntries(); ++q) {
        int c = row.columns[q];
        if (c < i && colPosition[c] >= 0) sum += row.values[q] * A[c].values[colPosition[c]];
    }
    int p = colPosition[i];
    double u = p >= 0 ? row.values[p] - sum : -sum;
    if (std::fabs(u) < dropThreshold && i != k) {
        if (u != 0.0) ++dropped;
        if (p >= 0) row.values[p] = 0.0;
        colPosition[i] = -1;
        return u;
    }
    if (p >= 0)
        row.values[p] = u;
    else if (u != 0.0)
        colPosition[i] = setVal(i, k, u);
    return u;
}

// L[j][k].
void OldFactorisation::lowerTriangular(int j, int k, double pivot)
{
    Matrix& row = A[j];
    double sum = 0.0;
    int p = -1;
    for (int q = 0; q < row.numEntries(); ++q) {
        int c = row.columns[q];
        if (c < k && colPosition[c] >= 0)
            sum += row.values[q] * A[c].values[colPosition[c]];
        else if (c == k)
            p = q;
    }
    double l = p >= 0 ? (row.values[p] - sum) / pivot : -sum / pivot;
    if (std::fabs(l) < dropThreshold) {
        if (l != 0.0) ++dropped;
        if (p >= 0) row.values[p] = 0.0;
        return;
    }
    if (p >= 0)
        row.values[p] = l;
    else if (l != 0.0)
        setVal(j, k, l);
}

// Row counts: entries with a column above 0, every earlier factor position when nothing drops.
void OldFactorisation::calcRowCost(int k)
{
    const bool dense = !(dropThreshold > 0.0);
    const int from = dense ? std::max(k, 1) : 1;
    const int implied = dense && k > 1 ? k - 1 : 0;
    for (int j = k; j < n; ++j) {
        int count = implied;
        for (int c : A[j].columns)
            if (c >= from) ++count;
        rowCost[j] = count;
    }
}

// Column counts over all rows for the active columns.
void OldFactorisation::calcColCost(int k)
{
    for (int c = k; c < n; ++c) colCost[c] = 0;
    for (int r = 0; r < n; ++r)
        for (int c : A[r].columns)
            if (c >= k) ++colCost[c];
}

// Largest signed active value over blocks of searchRows rows from k.
double OldFactorisation::pivotBound(int k, int* end)
{
    const uint32_t rows = (uint32_t)n;
    const uint32_t block = (uint32_t)searchRows;
    double M = 1e-11;
    for (uint32_t first = (uint32_t)k; first < rows;) {
        uint32_t last = first + (block < rows - first ? block : rows - first);
        for (uint32_t j = first; j < last; ++j)
            for (int q = 0; q < A[j].numEntries(); ++q)
                if (A[j].columns[q] >= k && std::fabs(A[j].values[q]) > M) M = std::fabs(A[j].values[q]);
        if (M > 1e-11) {
            *end = (int)last;
            return M;
        }
        first = last;
    }
    return M;
}

// Cheapest stable entry of the active part to (k, k).
void OldFactorisation::pivotMatrix(int k)
{
    calcRowCost(k);
    calcColCost(k);
    int end = 0;
    double M = pivotBound(k, &end);
    if (!(M > 1e-11)) return;
    int pivotRow = -1, pivotCol = 0;
    double pivotValue = 0.0;
    for (int j = k; j < end; ++j) {
        int col = 0;
        int32_t cost = 1000000000;
        double value = 0.0;
        for (int q = 0; q < A[j].numEntries(); ++q) {
            int c = A[j].columns[q];
            double v = std::fabs(A[j].values[q]);
            if (c < k || !(stability * v >= M)) continue;
            int32_t d = 0;
            if (colCost[c] != 0 && rowCost[j] != 0)
                d = (int32_t)((uint32_t)(colCost[c] - 1) * (uint32_t)(rowCost[j] - 1));
            if (d < cost || (d == cost && v > value)) {
                col = c;
                cost = d;
                value = v;
            }
        }
        if (value > pivotValue) {
            pivotRow = j;
            pivotCol = col;
            pivotValue = value;
        }
    }
    if (pivotRow < 0) return;
    if (pivotRow != k) {
        std::swap(A[k], A[pivotRow]);
        std::swap(rowSwap[k], rowSwap[pivotRow]);
    }
    if (pivotCol != k) {
        for (int r = 0; r < n; ++r) swapCols(r, k, pivotCol);
        std::swap(colSwap[k], colSwap[pivotCol]);
    }
}

// L y = b, unit diagonal implied.
void OldFactorisation::forwardSub(double* y, const double* b)
{
    y[0] = b[0];
    for (int i = 1; i < n; ++i) {
        double sum = 0.0;
        for (int q = 0; q < A[i].numEntries(); ++q)
            if (A[i].columns[q] < i) sum += A[i].values[q] * y[A[i].columns[q]];
        y[i] = b[i] - sum;
    }
}

// U x = y; the diagonal is the last entry of the row's own column.
void OldFactorisation::backwardSub(const double* y, double* x)
{
    int p = A[n - 1].find(n - 1);
    double d = p >= 0 ? A[n - 1].values[p] : 0.0;
    x[n - 1] = y[n - 1] / d;
    for (int i = n - 2; i >= 0; --i) {
        double sum = 0.0;
        d = 0.0;
        for (int q = 0; q < A[i].numEntries(); ++q) {
            int c = A[i].columns[q];
            if (c > i)
                sum += A[i].values[q] * x[c];
            else if (c == i)
                d = A[i].values[q];
        }
        x[i] = (y[i] - sum) / d;
    }
}

// b - A x against the loaded system.
void OldFactorisation::residual(const std::vector<Matrix>& origA, const double* x, double* r) const
{
    for (int i = 0; i < n; ++i) {
        double sum = 0.0;
        for (int q = 0; q < origA[i].numEntries(); ++q) sum += origA[i].values[q] * x[origA[i].columns[q]];
        r[i] = i == n - 1 ? 1.0 - sum : -sum;
    }
}

// r solved with the factors, in state order.
void OldFactorisation::precondition(const double* r, double* e)
{
    std::vector<double> solB(n), solY(n), solZ(n);
    for (int i = 0; i < n; ++i) solB[i] = r[rowSwap[i]];
    forwardSub(solY.data(), solB.data());
    backwardSub(solY.data(), solZ.data());
    for (int i = 0; i < n; ++i) e[colSwap[i]] = solZ[i];
}

// The solver's refinement rules fed by these substitutions; then the solver's GMRES.
std::vector<double> OldFactorisation::refine(const std::vector<Matrix>& origA, std::vector<double> x0,
                                        double accuracy)
{
    RefinementSystem rs;
    rs.n = n;
    rs.correction = [&](const double* x1, double* e) {
        std::vector<double> r(n);
        residual(origA, x1, r.data());
        precondition(r.data(), e);
    };
    rs.measure = [&](const double* v) { return chainResidualMeasure(origA.data(), n, v); };
    RefinementOutcome outcome = refineIterate(rs, x0, accuracy);
    if (outcome.converged) return x0;
    PreconditionedSystem system;
    system.n = n;
    system.residual = [&](const double* x, double* r) { residual(origA, x, r); };
    system.multiply = [&](const double* v, double* w) {
        for (int i = 0; i < n; ++i) {
            double sum = 0.0;
            for (int q = 0; q < origA[i].numEntries(); ++q) sum += origA[i].values[q] * v[origA[i].columns[q]];
            w[i] = sum;
        }
    };
    system.precondition = [&](const double* r, double* z) { precondition(r, z); };
    gmresRefine(system, x0.data(), accuracy);
    return x0;
}

std::vector<double> OldFactorisation::solve(const std::vector<Matrix>& origA, double accuracy)
{
    std::vector<double> b(n), y(n), z(n), x(n, -1.0);
    for (int i = 0; i < n; ++i) b[i] = rowSwap[i] == n - 1 ? 1.0 : 0.0;
    forwardSub(y.data(), b.data());
    backwardSub(y.data(), z.data());
    for (int i = 0; i < n; ++i) x[colSwap[i]] = z[i];
    if (!(dropThreshold > 1e-11) && dropped == 0) return x;
    return refine(origA, x, accuracy);
}
