// Construction and destruction of the flat state level.
#include "statelevel/Flat/FlatStateLevel.h"
#include "framework/InputError.h"
#include "framework/InputFiles.h"

#include <cstdio>
#include <cstdlib>

FlatStateLevel::FlatStateLevel(const char* base) : base_name(base)
{
    require_regular_file(base_name + ".det");  // a pipe would block the open
    FILE* det = fopen((base_name + ".det").c_str(), "r");
    if (det != nullptr) {
        fclose(det);
        throw InputError("Cannot use this solver since deterministic activities exist\n"
                         "in the model. Only deterministic steady state solver can be used.\n",
                         InputError::STANDARD_OUTPUT);
    }
    try {
        readArmFile();
        orientation = ROW_ORIENTATION;
        block_access_ready = false;
        readVarFile();
        readPVTypeFile((base_name + ".pvtype").c_str());
    } catch (...) {
        releaseMajorStorage();  // the destructor does not run for a half-built level
        throw;
    }
}

// Releases every per-major array pair and the arrays that hold them; also
// after a load that ran out of memory between sizing the two arrays.
void FlatStateLevel::releaseMajorStorage()
{
    // the two arrays of pointers may differ in size after a load that ran out of memory
    if (!rows_packed) {
        for (int* m : minor_index) delete[] m;
        for (double* r : rates) delete[] r;
    }
    releasePacked();
    std::vector<int>().swap(major_size);
    std::vector<int*>().swap(minor_index);
    std::vector<double*>().swap(rates);
    std::vector<int>().swap(row_slot);
}

void FlatStateLevel::releaseMajor(int h)
{
    if (!rows_packed) {
        delete[] minor_index[h];
        delete[] rates[h];
    }
    minor_index[h] = nullptr;
    rates[h] = nullptr;
}

void FlatStateLevel::releasePacked()
{
    rows_packed = false;
    std::vector<int64_t>().swap(packed.start);
    std::vector<int>().swap(packed.dest);
    std::vector<double>().swap(packed.rate);
}

bool FlatStateLevel::takeRows(RowStore& rows)
{
    if (!rows_packed || orientation != ROW_ORIENTATION || block_access_ready) return false;
    rows = std::move(packed);
    rows.n = num_states;
    packed = RowStore();
    rows_packed = false;
    rows_given = true;
    std::vector<int>().swap(major_size);
    std::vector<int*>().swap(minor_index);
    std::vector<double*>().swap(rates);
    return true;
}

// Releases each block's arrays and the two kept boundary copies.
void FlatStateLevel::releaseBlocks()
{
    for (size_t b = 0; b < block_size.size(); ++b) {
        delete[] block_rates[b];
        delete[] block_cols[b];
        delete[] block_rows[b];
    }
    block_rates.clear();
    block_cols.clear();
    block_rows.clear();
    block_size.clear();
    delete[] major_partition.bounds;
    delete[] minor_partition.bounds;
    major_partition.bounds = minor_partition.bounds = nullptr;
}

FlatStateLevel::~FlatStateLevel()
{
    releaseMajorStorage();
    releaseBlocks();
}

void FlatStateLevel::requireMajorStorage() const
{
    if (block_access_ready || rows_given) throw AccessException();
}
