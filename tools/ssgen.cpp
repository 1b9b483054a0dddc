// ssgen: writes flat state-space files B.arm, B.var, B.pvtype and B.parm for
// large test models.
//
// Usage:
//   ssgen tandem K1 K2 lambda mu1 mu2 B
//       two finite queues in tandem with capacities K1 and K2; arrivals at
//       rate lambda are lost while queue 1 is full, queue 1 is blocked while
//       queue 2 is full. State a*(K2+1)+b+1 holds queue lengths a and b;
//       the initial state is 1. PVs Queue1 and Queue2 (type 3).
//   ssgen random N D seed B
//       a random irreducible chain of N states with D entries per row: one
//       to the next state (cyclically) and D-1 to random other states, rates
//       in (0.1, 10). PVs Residue (state mod 5) and Flag (1 on the first half
//       of the states), type 3; the .var records come in descending order.
//   ssgen hubs N D H seed B
//       the random chain with H hub states: every other state also jumps to a random hub,
//       and each hub has 8*D transitions out.
//   ssgen kanban T B
//       the four-cell kanban line with T cards per cell (T = 1..7; 160, 4600, 58400,
//       454475, 2546432 and 11261376 states for T = 1..6). PVs Done3 and Busy0.
//   ssgen polling Q K lambda mu gamma B
//       one server polling Q queues of capacity K (arrivals lambda at each, service mu,
//       walks to the next queue at rate gamma, each queue served until empty).
//   ssgen ncd N blocks coupling seed B
//       a nearly decomposable chain: N states in `blocks` consecutive blocks, each a ring
//       with three more transitions per state to states at most 8 places away within the
//       block (rates in (0.1, 10)), each block joined to the next (cyclically) by one transition each way at
//       rate coupling times a random factor in (0.1, 10). PVs Block (the block's number) and
//       Flag (1 on the first half of the states).
// Each PV value v is written as the pair (floor(v/2), v - floor(v/2)).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tools/models/Kanban.h"
#include "tools/models/Polling.h"

// A file opened for writing with a large buffer, or the program ends.
static FILE* create(const std::string& name)
{
    FILE* f = fopen(name.c_str(), "w");
    if (f == nullptr) {
        fprintf(stderr, "ssgen: cannot create %s\n", name.c_str());
        exit(1);
    }
    setvbuf(f, nullptr, _IOFBF, 1 << 20);
    return f;
}

// The .pvtype file for steady-state PVs without time points.
static void writePVType(const std::string& base, const std::vector<std::string>& names)
{
    FILE* f = create(base + ".pvtype");
    fprintf(f, "Version:1\nNumPV:%zu\n", names.size());
    for (const std::string& n : names) fprintf(f, "Name:%s\nType:3\nNumTimes:0\n", n.c_str());
    fclose(f);
}

// One .var record: state s and each value split over the two numbers.
static void writeRecord(FILE* f, long s, const std::vector<long>& values)
{
    fprintf(f, "%ld", s);
    for (long v : values) fprintf(f, " %ld %ld", v / 2, v - v / 2);
    fprintf(f, "\n");
}

static int tandem(int K1, int K2, double lambda, double mu1, double mu2, const std::string& base)
{
    long n = (long)(K1 + 1) * (K2 + 1);
    FILE* arm = create(base + ".arm");
    fprintf(arm, "1 %ld\n", n);
    auto state = [&](int a, int b) { return (long)a * (K2 + 1) + b + 1; };
    for (int a = 0; a <= K1; ++a)
        for (int b = 0; b <= K2; ++b) {
            fprintf(arm, "%ld", state(a, b));
            if (a < K1) fprintf(arm, " %ld %.17g", state(a + 1, b), lambda);
            if (a > 0 && b < K2) fprintf(arm, " %ld %.17g", state(a - 1, b + 1), mu1);
            if (b > 0) fprintf(arm, " %ld %.17g", state(a, b - 1), mu2);
            fprintf(arm, " 0\n");
        }
    fclose(arm);
    FILE* var = create(base + ".var");
    fprintf(var, "Queue1 Queue2\n");
    for (int a = 0; a <= K1; ++a)
        for (int b = 0; b <= K2; ++b) writeRecord(var, state(a, b), {a, b});
    fclose(var);
    writePVType(base, {"Queue1", "Queue2"});
    FILE* parm = create(base + ".parm");
    fprintf(parm, "K1 = %d\nK2 = %d\nlambda = %.17g\nmu1 = %.17g\nmu2 = %.17g\n", K1, K2, lambda,
            mu1, mu2);
    fclose(parm);
    return 0;
}

static int randomChain(long n, int d, long hubs, unsigned seed, const std::string& base)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> rate(0.1, 10.0);
    std::uniform_int_distribution<long> other(1, n - 1);
    std::uniform_int_distribution<long> hub(0, hubs > 0 ? hubs - 1 : 0);
    // hubs sit at states spread evenly over the numbering
    auto hubState = [&](long h) { return h * (n / std::max(1L, hubs)); };
    FILE* arm = create(base + ".arm");
    fprintf(arm, "1 %ld\n", n);
    for (long i = 0, nextHub = 0; i < n; ++i) {
        fprintf(arm, "%ld %ld %.10g", i + 1, (i + 1) % n + 1, rate(gen));
        bool isHub = nextHub < hubs && i == hubState(nextHub);
        nextHub += isHub ? 1 : 0;
        int out = isHub ? 8 * d : d;
        for (int k = 1; k < out; ++k) fprintf(arm, " %ld %.10g", (i + other(gen)) % n + 1, rate(gen));
        if (hubs > 0 && !isHub && i % 2 == 0) fprintf(arm, " %ld %.10g", hubState(hub(gen)) + 1, rate(gen));
        fprintf(arm, " 0\n");
    }
    fclose(arm);
    FILE* var = create(base + ".var");
    fprintf(var, "Residue Flag\n");
    for (long s = n; s >= 1; --s) writeRecord(var, s, {(s - 1) % 5, s - 1 < n / 2 ? 1 : 0});
    fclose(var);
    writePVType(base, {"Residue", "Flag"});
    FILE* parm = create(base + ".parm");
    fprintf(parm, "N = %ld\nD = %d\nhubs = %ld\nseed = %u\n", n, d, hubs, seed);
    fclose(parm);
    return 0;
}

static int nearlyDecomposable(long n, long blocks, double coupling, unsigned seed, const std::string& base)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> rate(0.1, 10.0);
    const long size = n / blocks;
    auto firstOf = [&](long b) { return b * size; };
    auto sizeOf = [&](long b) { return b == blocks - 1 ? n - firstOf(b) : size; };
    FILE* arm = create(base + ".arm");
    fprintf(arm, "1 %ld\n", n);
    for (long i = 0; i < n; ++i) {
        const long b = std::min(i / size, blocks - 1), first = firstOf(b), m = sizeOf(b);
        std::uniform_int_distribution<long> other(1, std::max(1L, std::min(8L, m - 1)));
        fprintf(arm, "%ld %ld %.10g", i + 1, first + (i - first + 1) % m + 1, rate(gen));
        for (int k = 0; k < 3 && m > 2; ++k) {
            const long step = other(gen) * (k % 2 == 0 ? 1 : -1);
            fprintf(arm, " %ld %.10g", first + ((i - first + step) % m + m) % m + 1, rate(gen));
        }
        // the block's last state leaves for the next block, its first for the one before
        if (i == first + m - 1) fprintf(arm, " %ld %.10g", firstOf((b + 1) % blocks) + 1, coupling * rate(gen));
        if (i == first) fprintf(arm, " %ld %.10g", firstOf((b + blocks - 1) % blocks) + sizeOf((b + blocks - 1) % blocks) / 2 + 1, coupling * rate(gen));
        fprintf(arm, " 0\n");
    }
    fclose(arm);
    FILE* var = create(base + ".var");
    fprintf(var, "Block Flag\n");
    for (long s = 1; s <= n; ++s) writeRecord(var, s, {std::min((s - 1) / size, blocks - 1), s - 1 < n / 2 ? 1 : 0});
    fclose(var);
    writePVType(base, {"Block", "Flag"});
    FILE* parm = create(base + ".parm");
    fprintf(parm, "N = %ld\nblocks = %ld\ncoupling = %g\nseed = %u\n", n, blocks, coupling, seed);
    fclose(parm);
    return 0;
}

static int kanban(int tokens, const std::string& base)
{
    if (tokens < 1 || tokens > kanbanMaxTokens) {
        fprintf(stderr, "ssgen: kanban needs 1 <= T <= %d\n", kanbanMaxTokens);
        return 1;
    }
    std::string error;
    if (writeKanbanFiles(exploreKanban(tokens), base, error)) return 0;
    fprintf(stderr, "ssgen: %s\n", error.c_str());
    return 1;
}

int main(int argc, char** argv)
{
    std::string kind = argc > 1 ? argv[1] : "";
    if (kind == "tandem" && argc == 8) {
        int K1 = atoi(argv[2]), K2 = atoi(argv[3]);
        if (K1 < 0 || K2 < 0 || (long)(K1 + 1) * (K2 + 1) < 2) {
            fprintf(stderr, "ssgen: the tandem needs at least two states\n");
            return 1;
        }
        return tandem(K1, K2, atof(argv[4]), atof(argv[5]), atof(argv[6]), argv[7]);
    }
    if (kind == "random" && argc == 6) {
        long n = atol(argv[2]);
        int d = atoi(argv[3]);
        if (n < 2 || n > 2147483647L || d < 1) {
            fprintf(stderr, "ssgen: random needs 2 <= N < 2^31 and D >= 1\n");
            return 1;
        }
        return randomChain(n, d, 0, (unsigned)strtoul(argv[4], nullptr, 10), argv[5]);
    }
    if (kind == "hubs" && argc == 7) {
        long n = atol(argv[2]), h = atol(argv[4]);
        int d = atoi(argv[3]);
        if (n < 2 || n > 2147483647L || d < 1 || h < 1 || h > n) {
            fprintf(stderr, "ssgen: hubs needs 2 <= N < 2^31, D >= 1 and 1 <= H <= N\n");
            return 1;
        }
        return randomChain(n, d, h, (unsigned)strtoul(argv[5], nullptr, 10), argv[6]);
    }
    if (kind == "kanban" && argc == 4) return kanban(atoi(argv[2]), argv[3]);
    if (kind == "ncd" && argc == 7) {
        long n = atol(argv[2]), b = atol(argv[3]);
        double c = atof(argv[4]);
        if (n < 2 || n > 2147483647L || b < 1 || b > n / 2 || !(c > 0)) {
            fprintf(stderr, "ssgen: ncd needs 2 <= N < 2^31, 1 <= blocks <= N/2 and a positive coupling\n");
            return 1;
        }
        return nearlyDecomposable(n, b, c, (unsigned)strtoul(argv[5], nullptr, 10), argv[6]);
    }
    if (kind == "polling" && argc == 8) {
        PollingModel m{atoi(argv[2]), atoi(argv[3]), atof(argv[4]), atof(argv[5]), atof(argv[6])};
        if (pollingStates(m) < 2 || !(m.arrival > 0 && m.service > 0 && m.walk > 0)) {
            fprintf(stderr, "ssgen: polling needs Q >= 1, K >= 1, positive rates and at most 2^31 states\n");
            return 1;
        }
        std::string error;
        if (writePollingFiles(m, argv[7], error)) return 0;
        fprintf(stderr, "ssgen: %s\n", error.c_str());
        return 1;
    }
    fprintf(stderr, "usage: ssgen tandem K1 K2 lambda mu1 mu2 B\n"
                    "       ssgen random N D seed B\n"
                    "       ssgen hubs N D H seed B\n"
                    "       ssgen kanban T B\n"
                    "       ssgen polling Q K lambda mu gamma B\n"
                    "       ssgen ncd N blocks coupling seed B\n");
    return 1;
}
