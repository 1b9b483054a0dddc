// One sparse row of the direct solver's working matrix.
#ifndef VELMAR_DSS_MATRIX_H
#define VELMAR_DSS_MATRIX_H

#include <cstdint>
#include <vector>

// Entries in storage order (loaded first, later ones appended); values[p] sits in columns[p].
struct Matrix {
    std::vector<double> values;
    std::vector<int32_t> columns;

    int32_t numEntries() const { return (int32_t)columns.size(); }
    // Position of the first entry in column c, or -1.
    int find(int c) const
    {
        for (int p = 0; p < numEntries(); ++p)
            if (columns[p] == c) return p;
        return -1;
    }
    void append(int c, double v)
    {
        columns.push_back(c);
        values.push_back(v);
    }
};

#endif
