// The states in consecutive parts of about equal work, and a way to run a function on every
// part at once, one thread each. Kernels that take parts reduce their per-part figures in part
// order, so a given number of parts always gives the same result.
#ifndef VELMAR_DSS_ROWPARTS_H
#define VELMAR_DSS_ROWPARTS_H

#include <cstdint>
#include <functional>
#include <vector>

class RowParts {
public:
    // `parts` parts of rows whose entries lie at rowStart[i] .. rowStart[i+1].
    RowParts(const std::vector<int64_t>& rowStart, int parts);
    // One part of n rows: the kernels then run as plain loops in the calling thread.
    explicit RowParts(int n) : first{0, n} {}

    int count() const { return (int)first.size() - 1; }
    int from(int t) const { return first[t]; }
    int to(int t) const { return first[t + 1]; }

    // f(t) for every part, side by side; the calling thread takes part 0, and any part no
    // thread could be started for.
    void inParallel(const std::function<void(int t)>& f) const;

private:
    std::vector<int> first;
};

// Divides x by its sum, part by part; false (x left as it was) when the sum is not a positive
// finite number.
bool normaliseInParts(std::vector<double>& x, const RowParts& parts);

#endif
