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
// Each PV value v is written as the pair (floor(v/2), v - floor(v/2)).
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

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

static int randomChain(long n, int d, unsigned seed, const std::string& base)
{
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> rate(0.1, 10.0);
    std::uniform_int_distribution<long> other(1, n - 1);
    FILE* arm = create(base + ".arm");
    fprintf(arm, "1 %ld\n", n);
    for (long i = 0; i < n; ++i) {
        fprintf(arm, "%ld %ld %.10g", i + 1, (i + 1) % n + 1, rate(gen));
        for (int k = 1; k < d; ++k) fprintf(arm, " %ld %.10g", (i + other(gen)) % n + 1, rate(gen));
        fprintf(arm, " 0\n");
    }
    fclose(arm);
    FILE* var = create(base + ".var");
    fprintf(var, "Residue Flag\n");
    for (long s = n; s >= 1; --s) writeRecord(var, s, {(s - 1) % 5, s - 1 < n / 2 ? 1 : 0});
    fclose(var);
    writePVType(base, {"Residue", "Flag"});
    FILE* parm = create(base + ".parm");
    fprintf(parm, "N = %ld\nD = %d\nseed = %u\n", n, d, seed);
    fclose(parm);
    return 0;
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
        return randomChain(n, d, (unsigned)strtoul(argv[4], nullptr, 10), argv[5]);
    }
    fprintf(stderr, "usage: ssgen tandem K1 K2 lambda mu1 mu2 B\n"
                    "       ssgen random N D seed B\n");
    return 1;
}
