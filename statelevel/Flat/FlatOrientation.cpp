// The switch between row and column order, rebuilt from memory: columns
// fill in increasing source order, and each entry's slot in its row is kept
// so that going back to rows restores the file order exactly.
#include <cassert>
#include <memory>

#include "statelevel/Flat/FlatStateLevel.h"

void FlatStateLevel::switch_orientation(TOrientation new_orientation)
{
    assert(new_orientation != orientation);
    requireMajorStorage();
    if (new_orientation == COLUMN_ORIENTATION)
        rowsToColumns();
    else
        columnsToRows();
    orientation = new_orientation;
}

// Fresh per-major arrays of the given sizes (null for an empty index).
static void allocateMajors(const std::vector<int>& size, std::vector<int*>& minor,
                           std::vector<double*>& rate)
{
    minor.assign(size.size(), nullptr);
    rate.assign(size.size(), nullptr);
    for (size_t h = 0; h < size.size(); ++h) {
        if (size[h] == 0) continue;
        minor[h] = new int[size[h]];
        rate[h] = new double[size[h]];
    }
}

// Entries each index will hold as a major index once the orientation is switched.
static std::vector<int> sizesAfterSwitch(const std::vector<int>& size,
                                         const std::vector<int*>& minor)
{
    std::vector<int> count(size.size(), 0);
    for (size_t m = 0; m < size.size(); ++m)
        for (int k = 0; k < size[m]; ++k) ++count[minor[m][k]];
    return count;
}

void FlatStateLevel::rowsToColumns()
{
    const int n = num_states;
    std::vector<int> new_major_size = sizesAfterSwitch(major_size, minor_index);
    std::vector<int*> new_minor;
    std::vector<double*> new_rates;
    allocateMajors(new_major_size, new_minor, new_rates);
    // start of each column's slots in the packed slot array
    std::vector<size_t> start(n + 1, 0);
    for (int h = 0; h < n; ++h) start[h + 1] = start[h] + new_major_size[h];
    row_slot.assign(start[n], 0);
    std::vector<int> fill(n, 0);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < major_size[i]; ++k) {
            int j = minor_index[i][k];
            int at = fill[j]++;
            new_minor[j][at] = i;
            new_rates[j][at] = rates[i][k];
            row_slot[start[j] + at] = k;
        }
        releaseMajor(i);
    }
    releasePacked();
    major_size.swap(new_major_size);
    minor_index.swap(new_minor);
    rates.swap(new_rates);
}

void FlatStateLevel::columnsToRows()
{
    const int n = num_states;
    std::vector<int> new_major_size = sizesAfterSwitch(major_size, minor_index);
    std::vector<int*> new_minor;
    std::vector<double*> new_rates;
    allocateMajors(new_major_size, new_minor, new_rates);
    // without kept slots the rows fill in increasing destination order
    std::vector<int> fill(row_slot.empty() ? n : 0, 0);
    size_t packed = 0;
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < major_size[j]; ++k, ++packed) {
            int i = minor_index[j][k];
            int at = row_slot.empty() ? fill[i]++ : row_slot[packed];
            new_minor[i][at] = j;
            new_rates[i][at] = rates[j][k];
        }
        releaseMajor(j);
    }
    std::vector<int>().swap(row_slot);
    releasePacked();
    major_size.swap(new_major_size);
    minor_index.swap(new_minor);
    rates.swap(new_rates);
}
