// Building and maintaining the column index of the working matrix.
#include "lu/ColumnIndex.h"

#include <algorithm>
#include <cstddef>

#include "lu/Matrix.h"

ColumnIndex::ColumnIndex(const Matrix* A, int n, bool withLoaded)
{
    lowerStart.push_back(0);
    if (!withLoaded) return;
    // counting pass, then fill; a repeated column of a row is indexed at its first entry only
    std::vector<int> seenIn(n, -1);
    loadedStart.assign((size_t)n + 1, 0);
    for (int r = 0; r < n; ++r)
        for (int c : A[r].columns)
            if (seenIn[c] != r) {
                seenIn[c] = r;
                ++loadedStart[c + 1];
            }
    for (int c = 0; c < n; ++c) loadedStart[c + 1] += loadedStart[c];
    std::vector<int64_t> next(loadedStart.begin(), loadedStart.end() - 1);
    loadedRow.resize(loadedStart[n]);
    loadedPos.resize(loadedStart[n]);
    seenIn.assign(n, -1);
    for (int r = 0; r < n; ++r)
        for (int p = 0; p < A[r].numEntries(); ++p) {
            int c = A[r].columns[p];
            if (seenIn[c] == r) continue;
            seenIn[c] = r;
            loadedRow[next[c]] = r;
            loadedPos[next[c]++] = p;
        }
    indexWideRows(A, n);
}

// Maps the columns of the few rows much longer than the mean to their positions.
void ColumnIndex::indexWideRows(const Matrix* A, int n)
{
    const int64_t wide = std::max<int64_t>(64, 16 * (loadedStart[n] / std::max(n, 1)));
    wideSlot.assign(n, -1);
    for (int r = 0; r < n && widePos.size() < 8; ++r) {
        if (A[r].numEntries() <= wide) continue;
        wideSlot[r] = (int)widePos.size();
        widePos.emplace_back(n, -1);
        std::vector<int>& where = widePos.back();
        for (int p = A[r].numEntries() - 1; p >= 0; --p) where[A[r].columns[p]] = p;  // first wins
    }
}

// Renames rows k and r in the finished columns where either holds a multiplier.
void ColumnIndex::swapRows(const Matrix* A, int k, int r)
{
    const int finished = (int)lowerStart.size() - 1;
    std::vector<int> columns;
    for (int row : {k, r})
        for (int c : A[row].columns)
            if (c < finished) columns.push_back(c);
    for (int c : columns)
        for (int64_t p = lowerStart[c]; p < lowerStart[c + 1]; ++p) {
            int& row = lowerRow[p];
            if (row == k)
                row = -1 - r;  // marked, so that a column listed twice is renamed once
            else if (row == r)
                row = -1 - k;
        }
    for (int c : columns)
        for (int64_t p = lowerStart[c]; p < lowerStart[c + 1]; ++p)
            if (lowerRow[p] < 0) lowerRow[p] = -1 - lowerRow[p];
}
