// Threads that meet after every sweep; the two copies of the values swap roles each sweep.
#include "methods/BlockSweeps.h"

#include "methods/PairedSweep.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Holds each thread until all have arrived; the count is set before any thread arrives.
class Meeting {
public:
    void expect(int n) { count = n; }
    void wait()
    {
        std::unique_lock<std::mutex> lock(m);
        const long round = rounds;
        if (++arrived == count) {
            arrived = 0;
            ++rounds;
            all.notify_all();
            return;
        }
        all.wait(lock, [&] { return rounds != round; });
    }

private:
    std::mutex m;
    std::condition_variable all;
    int count = 1, arrived = 0;
    long rounds = 0;
};

// Closed until the caller knows how many threads it has.
class Gate {
public:
    void open()
    {
        std::lock_guard<std::mutex> lock(m);
        opened = true;
        wake.notify_all();
    }
    void pass()
    {
        std::unique_lock<std::mutex> lock(m);
        wake.wait(lock, [&] { return opened; });
    }

private:
    std::mutex m;
    std::condition_variable wake;
    bool opened = false;
};

}  // namespace

BlockSweeps::BlockSweeps(const PackedRows& matrix, const RowParts& blocks) : a(matrix), parts(blocks)
{
    last.resize(a.n);
    next.resize(a.n);
}

template <class Values>
void BlockSweeps::sweepBlock(int t, Values v, const std::vector<double>& b, double omega, double* x,
                             const double* before, double* after) const
{
    const BlockValues source{x, before, (unsigned)parts.from(t), (unsigned)(parts.to(t) - parts.from(t))};
    pairedSweep(a, v, b.data(), omega, parts.from(t), parts.to(t), x, source, after);
}

void BlockSweeps::run(const std::vector<double>& b, double omega, std::vector<double>& x, int count, int firstKept,
                      std::vector<std::vector<double>>& kept)
{
    std::copy(x.begin(), x.end(), last.begin());
    const int n = blocks();
    Gate gate;
    Meeting meeting;
    // one participant: its blocks in every sweep
    auto work = [&](std::vector<int> mine) {
        gate.pass();
        for (int k = 0; k < count; ++k) {
            const double* before = k % 2 == 0 ? last.data() : next.data();
            double* after = k % 2 == 0 ? next.data() : last.data();
            const int slot = k - firstKept;
            for (int t : mine) {
                withValues(a, [&](auto v) { sweepBlock(t, v, b, omega, x.data(), before, after); });
                if (slot >= 0 && slot < (int)kept.size())
                    std::copy(x.begin() + parts.from(t), x.begin() + parts.to(t), kept[slot].begin() + parts.from(t));
            }
            meeting.wait();
        }
    };
    std::vector<std::thread> helpers;
    try {
        for (int t = 1; t < n; ++t) helpers.emplace_back(work, std::vector<int>{t});
    } catch (const std::system_error&) {
        // no more threads to be had: this one takes the blocks left over
    }
    std::vector<int> mine{0};
    for (int t = (int)helpers.size() + 1; t < n; ++t) mine.push_back(t);
    meeting.expect((int)helpers.size() + 1);
    gate.open();
    work(mine);
    for (std::thread& h : helpers) h.join();
}
