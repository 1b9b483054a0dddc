// Stationary vectors against independent answers, refinement, progress lines and failures.
#include <gtest/gtest.h>

#include <regex>

#include <random>

#include "tests/dss/dss_harness.h"

static double queueOneMean(const std::vector<double>& pi, int c2)
{
    double m = 0.0;
    for (size_t s = 0; s < pi.size(); ++s) m += (double)(s / (c2 + 1)) * pi[s];
    return m;
}

TEST(DssSolve, MM1KMatchesTheClosedForm)
{
    const int K = 20;
    const double lambda = 0.9, mu = 1.2;
    for (std::vector<std::string> opts : {std::vector<std::string>{}, {"-t", "0"}, {"-r", "-1", "-g", "4"}}) {
        DssRun run(K + 1, birthDeath(std::vector<double>(K, lambda), std::vector<double>(K, mu)), opts);
        std::vector<double> pi = run.solve();
        // the factorisation is accurate normwise: below a tenth of the largest probability a
        // state is held to that share
        const std::vector<double> want = mm1kStationary(K, lambda / mu);
        EXPECT_TRUE(statesAgree(pi, want, 1e-13, normwiseFloor(want, 0.1))) << opts.size();
    }
}

TEST(DssSolve, BirthDeathWithUnevenRatesMatchesProductForm)
{
    std::vector<double> up = {3.0, 0.01, 250.0, 1.0, 7.5, 0.2}, down = {1.0, 40.0, 0.5, 2.0, 9.0, 0.02};
    DssRun run(7, birthDeath(up, down));
    std::vector<double> pi = run.solve();
    EXPECT_TRUE(statesAgree(pi, birthDeathStationary(up, down), 1e-12));
}

TEST(DssSolve, RandomChainsMatchDenseEliminationWithSmallResidual)
{
    std::mt19937 gen(12345);
    std::uniform_real_distribution<double> rate(0.05, 5.0);
    for (int trial = 0; trial < 12; ++trial) {
        int n = 3 + trial * 3;
        Edges e;
        for (int i = 0; i < n; ++i) e.push_back({i, (i + 1) % n, rate(gen)});  // irreducible ring
        std::uniform_int_distribution<int> state(0, n - 1);
        for (int extra = 0; extra < 2 * n; ++extra) e.push_back({state(gen), state(gen), rate(gen)});
        std::vector<std::string> opts;
        if (trial % 3 == 1) opts = {"-t", "0"};
        if (trial % 3 == 2) opts = {"-r", "2", "-g", "3"};
        DssRun run(n, e, opts);
        std::vector<double> pi = run.solve();
        auto Q = generator(n, e);
        const std::vector<double> want = gthSolve(Q);
        EXPECT_TRUE(statesAgree(pi, want, 1e-12, normwiseFloor(want, 0.1))) << "trial " << trial;  // normwise
        EXPECT_LT(scaledResidual(Q, pi), 1e-14) << "trial " << trial;
    }
}

TEST(DssSolve, TandemQueuesReachTheRefinedMean)
{
    Edges e = tandem(10, 15, 1.0, 1.3, 1.1);
    DssRun run(176, e);
    testing::internal::CaptureStderr();
    std::vector<double> pi = run.solve();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    char mean[32];
    snprintf(mean, sizeof mean, "%f", queueOneMean(pi, 15));
    EXPECT_STREQ(mean, "3.068095");
    EXPECT_TRUE(statesAgree(pi, gthSolve(generator(176, e)), 1e-9));
}

TEST(DssSolve, RepeatedEdgesActAsOneSummedTransition)
{
    Edges split = {{0, 1, 0.5}, {1, 2, 1.0}, {0, 1, 1.5}, {2, 0, 3.0}, {1, 0, 0.25}, {1, 0, 0.75}};
    Edges merged = {{0, 1, 2.0}, {1, 2, 1.0}, {2, 0, 3.0}, {1, 0, 1.0}};
    DssRun a(3, split, {"-t", "0"}), b(3, merged, {"-t", "0"});
    EXPECT_TRUE(statesAgree(a.solve(), b.solve(), 1e-15));
    EXPECT_TRUE(statesAgree(a.solver->solutionVector, gthSolve(generator(3, merged)), 1e-15));
}

TEST(DssSolve, ZeroRateDoesNotSwitchRefinementOff)
{
    DssRun run(3, {{0, 1, 0.0}, {0, 1, 1.0}, {1, 2, 1.0}, {2, 0, 1.0}, {2, 1, 0.0}}, {"-d", "/dev/null"});
    run.solve();
    EXPECT_DOUBLE_EQ(run.solver->dropThreshold, 0.001);
}

TEST(DssSolve, ThresholdZeroStoresNoUntouchedZerosAndSkipsRefinement)
{
    const int n = 40;
    DssRun run(n, birthDeath(std::vector<double>(n - 1, 1.0), std::vector<double>(n - 1, 2.0)),
               {"-t", "0", "-v1"});
    std::vector<double> pi = run.solve();
    int stored = 0;
    for (int r = 0; r < n; ++r) stored += run.solver->A[r].numEntries();
    EXPECT_LT(stored, 4 * n);  // not n(n+1)/2 in U alone
    EXPECT_EQ(run.report().find("iterative refinement"), std::string::npos);
    EXPECT_LT(scaledResidual(generator(n, birthDeath(std::vector<double>(n - 1, 1.0),
                                                     std::vector<double>(n - 1, 2.0))), pi), 1e-15);
}

TEST(DssSolve, ThresholdZeroWithPivotingAgreesWithoutPivoting)
{
    // the pivot costs must count the factor entries that are exact zeros left unstored
    Edges e = tandem(3, 4, 1.0, 1.3, 1.1);
    DssRun piv(20, e, {"-t", "0", "-r", "-1", "-g", "10"});
    std::vector<double> pi = piv.solve();
    std::vector<int> identity(20);
    for (int i = 0; i < 20; ++i) identity[i] = i;
    EXPECT_NE(piv.solver->colSwap, identity);
    EXPECT_TRUE(statesAgree(pi, gthSolve(generator(20, e)), 1e-14));
}

TEST(DssSolve, OneStateChainIsCertainAfterOneRefinementPass)
{
    DssRun run(1, {}, {"-v1"});
    testing::internal::CaptureStderr();
    EXPECT_EQ(run.solve(), std::vector<double>{1.0});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::string r = run.report();
    EXPECT_NE(r.find("Completed iterative refinement column number: 0.\n"), std::string::npos);
    EXPECT_EQ(r.find("Completed iterative refinement column number: 2.\n"), std::string::npos);
}

TEST(DssSolve, AccuracyBeyondReachIsCheckedAtTheRoundingFloorAndNotFlagged)
{
    // 1e-30 cannot be reached; the vector is still as good as double precision allows, so it
    // passes its check at the floor and no warning is written
    Edges e = tandem(10, 15, 1.0, 1.3, 1.1);
    DssRun run(176, e, {"-a", "30"});
    testing::internal::CaptureStderr();
    std::vector<double> pi = run.solve();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(run.solver->record.check.passed);
    EXPECT_NE(run.report().find("bound 1.0e-12; sum = 1.000000000000"), std::string::npos);
    const std::vector<double> want = gthSolve(generator(176, e));
    EXPECT_TRUE(statesAgree(pi, want, 1e-13, normwiseFloor(want, 0.2)));  // normwise
}

TEST(DssSolve, ProgressLinesFollowTheVerbosity)
{
    const int n = 7;
    Edges e = birthDeath(std::vector<double>(n - 1, 1.0), std::vector<double>(n - 1, 1.5));
    TempDir outputs;
    DssRun three(n, e, {"-v3", "-d", outputs.file("DEBUG")});
    three.solver->solve();
    std::string r = three.report();
    std::string expectedOrder[] = {
        "Begin LU decomposition.\n", "Completed column number: 0.\n", "Completed column number: 3.\n",
        "Completed column number: 6.\n", "Finished LU decomposition.\n",
        "Beginning forward substitution.\n", "Completed row number: 3\n", "Completed row number: 6\n",
        "Finished forward substitution.\n", "Beginning backward substitution.\n",
        "Completed column number: 3\n", "Completed column number: 0\n",
        "Finished backward substitution.\n", "DSS has 7 states\n", "Beginning iterative refinement.\n",
        "Completed iterative refinement column number: 0.\n", "Finished iterative refinement.\n",
        "Computation Time (seconds): ", "DSSSolver done\n"};
    size_t at = 0;
    for (const std::string& line : expectedOrder) {
        size_t found = r.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + line.size();
    }
    EXPECT_EQ(r.find("Completed column number: 1.\n"), std::string::npos);
    three.solver.reset();  // closes the debug stream
    std::string debug = DssRun::slurp(outputs.file("DEBUG"));
    EXPECT_NE(debug.find("initializeSolver() begun\ninitializeSolver() done\nBegin LU decomposition.\n"
                         "Perform LU Decomp begin\nPerform LU Decomp done\nFinished LU decomposition.\n"),
              std::string::npos);
    EXPECT_NE(debug.find("Finished iterative refinement.\nIterative refinement used.\n"), std::string::npos);

    DssRun minus(n, e, {"-v-1", "-t", "0"});
    minus.solve();
    r = minus.report();
    for (int i = n - 2; i >= 0; --i)
        EXPECT_NE(r.find("Completed column number: " + std::to_string(i) + "\n"), std::string::npos);
    EXPECT_EQ(r.find("Completed row number"), std::string::npos);
    EXPECT_EQ(r.find("Completed column number: 0."), std::string::npos);
    EXPECT_EQ(r.find("LU decomposition"), std::string::npos);
}

TEST(DssSolve, QuietRunWritesOnlyTimingAndClosingLines)
{
    DssRun run(3, {{0, 1, 1.0}, {1, 2, 1.0}, {2, 0, 1.0}});
    std::string before = run.report();
    run.solver->solve();
    std::string after = run.report().substr(before.size());
    std::regex lines("Solution check \\(infinity norm\\): [^\n]*: passed\\.\n"
                     "Computation Time \\(seconds\\): [0-9.]+\nUser Time \\(seconds\\): [0-9.]+\n"
                     "System Time \\(seconds\\): [0-9.]+\nStates: 3\nTransitions: 3\n"
                     "Peak Memory \\(MiB\\): [0-9]+\\.[0-9]\nEntries in the factors: [0-9]+\n"
                     "Resolution floor: [0-9.]+e-[0-9]+ \\(probabilities below it carry no accuracy\\)\n"
                     "Phases \\(wall seconds\\): reading [0-9.]+, structure analysis [0-9.]+, solving [0-9.]+, "
                     "PV evaluation [0-9.]+, writing [0-9.]+\nDSSSolver done\n");
    EXPECT_TRUE(std::regex_match(after, lines)) << after;
    EXPECT_FALSE(run.solver->solutionFailed());
}

TEST(DssSolve, StatesWithoutTransitionsAreAbsorbingAndTheInitialOneHoldsEverything)
{
    // two states and no transitions: two closed classes, the chain stays where it starts
    TempDir outputs;
    DssRun run(2, {}, {"-O", outputs.file("STATES")});
    run.level->initial = 1;
    testing::internal::CaptureStderr();
    run.solver->solve();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(run.report().find("The chain has 2 closed classes (1 state each) and 0 transient states: its "
                                "long-run distribution depends on the initial state, state 1.\n"),
              std::string::npos);
    EXPECT_NE(run.report().find("the initial state lies in a closed class"), std::string::npos);
    EXPECT_FALSE(run.solver->solutionFailed());
    run.solver.reset();
    EXPECT_EQ(DssRun::slurp(outputs.file("STATES")).find("## State Occupancy Probability Vector\n"), 0u);
    EXPECT_NE(DssRun::slurp(outputs.file("STATES")).find("Number of States: 2\n0, 0.000000\n1, 1.000000\n"), std::string::npos);
}

TEST(DssPivot, PivotingNeedsBothRowsAndStability)
{
    Edges e = tandem(3, 3, 1.0, 1.3, 1.1);
    for (std::vector<std::string> opts : {std::vector<std::string>{}, {"-r", "1"}, {"-g", "5"}, {"-r", "2", "-g", "0"}}) {
        DssRun run(16, e, opts);
        run.solve();
        std::vector<int> identity(16);
        for (int i = 0; i < 16; ++i) identity[i] = i;
        EXPECT_EQ(run.solver->rowSwap, identity);
        EXPECT_EQ(run.solver->colSwap, identity);
    }
    DssRun piv(16, e, {"-r", "2", "-g", "5"});
    std::vector<double> pi = piv.solve();
    EXPECT_NE(piv.solver->rowSwap[0], 0);
    EXPECT_TRUE(statesAgree(pi, gthSolve(generator(16, e)), 1e-13));
}
