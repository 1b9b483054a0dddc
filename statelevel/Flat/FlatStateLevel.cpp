// Construction and destruction of the flat state level.
#include "statelevel/Flat/FlatStateLevel.h"
#include "statelevel/Flat/flat_file_exit.h"

#include <cstdio>
#include <cstdlib>

FlatStateLevel::FlatStateLevel(const char* base) : base_name(base)
{
    FILE* det = fopen((base_name + ".det").c_str(), "r");
    if (det != nullptr) {
        fclose(det);
        printf("Cannot use this solver since deterministic activities exist\n");
        printf("in the model. Only deterministic steady state solver can be used.\n");
        fflush(stdout);
        flat_file_exit(1);
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

// Releases every per-major array pair and the arrays that hold them.
void FlatStateLevel::releaseMajorStorage()
{
    for (size_t m = 0; m < minor_index.size(); ++m) {
        delete[] minor_index[m];
        delete[] rates[m];
    }
    std::vector<int>().swap(major_size);
    std::vector<int*>().swap(minor_index);
    std::vector<double*>().swap(rates);
    std::vector<int>().swap(row_slot);
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
    if (block_access_ready) throw AccessException();
}
