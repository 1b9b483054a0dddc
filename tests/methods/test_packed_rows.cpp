// The packed form of the sweeps: every entry comes back exactly as it went in, in each of its
// three forms, and Gauss-Seidel on it solves chains of few rates, of some thousands of rates
// and of more rates than two-byte codes can name, against closed forms and dense GTH.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "methods/GaussSeidel.h"
#include "methods/PackedRows.h"
#include "methods/ReducedSystem.h"
#include "tests/support/GeneratorChains.h"

namespace {

uint64_t bits(double v)
{
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// n rows of `perRow` sorted off-diagonal entries around a diagonal, values from `draw`.
template <class Draw>
SparseRows randomRows(std::mt19937& gen, int n, int perRow, Draw draw)
{
    SparseRows a;
    a.n = n;
    a.start.push_back(0);
    for (int i = 0; i < n; ++i) {
        std::vector<int> cols{i};
        for (int k = 0; k < perRow; ++k) {
            int j = (int)(gen() % (unsigned)n);
            if (std::find(cols.begin(), cols.end(), j) == cols.end()) cols.push_back(j);
        }
        std::sort(cols.begin(), cols.end());
        for (int j : cols) {
            if (j == i) a.diagonal.push_back((int64_t)a.col.size());
            a.col.push_back(j);
            a.val.push_back(j == i ? -1e3 - i : draw());
        }
        a.start.push_back((int64_t)a.col.size());
    }
    return a;
}

// Every off-diagonal entry of a, in order, has its column and the very bits of its value in
// p; the diagonal is held apart and the upper part starts right of it.
void expectSameEntries(const SparseRows& a, const PackedRows& p)
{
    ASSERT_EQ(p.n, a.n);
    ASSERT_EQ(p.entries(), a.entries() - a.n);
    for (int i = 0; i < a.n; ++i) {
        ASSERT_EQ(bits(p.diagonal[i]), bits(a.val[a.diagonal[i]])) << "row " << i;
        int64_t k = p.start[i];
        for (int64_t q = a.start[i]; q < a.start[i + 1]; ++q) {
            if (q == a.diagonal[i]) {
                ASSERT_EQ(p.upper[i], k) << "row " << i;
                continue;
            }
            ASSERT_EQ(p.col[k], a.col[q]) << "row " << i;
            ASSERT_EQ(bits(p.value(k)), bits(a.val[q])) << "row " << i << " entry " << q;
            ++k;
        }
        ASSERT_EQ(k, p.start[i + 1]);
    }
}

// A reversible chain on n states whose stationary vector is a random pi: each edge {i, j} of
// a cycle and of `extra` random chords per state carries a weight w, i to j at w / pi_i and j
// to i at w / pi_j, so that pi_i q_ij = pi_j q_ji. Nearly every rate is a value of its own.
Generator reversibleChain(std::mt19937& gen, int n, int extra, std::vector<double>& pi)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    pi.resize(n);
    double total = 0.0;
    for (double& p : pi) total += (p = std::pow(10.0, 4.0 * unit(gen)));
    Transitions t;
    std::vector<std::vector<int>> joined(n);
    auto join = [&](int i, int j) {
        if (i == j || std::find(joined[i].begin(), joined[i].end(), j) != joined[i].end()) return;
        joined[i].push_back(j);
        joined[j].push_back(i);
        double w = 0.5 + unit(gen);
        t.emplace_back(i, j, w / pi[i]);
        t.emplace_back(j, i, w / pi[j]);
    };
    for (int i = 0; i < n; ++i) join(i, (i + 1) % n);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < extra; ++k) join(i, (int)(gen() % (unsigned)n));
    for (double& p : pi) p /= total;
    return makeGenerator(n, t);
}

// The form packRows picks for the system of q.
int codeBytesOf(const Generator& q)
{
    return packRows(reducedSystem(q, naturalOrdering(q.n), -1).a).codeBytes;
}

std::vector<double> gaussSeidel(const Generator& q, int threads)
{
    MethodSettings s;
    s.threads = threads;
    GaussSeidelMethod gs(s);
    SolveAttempt a;
    std::vector<double> pi;
    EXPECT_TRUE(gs.solve(q, pi, a)) << a.note;
    EXPECT_TRUE(a.converged) << a.note << " after " << a.iterations;
    EXPECT_TRUE(a.check.passed) << a.check.failure;
    return pi;
}

}  // namespace

TEST(PackedRows, EveryEntryComesBackExactlyInEachForm)
{
    std::mt19937 gen(7);
    // one-byte codes: a few rates, 0.0 and -0.0 among them as values of their own
    const double few[] = {0.5, 1.0, 2.0, 0.0, -0.0, 3.25, 1e-300, 7e300};
    SparseRows a = randomRows(gen, 500, 4, [&] { return few[gen() % 8]; });
    PackedRows p = packRows(a);
    EXPECT_EQ(p.codeBytes, 1);
    EXPECT_EQ(p.table.size(), 8u);
    expectSameEntries(a, p);
    // two-byte codes: 1000 values
    a = randomRows(gen, 3000, 5, [&] { return 1.0 + (double)(gen() % 1000) / 7.0; });
    p = packRows(a);
    EXPECT_EQ(p.codeBytes, 2);
    expectSameEntries(a, p);
    // exactly 256 values still take one byte; 65536 still two
    int next = 0;
    a = randomRows(gen, 300, 3, [&] { return (double)(next++ % 256); });
    EXPECT_EQ(packRows(a).codeBytes, 1);
    next = 0;
    a = randomRows(gen, 30000, 3, [&] { return (double)(next++ % 65536); });
    ASSERT_GT(a.entries() - a.n, 65536);
    p = packRows(a);
    EXPECT_EQ(p.codeBytes, 2);
    expectSameEntries(a, p);
    // past 65536 values: plain doubles
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    a = randomRows(gen, 30000, 3, [&] { return unit(gen); });
    p = packRows(a);
    EXPECT_EQ(p.codeBytes, 8);
    EXPECT_TRUE(p.code8.empty() && p.code16.empty() && p.table.empty());
    expectSameEntries(a, p);
}

TEST(PackedRows, GaussSeidelSolvesEachFormAgainstIndependentAnswers)
{
    std::mt19937 gen(20261209);
    // few rates (one-byte codes): random chains against dense GTH
    const double few[] = {0.25, 1.0, 3.0, 40.0, 1e4};
    for (int round = 0; round < 4; ++round) {
        const int n = 40 + (int)(gen() % 200);
        Transitions t = randomTransitions(gen, n, 2 + round, 1.0);
        for (auto& e : t) std::get<2>(e) = few[gen() % 5];
        Generator q = makeGenerator(n, t);
        ASSERT_EQ(codeBytesOf(q), 1);
        const std::vector<double> exact = denseGth(q);
        EXPECT_TRUE(statesAgree(gaussSeidel(q, 1), exact, 1e-9)) << "chain " << round;
        EXPECT_TRUE(statesAgree(gaussSeidel(q, 3), exact, 1e-9)) << "chain " << round;
    }
    // some thousands of rates over six decades (two-byte codes) against its product form
    std::vector<double> pi;
    Generator q = reversibleChain(gen, 400, 3, pi);
    ASSERT_EQ(codeBytesOf(q), 2);
    EXPECT_TRUE(statesAgree(gaussSeidel(q, 1), pi, 1e-9));
    EXPECT_TRUE(statesAgree(gaussSeidel(q, 2), pi, 1e-9));
    EXPECT_TRUE(statesAgree(gaussSeidel(q, 1), denseGth(q), 1e-9));
    // more rates than two bytes can name: plain doubles, one thread and blocks of states
    q = reversibleChain(gen, 30000, 2, pi);
    ASSERT_EQ(codeBytesOf(q), 8);
    EXPECT_TRUE(statesAgree(gaussSeidel(q, 1), pi, 1e-9));
    EXPECT_TRUE(statesAgree(gaussSeidel(q, 2), pi, 1e-9));
}

TEST(PackedRows, TheMeasureOfThePackedSystemIsThatOfThePlainOne)
{
    // the residual the sweeps stop on must not move with the form, to the bit, also when a
    // state is fixed and when the vector holds a NaN
    std::mt19937 gen(11);
    std::vector<double> pi;
    for (int round = 0; round < 3; ++round) {
        Generator q = round == 2 ? reversibleChain(gen, 30000, 2, pi)
                                 : makeGenerator(300, randomTransitions(gen, 300, 3, round == 0 ? 0.0 : 6.0));
        ReducedSystem sys = reducedSystem(q, naturalOrdering(q.n), round == 1 ? 5 : -1);
        PackedRows p = packRows(sys.a);
        std::vector<double> x(q.n), r1(q.n), r2(q.n);
        for (double& v : x) v = std::uniform_real_distribution<double>(0.0, 1.0)(gen);
        const RowParts parts(sys.a.start, 2);
        for (int nan = 0; nan < 2; ++nan) {
            if (nan) x[q.n / 2] = NAN;
            const double plain = balanceResidual(sys, x, r1, q.normInf(), &parts);
            const double packed = balanceResidual(p, sys.b, sys.fixed, x, r2, q.normInf(), &parts);
            EXPECT_EQ(bits(plain), bits(packed)) << "round " << round;
            for (int i = 0; i < q.n; ++i) ASSERT_EQ(bits(r1[i]), bits(r2[i])) << "state " << i;
        }
    }
}

TEST(PackedRows, SweepsTakeEachRowsTermsInColumnOrderToTheBit)
{
    // against a dense sweep written out plainly: the same terms in the same order, so the
    // same bits, whether or not a row holds the column just before its own; odd and even n
    std::mt19937 gen(3);
    for (int n : {1, 2, 7, 64, 301}) {
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        SparseRows a = randomRows(gen, n, 4, [&] { return unit(gen); });
        std::vector<std::vector<double>> dense(n, std::vector<double>(n, 0.0));
        std::vector<std::vector<char>> held(n, std::vector<char>(n, 0));
        for (int i = 0; i < n; ++i)
            for (int64_t p = a.start[i]; p < a.start[i + 1]; ++p) {
                dense[i][a.col[p]] = a.val[p];
                held[i][a.col[p]] = 1;
            }
        std::vector<double> b(n), x(n), y;
        for (int i = 0; i < n; ++i) b[i] = unit(gen);
        for (double& v : x) v = unit(gen);
        y = x;
        const PackedRows p = packRows(a);
        for (double omega : {1.0, 0.7}) {
            for (int sweep = 0; sweep < 3; ++sweep) {
                sorSweep(p, b, omega, x);
                for (int i = 0; i < n; ++i) {
                    double sum = b[i];
                    for (int j = 0; j < n; ++j)
                        if (j != i && held[i][j]) sum -= dense[i][j] * y[j];
                    y[i] = omega == 1.0 ? sum / dense[i][i] : (1.0 - omega) * y[i] + omega * sum / dense[i][i];
                }
            }
            for (int i = 0; i < n; ++i) ASSERT_EQ(bits(x[i]), bits(y[i])) << n << " states, state " << i;
        }
    }
}

TEST(PackedRows, TheTransposeBuiltFromTheChainIsThePackedSystem)
{
    // zero rates left out, few rates, thousands, and more than two bytes can name
    std::mt19937 gen(17);
    std::vector<double> pi;
    const double few[] = {0.0, 0.5, 2.0, 9.0};
    for (int round = 0; round < 4; ++round) {
        Generator q;
        if (round == 3) {
            q = reversibleChain(gen, 30000, 2, pi);
        } else {
            Transitions t = randomTransitions(gen, 500, 3, 5.0);
            if (round == 0)
                for (auto& e : t) std::get<2>(e) = few[gen() % 4];
            if (round == 1)
                for (auto& e : t)
                    if (gen() % 5 == 0) std::get<2>(e) = 0.0;
            q = makeGenerator(500, t);
        }
        const PackedRows direct = packTransposed(q);
        const PackedRows viaSystem = packRows(reducedSystem(q, naturalOrdering(q.n), -1).a);
        EXPECT_EQ(direct.codeBytes, viaSystem.codeBytes) << "round " << round;
        ASSERT_EQ(direct.start, viaSystem.start) << "round " << round;
        ASSERT_EQ(direct.upper, viaSystem.upper) << "round " << round;
        ASSERT_EQ(direct.col, viaSystem.col) << "round " << round;
        for (int i = 0; i < q.n; ++i) ASSERT_EQ(bits(direct.diagonal[i]), bits(viaSystem.diagonal[i])) << i;
        for (int64_t k = 0; k < direct.entries(); ++k)
            ASSERT_EQ(bits(direct.value(k)), bits(viaSystem.value(k))) << "round " << round << " entry " << k;
    }
    // and Gauss-Seidel told of the one closed class sweeps it to the chain's product form
    Generator q = reversibleChain(gen, 2000, 3, pi);
    for (int threads : {1, 2}) {
        MethodSettings s;
        s.threads = threads;
        s.closedClasses = 1;
        GaussSeidelMethod gs(s);
        SolveAttempt a;
        std::vector<double> x;
        ASSERT_TRUE(gs.solve(q, x, a)) << a.note;
        EXPECT_TRUE(a.check.passed) << a.check.failure;
        EXPECT_TRUE(statesAgree(x, pi, 1e-9)) << threads << " threads";
    }
}
