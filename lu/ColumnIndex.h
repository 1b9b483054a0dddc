// Column structure of the working matrix for the factorisation: where each column's
// loaded entries sit, and which rows below each finished column hold an L multiplier.
#ifndef VELMAR_DSS_COLUMNINDEX_H
#define VELMAR_DSS_COLUMNINDEX_H

#include <cstdint>
#include <vector>

struct Matrix;

struct ColumnIndex {
    // Loaded entries of column c: rows loadedRow[p] at positions loadedPos[p],
    // p in loadedStart[c] .. loadedStart[c + 1] - 1 (first entry of each row only).
    std::vector<int64_t> loadedStart;
    std::vector<int> loadedRow, loadedPos;
    // Rows below finished column c holding an entry in it (stored zeros included),
    // lowerRow[p] for p in lowerStart[c] .. lowerStart[c + 1] - 1.
    std::vector<int64_t> lowerStart;
    std::vector<int> lowerRow;
    // Rows far longer than the others (the normalisation row): the position of each of
    // their columns, so that a step need not walk them; kept up to date while the row is
    // below the current column, the only time it is read. wideSlot[row] indexes widePos, or -1.
    std::vector<int> wideSlot;
    std::vector<std::vector<int>> widePos;

    // Indexes the loaded entries of the n rows of A (skipped when withLoaded is false).
    ColumnIndex(const Matrix* A, int n, bool withLoaded);
    // Position map of row, or nullptr when the row is not wide.
    std::vector<int>* positions(int row) { return wideSlot.empty() || wideSlot[row] < 0 ? nullptr : &widePos[wideSlot[row]]; }
    // Records that row holds an entry in the column being finished.
    void addLower(int row) { lowerRow.push_back(row); }
    // Ends the column being finished; its rows are then lowerRow[lowerStart[c] ..].
    void closeColumn() { lowerStart.push_back((int64_t)lowerRow.size()); }
    // Gives the rows much longer than the mean a position map.
    void indexWideRows(const Matrix* A, int n);
    // Follows an exchange of rows k and r (both past every finished column).
    void swapRows(const Matrix* A, int k, int r);
};

#endif
