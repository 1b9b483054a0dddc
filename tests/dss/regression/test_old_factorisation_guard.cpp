// Regression guard: the solver's factorisation, substitutions and refinement agree bit for bit
// (the sign of a zero aside) with a copy of the old straightforward factorisation on random
// chains under every setting. Bitwise agreement with a copy of the same design is a guard
// against change, not evidence of correctness: that comes from the dense answers of the oracle,
// which every run here must match as well.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/dss/dss_harness.h"
#include "tests/dss/regression/OldFactorisationGuard.h"

namespace {

struct Setting {
    const char* name;
    double tolerance;
    short accuracyDigits;
    int32_t rows;
    int16_t stability;
};

const Setting settings[] = {
    {"default", 0.001, 9, 0, 0},    {"-t 0", 0.0, 9, 0, 0},         {"-t 1e-6", 1e-6, 9, 0, 0},
    {"-t 0.1", 0.1, 9, 0, 0},       {"-a 12", 0.001, 12, 0, 0},     {"-r 1 -g 1", 0.001, 9, 1, 1},
    {"-r 5 -g 4", 0.001, 9, 5, 4},  {"-r -1 -g 4", 0.001, 9, -1, 4}, {"-r -1 -g 1 -t 0", 0.0, 9, -1, 1},
    {"-r 1 -g 4 -t 0.1", 0.1, 9, 1, 4},
};

// Equal bits, or both zeros of either sign; a NaN never agrees with anything.
bool same(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) return false;
    if (a == 0.0 && b == 0.0) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A random chain: a banded core with long jumps, rates over eight decades, states without
// outgoing or incoming edges, hubs, self-loops and repeated edges.
Edges randomChain(std::mt19937& gen, int n)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto rate = [&] { return std::pow(10.0, -4.0 + 8.0 * unit(gen)); };
    std::uniform_int_distribution<int> state(0, n - 1);
    int band = 1 + (int)(unit(gen) * 6);
    double silent = unit(gen) < 0.3 ? 0.05 : 0.0;  // share of states without edges of one kind
    Edges e;
    for (int i = 0; i < n; ++i) {
        if (unit(gen) < silent) continue;  // no way out
        for (int d = -band; d <= band; ++d) {
            int j = i + d;
            if (d == 0 || j < 0 || j >= n || unit(gen) < 0.4) continue;
            e.push_back({i, j, rate()});
        }
        if (unit(gen) < 0.2) e.push_back({i, state(gen), rate()});  // long jump, maybe a self-loop
        if (unit(gen) < 0.05) e.push_back({i, i, rate()});
        if (unit(gen) < 0.05 && !e.empty()) e.push_back(e[state(gen) % e.size()]);  // repeat
    }
    if (unit(gen) < 0.3) {  // a hub most states jump to: a long row that gains multipliers
        int hub = state(gen);
        for (int i = 0; i < n; ++i)
            if (unit(gen) < 0.7) e.push_back({i, hub, rate()});
    }
    if (unit(gen) < 0.3) {  // states nothing enters
        for (int drop = 0; drop < 1 + n / 20; ++drop) {
            int t = state(gen);
            Edges kept;
            for (auto& x : e)
                if (x.col != t) kept.push_back(x);
            e.swap(kept);
        }
    }
    std::shuffle(e.begin(), e.end(), gen);
    return e;
}

struct Tally {
    long compared = 0;  // factor entries compared bit for bit
    int continued = 0;  // runs whose refinement went on with GMRES
    int longRun = 0;    // chains with several closed classes, compared with a dense long run
    int retried = 0;    // runs that factorised again with a smaller drop tolerance
    int certifiedByGth = 0;  // runs whose factorisation failed the check, answered by gth
};

// Runs the solver on one chain and setting. Its result must pass its check and match a dense
// solve (the long run from state 0 on a chain with several closed classes); and with one closed
// class its last factorisation and vector must be the old factorisation's, bit for bit.
void compareWithOldFactorisation(int n, const Edges& e, const Setting& s, const std::string& where, Tally* t)
{
    DssRun run(n, e);
    DSSSolver& solver = *run.solver;
    solver.tolerance = s.tolerance;
    solver.accuracy = port_pow(10.0, -s.accuracyDigits);
    solver.searchRows = s.rows;
    solver.stability = s.stability;
    testing::internal::CaptureStderr();
    std::vector<double> got = run.solve();
    testing::internal::GetCapturedStderr();
    const SolveRecord& record = solver.record;

    ASSERT_TRUE(record.check.passed) << where << ": " << record.check.failure;
    std::vector<double> dense = denseStationary(n, e);
    if (dense.empty()) {
        ASSERT_GT(record.closedClasses, 1) << where;
        // both pass probabilities on without subtracting: they agree to rounding
        ASSERT_TRUE(statesAgree(got, denseLongRun(n, e, 0), 1e-12)) << where;
        ++t->longRun;
        return;
    }
    // refinement stops on a normwise correction at the accuracy asked for, with the drop
    // tolerance up to 0.1: the error is a share of the largest probability, state by state
    ASSERT_TRUE(statesAgree(got, dense, 1e-8, normwiseFloor(dense, 1.0))) << where;
    // the factors to compare are those of the last factorisation, even where gth answered
    size_t lastLu = record.attempts.size();
    while (lastLu > 0 && record.attempts[lastLu - 1].method != "lu") --lastLu;
    ASSERT_GT(lastLu, 0u) << where;
    const SolveAttempt& last = record.attempts[lastLu - 1];
    const bool gthAnswered = record.attempts.back().method == "gth";
    t->retried += lastLu > 1;

    solver.tolerance = last.tolerance;
    std::vector<Matrix> loaded(n), origA(n);
    solver.readMatrix(loaded.data());
    solver.readMatrix(origA.data());
    OldFactorisation old(loaded, solver.dropThreshold, s.rows, s.stability);
    old.factorise();
    ASSERT_EQ(solver.rowSwap, old.rowSwap) << where;
    ASSERT_EQ(solver.colSwap, old.colSwap) << where;
    for (int r = 0; r < n; ++r) {
        const Matrix& a = solver.A[r];
        const Matrix& b = old.A[r];
        ASSERT_EQ(a.columns, b.columns) << where << " row " << r;
        for (int p = 0; p < a.numEntries(); ++p)
            ASSERT_TRUE(same(a.values[p], b.values[p]))
                << where << " row " << r << " column " << a.columns[p] << ": " << a.values[p]
                << " vs " << b.values[p];
        t->compared += a.numEntries();
    }
    t->continued += last.gmresUsed;
    if (gthAnswered) {
        // the factorisation's answer failed the check: gth's is right state by state
        ++t->certifiedByGth;
        ASSERT_TRUE(statesAgree(got, dense, 1e-11)) << where;
        return;
    }
    if (last.continuedAfterCheck) return;  // the old factorisation has no check to go on from
    std::vector<double> x = old.solve(origA, solver.accuracy), want(n);
    for (int i = 0; i < n; ++i) want[i] = solver.positionOf.empty() ? x[i] : x[solver.positionOf[i]];
    // the solver gives transient states 0, not the substitutions' noise
    for (size_t i = 0; i < solver.transientState.size(); ++i)
        if (solver.transientState[i]) want[i] = 0.0;
    ASSERT_TRUE(normaliseProbabilities(want)) << where;
    clearRoundingNoise(want, checkSolution(solver.chain, want, solver.accuracy).bound);
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(same(got[i], want[i])) << where << " state " << i << ": " << got[i] << " vs " << want[i];
}

}  // namespace

TEST(OldFactorisationRegressionGuard, RandomChainsGiveTheOldFactorsAndSolutionUnderEverySetting)
{
    std::mt19937 gen(20240605);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Tally t;
    int chains = 0;
    for (int trial = 0; trial < 400; ++trial) {
        double u = unit(gen);
        int n = 2 + (int)(u * u * 298.0);
        Edges e = randomChain(gen, n);
        const Setting& s = settings[trial % (sizeof settings / sizeof settings[0])];
        std::string where = "trial " + std::to_string(trial) + " n=" + std::to_string(n) + " " + s.name;
        compareWithOldFactorisation(n, e, s, where, &t);
        if (HasFatalFailure()) return;
        ++chains;
    }
    EXPECT_EQ(chains, 400);
    EXPECT_GT(t.compared, 100000);
    EXPECT_GT(t.continued, 10);  // the GMRES that follows a stalled refinement is compared too
    EXPECT_GT(t.longRun, 10);    // chains with several closed classes
}

TEST(OldFactorisationRegressionGuard, TandemAndSingularChainsGiveTheOldResults)
{
    Tally t;
    Edges tandem12 = tandem(12, 9, 1.0, 1.3, 1.1);
    Edges stalling = tandem(5, 80, 1.0, 1.3, 1.1);
    // two absorbing states and a closed pair: the long run depends on the initial state
    Edges singular = {{0, 1, 1.0}, {1, 2, 2.0}, {2, 1, 0.5}, {3, 4, 1.0}};
    for (const Setting& s : settings) {
        compareWithOldFactorisation(130, tandem12, s, std::string("tandem ") + s.name, &t);
        compareWithOldFactorisation(486, stalling, s, std::string("stalling tandem ") + s.name, &t);
        compareWithOldFactorisation(6, singular, s, std::string("singular ") + s.name, &t);
        compareWithOldFactorisation(1, {}, s, std::string("one state ") + s.name, &t);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(t.continued, 5);
    EXPECT_EQ(t.longRun, 10);
}
