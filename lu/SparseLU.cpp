// Left-looking sparse LU factorisation of A in place, with dropping and optional cost-based
// pivoting; the substitutions with its factors.
#include "lu/SparseLU.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "lu/ColumnIndex.h"
#include "lu/Matrix.h"

// Rows one step of the factorisation visits, and the marks that keep each visit single.
struct StepRows {
    std::vector<int> mark;       // step that last listed the row, or -1
    std::vector<int> upperHeap;  // rows 0..k still to compute, smallest first
    std::vector<int> upperDone;  // rows 0..k whose colPosition was set
    std::vector<int> lower;      // rows k+1..n-1 to compute
    std::vector<int> slotted;    // rows k+1..n-1 holding an entry in column k already
    std::vector<int> live;       // rows c < k whose U[c][k] is kept, in increasing order
    std::vector<std::pair<int, int>> terms;  // (position, column) of a wide row's terms

    explicit StepRows(int n) : mark(n, -1) {}
    // Lists row for step k unless it is listed already.
    void reach(int row, int k)
    {
        if (mark[row] == k) return;
        mark[row] = k;
        if (row <= k) {
            upperHeap.push_back(row);
            std::push_heap(upperHeap.begin(), upperHeap.end(), std::greater<int>());
        } else {
            lower.push_back(row);
        }
    }
    int popUpper()
    {
        std::pop_heap(upperHeap.begin(), upperHeap.end(), std::greater<int>());
        int row = upperHeap.back();
        upperHeap.pop_back();
        return row;
    }
};

// Rows holding an entry in column k: their positions go to colPosition (rows up to k).
static void seedColumn(SparseLU& s, const ColumnIndex& index, StepRows& rows, int k, bool pivoting)
{
    const int n = s.numStates;
    if (pivoting) {
        // exchanges move entries between columns: locate column k afresh in every row
        s.colPos(k);
        for (int i = 0; i < n; ++i)
            if (s.colPosition[i] >= 0) {
                if (i > k) rows.slotted.push_back(i);
                rows.reach(i, k);
            }
        return;
    }
    for (int64_t p = index.loadedStart[k]; p < index.loadedStart[k + 1]; ++p) {
        int i = index.loadedRow[p];
        if (i <= k) s.colPosition[i] = index.loadedPos[p];
        else rows.slotted.push_back(i);
        rows.reach(i, k);
    }
}

// L[j][k] of a row too long to walk: its terms are found through its position map and
// summed in storage order, as a walk of the row would sum them.
static void lowerOfWideRow(SparseLU& s, const std::vector<int>& where, StepRows& rows, int j, int k,
                           double pivot)
{
    rows.terms.clear();
    for (int c : rows.live)
        if (where[c] >= 0) rows.terms.push_back({where[c], c});
    std::sort(rows.terms.begin(), rows.terms.end());
    const Matrix& row = s.A[j];
    double sum = 0.0;
    for (const auto& t : rows.terms) sum += row.values[t.first] * s.A[t.second].values[s.colPosition[t.second]];
    s.storeLower(j, k, where[k], sum, pivot);
}

// The pivot is chosen among loaded values, but its computed value can be far smaller, even
// zero when the leading block is singular: it must stand within the stability factor of the
// largest value computed below it in its column, as a chosen entry stands against the loaded ones.
static bool unstablePivot(double pivot, double largestBelow, int stability)
{
    return std::fabs(pivot) * stability < largestBelow;
}

// With pivoting, an unstable pivot is exchanged for the largest value computed below it in
// column k (the first such row on ties): that row becomes row k, and the row it replaces takes
// its U value over the new pivot as its multiplier. Returns the pivot in force.
static double exchangeUnstablePivot(SparseLU& s, ColumnIndex& index, StepRows& rows, int k, double pivot)
{
    double largest = 0.0;
    int best = -1;
    for (int j : rows.lower) {
        double a = std::fabs(s.lowerNumerator(j, k));
        if (a > largest || (a == largest && best >= 0 && j < best)) {
            largest = a;
            best = j;
        }
    }
    if (best < 0 || !unstablePivot(pivot, largest, s.stability)) return pivot;
    s.swapRows(k, best);
    std::swap(s.rowSwap[k], s.rowSwap[best]);
    index.swapRows(s.A, k, best);
    s.colPosition[k] = s.A[k].find(k);
    pivot = s.upperTriangular(k, k);
    auto gone = [best](int r) { return r == best; };
    rows.lower.erase(std::remove_if(rows.lower.begin(), rows.lower.end(), gone), rows.lower.end());
    rows.slotted.erase(std::remove_if(rows.slotted.begin(), rows.slotted.end(), gone), rows.slotted.end());
    Matrix& moved = s.A[best];
    int p = moved.find(k);
    if (p >= 0) {
        double l = moved.values[p] / pivot;
        if (std::fabs(l) < s.dropThreshold) {
            if (l != 0.0) ++s.droppedEntries;
            l = 0.0;
        }
        moved.values[p] = l;
        index.addLower(best);
    }
    return pivot;
}

// Step k of the factorisation over the rows its column can reach; returns the pivot.
// A row outside the reach has no entry in column k and no multiplier meeting a kept U[c][k],
// so its computed value is a signed zero that would be neither stored nor used.
static double factorColumn(SparseLU& s, ColumnIndex& index, StepRows& rows, int k, bool pivoting)
{
    const int n = s.numStates;
    rows.lower.clear();
    rows.slotted.clear();
    rows.upperDone.clear();
    rows.live.clear();
    seedColumn(s, index, rows, k, pivoting);
    rows.reach(k, k);  // the pivot is computed even when nothing reaches it
    double pivot = 0.0;
    while (!rows.upperHeap.empty()) {
        int i = rows.popUpper();
        double u = s.upperTriangular(i, k);
        rows.upperDone.push_back(i);
        if (i == k) {
            pivot = u;
            continue;
        }
        if (s.colPosition[i] < 0) continue;  // dropped or zero: U[i][k] reaches no row
        rows.live.push_back(i);
        for (int64_t p = index.lowerStart[i]; p < index.lowerStart[i + 1]; ++p)
            rows.reach(index.lowerRow[p], k);
    }
    if (pivoting) pivot = exchangeUnstablePivot(s, index, rows, k, pivot);
    // an unreached row computes -0.0 / pivot: stored only when the pivot is 0 or not a number
    double untouched = -0.0 / pivot;
    if (!(std::fabs(untouched) < s.dropThreshold) && untouched != 0.0) {
        rows.lower.clear();
        for (int j = k + 1; j < n; ++j) rows.lower.push_back(j);
    }
    for (int j : rows.slotted) index.addLower(j);
    for (int j : rows.lower) {
        int before = s.A[j].numEntries();
        std::vector<int>* where = index.positions(j);
        if (where)
            lowerOfWideRow(s, *where, rows, j, k, pivot);
        else
            s.lowerTriangular(j, k, pivot);
        if (s.A[j].numEntries() == before) continue;
        index.addLower(j);
        if (where) (*where)[k] = before;
    }
    index.closeColumn();
    for (int i : rows.upperDone) s.colPosition[i] = -1;
    return pivot;
}

// Factorises A column by column into unit lower L and upper U.
void SparseLU::compute()
{
    status = LUInfo::Success;
    const int n = numStates;
    const bool pivoting = searchRows != 0 && stability > 0;
    droppedEntries = 0;
    ColumnIndex index(A, n, !pivoting);
    StepRows rows(n);
    colPosition.assign(n, -1);
    // with pivoting, the entries of every column, kept up to date as fill comes and columns
    // are exchanged, so that a pivot search reads them instead of counting them again
    columnEntries.clear();
    if (pivoting) {
        columnEntries.assign(n, 0);
        for (int r = 0; r < n; ++r)
            for (int c : A[r].columns) ++columnEntries[c];
    }
    struct Stop {
        std::vector<int>& counts;
        ~Stop() { counts.clear(); }
    } stop{columnEntries};
    int64_t loaded = 0;
    for (int i = 0; i < n; ++i) loaded += A[i].numEntries();
    appendedEntries = 0;
    const int fillWindow = 64;
    int64_t windowStart = 0;
    for (int k = 0; k < n; ++k) {
        report(LUStage::Factorisation, k, loaded + appendedEntries);
        // the fill of the last columns is the fill of the columns to come (it does not come
        // back): give up when at that rate it would pass the budget, counted over all columns or
        // over those left after the fill so far
        if (fillBudget > 0.0 && k % fillWindow == 0) {
            const double rate = (double)(appendedEntries - windowStart) / fillWindow;
            const double budget = fillBudget * (double)loaded;
            if (rate * n > budget || (double)appendedEntries + rate * (n - k) > budget) {
                projectedFill = (int64_t)std::max(rate * n, (double)appendedEntries + rate * (n - k)) + loaded;
                status = LUInfo::FillBudgetExceeded;
                return;
            }
            windowStart = appendedEntries;
        }
        if (pivoting) {
            int r = pivotMatrix((unsigned)k);
            if (r != k) index.swapRows(A, k, r);
        }
        factorColumn(*this, index, rows, k, pivoting);
    }
}

// U[i][k] from the loaded value and the L multipliers of row i; returns it even when dropped.
double SparseLU::upperTriangular(int i, int k)
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
        if (u != 0.0) ++droppedEntries;
        if (p >= 0) row.values[p] = 0.0;
        colPosition[i] = -1;
        return u;
    }
    if (p >= 0)
        row.values[p] = u;
    else if (u != 0.0)  // an exact zero with no slot needs none; p < 0: row i holds none
        colPosition[i] = appendVal(A, i, k, u);
    return u;
}

// Sum over c < k of row j's multipliers times the kept U[c][k], in storage order; *p is the
// position of column k in row j, or -1.
double SparseLU::lowerSum(int j, int k, int* p) const
{
    const Matrix& row = A[j];
    double sum = 0.0;
    *p = -1;
    for (int q = 0; q < row.numEntries(); ++q) {
        int c = row.columns[q];
        if (c < k && colPosition[c] >= 0)
            sum += row.values[q] * A[c].values[colPosition[c]];
        else if (c == k)
            *p = q;
    }
    return sum;
}

// A[j][k] less the earlier multipliers of row j times U[c][k]: L[j][k] times the pivot.
double SparseLU::lowerNumerator(int j, int k) const
{
    int p;
    double sum = lowerSum(j, k, &p);
    return p >= 0 ? A[j].values[p] - sum : -sum;
}

// L[j][k] from the loaded value, the earlier multipliers of row j and the pivot.
void SparseLU::lowerTriangular(int j, int k, double pivot)
{
    int p;
    double sum = lowerSum(j, k, &p);
    storeLower(j, k, p, sum, pivot);
}

// Stores L[j][k] = (A[j][k] - sum) / pivot unless it falls below the threshold; p is the
// position of column k in row j, or -1.
void SparseLU::storeLower(int j, int k, int p, double sum, double pivot)
{
    Matrix& row = A[j];
    double l = p >= 0 ? (row.values[p] - sum) / pivot : -sum / pivot;
    if (std::fabs(l) < dropThreshold) {
        if (l != 0.0) ++droppedEntries;
        if (p >= 0) row.values[p] = 0.0;
        return;
    }
    if (p >= 0)
        row.values[p] = l;
    else if (l != 0.0)
        appendVal(A, j, k, l);
}

// Entries of row j with a column above 0: the Markowitz row count.
void SparseLU::calcRowCost(unsigned k)
{
    for (int j = (int)k; j < numStates; ++j) rowCost[j] = activeRowCost(j, k);
}

int SparseLU::activeRowCost(int j, unsigned k) const
{
    // Without dropping, every column before k of every row holds a factor entry,
    // stored or an exact zero left out; count them all.
    const bool dense = !(dropThreshold > 0.0);
    const int from = dense ? ((int)k > 1 ? (int)k : 1) : 1;
    int count = dense && k > 1 ? (int)k - 1 : 0;
    for (int c : A[j].columns)
        if (c >= from) ++count;
    return count;
}

// Entries per active column k..n-1, over all rows; stored zeros count.
void SparseLU::calcColCost(unsigned k)
{
    const int n = numStates;
    for (int c = (int)k; c < n; ++c) colCost[c] = 0;
    for (int r = 0; r < n; ++r)
        for (int c : A[r].columns)
            if (c >= (int)k) ++colCost[c];
}

// Largest active magnitude over row blocks of searchRows from k; sets *end past the last row
// scanned, or returns 1e-11 when nothing above it was found. Magnitudes, not signed values:
// the diagonal of a generator is negative, and a rule blind to it pivots on off-diagonal rates
// and breaks down on chains that factorise well without pivoting.
double SparseLU::pivotBound(unsigned k, int* end) const
{
    const uint32_t n = (uint32_t)numStates;
    const uint32_t block = (uint32_t)searchRows;
    double M = 1e-11;
    for (uint32_t first = k; first < n;) {
        uint32_t last = first + (block < n - first ? block : n - first);
        for (uint32_t j = first; j < last; ++j)
            for (int q = 0; q < A[j].numEntries(); ++q)
                if (A[j].columns[q] >= (int)k && std::fabs(A[j].values[q]) > M) M = std::fabs(A[j].values[q]);
        if (M > 1e-11) {
            *end = (int)last;
            return M;
        }
        first = last;
    }
    return M;
}

// Brings the cheapest stable entry of the active part to position (k, k); returns the row
// exchanged with row k (k itself when none was).
int SparseLU::pivotMatrix(unsigned k)
{
    int end = 0;
    double M = pivotBound(k, &end);
    if (!(M > 1e-11)) return (int)k;
    // the costs of the rows searched and of the active columns: counted here only without the
    // factorisation's own count of each column's entries
    if (columnEntries.empty()) calcColCost(k);
    const std::vector<int>& entriesOf = columnEntries.empty() ? colCost : columnEntries;

    int pivotRow = -1, pivotCol = 0;
    double pivotValue = 0.0;
    for (int j = (int)k; j < end; ++j) {
        rowCost[j] = activeRowCost(j, k);
        int col = 0;
        int32_t cost = 1000000000;
        double value = 0.0;
        for (int q = 0; q < A[j].numEntries(); ++q) {
            int c = A[j].columns[q];
            double v = std::fabs(A[j].values[q]);  // stability compares magnitudes
            if (c < (int)k || !(stability * v >= M)) continue;
            int32_t d = 0;
            if (entriesOf[c] != 0 && rowCost[j] != 0)
                d = (int32_t)((uint32_t)(entriesOf[c] - 1) * (uint32_t)(rowCost[j] - 1));
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
    if (pivotRow < 0) return (int)k;
    if (pivotRow != (int)k) {
        swapRows((int)k, pivotRow);
        std::swap(rowSwap[k], rowSwap[pivotRow]);
    }
    if (pivotCol != (int)k) {
        for (int r = 0; r < numStates; ++r) swapCols(r, (int)k, pivotCol);
        if (!columnEntries.empty()) std::swap(columnEntries[k], columnEntries[pivotCol]);
        std::swap(colSwap[k], colSwap[pivotCol]);
    }
    return pivotRow;
}

// Overwrites the entry of column col in a row, or appends one; returns its position.
int SparseLU::setVal(Matrix* matrix, int row, int col, double value)
{
    Matrix& r = matrix[row];
    int p = r.find(col);
    if (p >= 0) {
        r.values[p] = value;
        return p;
    }
    return appendVal(matrix, row, col, value);
}

int SparseLU::appendVal(Matrix* matrix, int row, int col, double value)
{
    Matrix& r = matrix[row];
    r.append(col, value);
    ++appendedEntries;
    if (matrix == A && !columnEntries.empty()) ++columnEntries[col];
    return r.numEntries() - 1;
}

// A[row][col], or 0.0 when the row has no such entry.
double SparseLU::getVal(int row, int col) const
{
    int p = A[row].find(col);
    return p >= 0 ? A[row].values[p] : 0.0;
}

// For every row, the position of its entry in column col, or -1.
void SparseLU::colPos(int col)
{
    for (int i = 0; i < numStates; ++i) colPosition[i] = A[i].find(col);
}

// Exchanges two rows of A without copying entries.
void SparseLU::swapRows(int r1, int r2)
{
    std::swap(A[r1], A[r2]);
}

// Exchanges columns c1 and c2 within one row of A.
void SparseLU::swapCols(int row, int c1, int c2)
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

// Solves L y = b (unit diagonal implied).
void SparseLU::forwardSub(double* y, const double* b, const Matrix* factors) const
{
    const int n = numStates;
    if (n == 0) return;
    y[0] = b[0];
    for (int i = 1; i < n; ++i) {
        report(LUStage::ForwardSubstitution, i, 0);
        double sum = 0.0;
        const Matrix& row = factors[i];
        for (int q = 0; q < row.numEntries(); ++q)
            if (row.columns[q] < i) sum += row.values[q] * y[row.columns[q]];
        y[i] = b[i] - sum;
    }
}

// Solves U x = y.
void SparseLU::backwardSub(const double* y, double* x, const Matrix* factors) const
{
    const int n = numStates;
    if (n == 0) return;
    int p = factors[n - 1].find(n - 1);
    double d = p >= 0 ? factors[n - 1].values[p] : 0.0;
    x[n - 1] = y[n - 1] / d;
    for (int i = n - 2; i >= 0; --i) {
        report(LUStage::BackwardSubstitution, i, 0);
        double sum = 0.0;
        d = 0.0;
        const Matrix& row = factors[i];
        for (int q = 0; q < row.numEntries(); ++q) {
            int c = row.columns[q];
            if (c > i)
                sum += row.values[q] * x[c];
            else if (c == i)
                d = row.values[q];
        }
        x[i] = (y[i] - sum) / d;
    }
}

void SparseLU::resize(int n)
{
    numStates = n;
    size_t size = n > 0 ? (size_t)n : 0;
    rowCost.assign(size, 0);
    colCost.assign(size, 0);
    rowSwap.resize(size);
    colSwap.resize(size);
    for (size_t i = 0; i < size; ++i) rowSwap[i] = colSwap[i] = (int)i;
    colPosition.assign(size, 0);
}

void SparseLU::release()
{
    delete[] A;
    A = nullptr;
    for (std::vector<int>* v : {&rowCost, &colCost, &rowSwap, &colSwap, &colPosition}) {
        v->clear();
        v->shrink_to_fit();
    }
}
