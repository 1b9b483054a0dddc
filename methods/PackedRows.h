// A square sparse matrix in the form that costs least to stream through a sweep: each row's
// off-diagonal entries with 32-bit columns, and their values as one- or two-byte codes into a
// table of the distinct values when the matrix has few of them (a generated model nearly
// always has), plain doubles when it has many; the diagonal apart, one double per row.
#ifndef VELMAR_DSS_PACKEDROWS_H
#define VELMAR_DSS_PACKEDROWS_H

#include <cstdint>
#include <vector>

#include "methods/SparseRows.h"

struct PackedRows {
    int n = 0;
    std::vector<int64_t> start;   // row i: off-diagonal entries [start[i], start[i+1]), columns sorted
    std::vector<int64_t> upper;   // row i: its first entry right of the diagonal
    std::vector<int> col;
    std::vector<double> diagonal;  // a(i, i)
    // the values: code8 or code16 index `table`, or they are held in plain
    int codeBytes = 8;
    std::vector<double> table;
    std::vector<uint8_t> code8;
    std::vector<uint16_t> code16;
    std::vector<double> plain;

    int64_t entries() const { return start.empty() ? 0 : start[n]; }
    int64_t bytes() const;
    // The value of entry p (slow: for tests and setup, not for the sweeps).
    double value(int64_t p) const;
};

// The form of a: the same entries in the same order, bit for bit the same values, the
// diagonal taken out. Codes take one byte up to 256 distinct values, two up to 65536.
PackedRows packRows(const SparseRows& a);

// The same as packRows of the system reducedSystem forms of q in the states' own order with no
// state fixed (Q transposed: row k holds the nonzero rates into state k by source, its
// diagonal minus k's exit rate), built straight from q without the plain system between.
struct Generator;
PackedRows packTransposed(const Generator& q);

// Where each row of the system starts when its diagonal is counted in: start[i] + i.
std::vector<int64_t> startsWithDiagonal(const PackedRows& p);

// Calls f(values) with the value accessor of p's form: values[k] is the value of entry k.
// The sweeps are instantiated once per form, so the code lookup stays in their inner loop.
template <class F>
void withValues(const PackedRows& p, F&& f)
{
    struct Coded8 {
        const uint8_t* code;
        const double* table;
        double operator[](int64_t k) const { return table[code[k]]; }
    };
    struct Coded16 {
        const uint16_t* code;
        const double* table;
        double operator[](int64_t k) const { return table[code[k]]; }
    };
    if (p.codeBytes == 1) {
        f(Coded8{p.code8.data(), p.table.data()});
    } else if (p.codeBytes == 2) {
        f(Coded16{p.code16.data(), p.table.data()});
    } else {
        f(p.plain.data());
    }
}

// One forward SOR sweep over A x = b in the states' order (Gauss-Seidel for omega = 1).
void sorSweep(const PackedRows& a, const std::vector<double>& b, double omega, std::vector<double>& x);

#endif
