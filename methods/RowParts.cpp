// Parts by entries, threads started per call.
#include "methods/RowParts.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

RowParts::RowParts(const std::vector<int64_t>& rowStart, int parts)
{
    const int n = std::max(0, (int)rowStart.size() - 1);
    parts = std::max(1, std::min(parts, std::max(1, n)));
    first.assign(parts + 1, 0);
    const int64_t total = n > 0 ? rowStart[n] : 0;
    for (int t = 1; t < parts; ++t) {
        const int64_t share = total * t / parts;
        first[t] = (int)(std::lower_bound(rowStart.begin(), rowStart.begin() + n, share) - rowStart.begin());
        first[t] = std::max(first[t], first[t - 1]);
    }
    first[parts] = n;
}

void RowParts::inParallel(const std::function<void(int t)>& f) const
{
    std::vector<std::thread> helpers;
    int t = 1;
    try {
        for (; t < count(); ++t) helpers.emplace_back(f, t);
    } catch (const std::system_error&) {
        // no more threads to be had: this one takes the rest
    }
    f(0);
    for (; t < count(); ++t) f(t);
    for (std::thread& h : helpers) h.join();
}

bool normaliseInParts(std::vector<double>& x, const RowParts& parts)
{
    std::vector<double> sums(parts.count(), 0.0);
    parts.inParallel([&](int t) {
        double s = 0.0;
        for (int i = parts.from(t); i < parts.to(t); ++i) s += x[i];
        sums[t] = s;
    });
    double sum = 0.0;
    for (double s : sums) sum += s;
    if (!(sum > 0.0) || !std::isfinite(sum)) return false;
    parts.inParallel([&](int t) {
        for (int i = parts.from(t); i < parts.to(t); ++i) x[i] /= sum;
    });
    return true;
}
