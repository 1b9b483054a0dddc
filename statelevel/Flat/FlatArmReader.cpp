// Reading of the rate matrix from B.arm into row order.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "statelevel/Flat/ArmNumbers.h"
#include "statelevel/Flat/FlatStateLevel.h"
#include "statelevel/Flat/FlatTokenReader.h"
#include "framework/InputError.h"
#include "framework/InputFiles.h"

// Refuses the .arm file: it does not have the expected shape.
[[noreturn]] static void armCorrupt()
{
    throw InputError("Error reading state space file (.arm file) possibly due to corruption.\n",
                     InputError::STANDARD_ERROR);
}

// Refuses the .arm file at `path` unless the number just read may be used: a number that
// is not whole or a rate that underflows is named with its line; anything else is corruption.
static void takeNumber(ArmNumber got, const FlatTokenReader& in, const std::string& path)
{
    if (got == ArmNumber::Read) return;
    if (got == ArmNumber::Corrupt) armCorrupt();
    chain_file_fault(arm_number_fault(path, in.tell(), got));
}

void FlatStateLevel::readArmFile()
{
    std::string name = base_name + ".arm";
    require_regular_file(name);
    FlatTokenReader in;
    if (!in.open(name.c_str()))
        throw InputError("Error reading file " + name + ".\n", InputError::STANDARD_OUTPUT);
    int initial = 0;
    takeNumber(read_arm_int(in, initial), in, name);
    takeNumber(read_arm_int(in, num_states), in, name);
    if (num_states == 1)
        throw InputError("Corrupt state space file or state space has only one state.\n",
                         InputError::STANDARD_ERROR);
    if (num_states <= 0) armCorrupt();
    // the initial state decides the long run of a chain with several closed classes
    if (initial < 1 || initial > num_states) armCorrupt();
    initial_state = initial - 1;  // after the check: -2147483648 - 1 would overflow
    // every row record takes at least four bytes ("i 0" and a blank): a file
    // too short for N rows is refused before anything of size N is allocated
    long long left = in.bytesLeft();
    if (left >= 0 && (long long)num_states > left / 4) armCorrupt();
    readArmRows(in, name);
    std::string word;
    if (!in.atEnd() && in.readWord(word)) chain_file_fault(arm_trailing_fault(name, in.tell(), num_states));
}

// Reads the N row records: each row goes through scratch arrays of N entries
// into arrays of exactly its size, in file order.
void FlatStateLevel::readArmRows(FlatTokenReader& in, const std::string& path)
{
    const int n = num_states;
    major_size.assign(n, 0);
    minor_index.assign(n, nullptr);
    rates.assign(n, nullptr);
    std::unique_ptr<int[]> scratch_minor(new int[n]);
    std::unique_ptr<double[]> scratch_rate(new double[n]);
    for (int i = 1; i <= n; ++i) {
        int number = 0;
        takeNumber(read_arm_int(in, number), in, path);
        if (number != i)
            throw InputError("There is a missing row in the matrix.\n",
                             InputError::STANDARD_OUTPUT);
        int count = 0;
        for (;;) {
            int j = 0;
            double r = 0.0;
            takeNumber(read_arm_int(in, j), in, path);
            if (j == 0) break;
            if (j < 0 || j > n || count == n) armCorrupt();
            takeNumber(read_arm_rate(in, r), in, path);
            scratch_minor[count] = j - 1;
            scratch_rate[count] = r;
            ++count;
        }
        major_size[i - 1] = count;
        if (count == 0) continue;
        minor_index[i - 1] = new int[count];
        rates[i - 1] = new double[count];
        std::copy(scratch_minor.get(), scratch_minor.get() + count, minor_index[i - 1]);
        std::copy(scratch_rate.get(), scratch_rate.get() + count, rates[i - 1]);
    }
}
