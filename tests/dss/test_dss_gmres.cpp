// GMRES after a stalled refinement: the solver's results, report lines and warnings on chains
// where plain refinement stalls.
#include <gtest/gtest.h>


#include "tests/dss/dss_harness.h"

namespace {

double queueMean(const std::vector<double>& pi, int c2, bool first)
{
    double m = 0.0;
    for (size_t s = 0; s < pi.size(); ++s) m += (double)(first ? s / (c2 + 1) : s % (c2 + 1)) * pi[s];
    return m;
}

}  // namespace

TEST(DssGmres, StalledRefinementOfATandemIsCarriedToTheDenseAnswer)
{
    // with the default drop tolerance the factors of this tandem are too poor for plain
    // refinement, which stalls after a few passes far from the stationary vector
    const int c1 = 5, c2 = 80, n = (c1 + 1) * (c2 + 1);
    Edges e = tandem(c1, c2, 1.0, 1.3, 1.1);
    TempDir outputs;
    DssRun run(n, e, {"-d", outputs.file("DEBUG_GMRES")});
    testing::internal::CaptureStderr();
    std::vector<double> pi = run.solve();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::vector<double> want = gthSolve(generator(n, e));
    // refinement and GMRES stop on a normwise correction: below 1e-3 of the largest probability
    // a state is held to that share
    EXPECT_TRUE(statesAgree(pi, want, 1e-8, normwiseFloor(want, 1e-3)));
    EXPECT_NEAR(queueMean(pi, c2, true), queueMean(want, c2, true), 1e-8 * queueMean(want, c2, true));
    EXPECT_NEAR(queueMean(pi, c2, false), queueMean(want, c2, false), 1e-8 * queueMean(want, c2, false));

    const std::string line = "; continued with GMRES preconditioned by the factors: ";
    std::string r = run.report();
    size_t at = r.find("Iterative refinement stalled at pass counter ");
    ASSERT_NE(at, std::string::npos);
    size_t end = r.find('\n', at);
    EXPECT_NE(r.substr(at, end - at).find(line), std::string::npos);
    EXPECT_EQ(r.substr(end - 30, 31), " iterations, accuracy reached.\n");
    EXPECT_EQ(r.find("Warning"), std::string::npos);
    run.solver.reset();
    std::string debug = DssRun::slurp(outputs.file("DEBUG_GMRES"));
    EXPECT_NE(debug.find(r.substr(at, end + 1 - at) + "Finished iterative refinement.\n"), std::string::npos);
}

TEST(DssGmres, ChainWithSeveralClosedClassesEndsInTheClassesItsInitialStateReaches)
{
    // two absorbing states and a closed pair {1, 2}: state 0 reaches the pair only, state 3
    // the absorbing state 4 only
    Edges several = {{0, 1, 1.0}, {1, 2, 2.0}, {2, 1, 0.5}, {3, 4, 1.0}};
    const std::vector<std::vector<double>> want = {{0, 0.2, 0.8, 0, 0, 0}, {0, 0, 0, 0, 1, 0}};
    for (int initial : {0, 3}) {
        DssRun run(6, several);
        run.level->initial = initial;
        testing::internal::CaptureStderr();
        run.solver->solve();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_FALSE(run.solver->solutionFailed()) << run.report();
        EXPECT_EQ(run.solver->record.attempts.size(), 1u);
        EXPECT_NE(run.report().find("the closed class of state " + std::to_string(initial == 0 ? 1 : 4) +
                                    " (" + (initial == 0 ? "2 states" : "1 state") + ") with probability 1\n"),
                  std::string::npos);
        DssRun again(6, several);
        again.level->initial = initial;
        EXPECT_TRUE(statesAgree(again.solve(), want[initial == 0 ? 0 : 1], 1e-14));
    }
}

// Every probability below 1e-11 / accuracy: the accuracy is still reachable, so neither
// GMRES nor the warning is called for.
TEST(DssRefinementAccuracy, ReachableWhenEveryProbabilityIsSmall)
{
    const int n = 400;
    Edges edges;
    for (int i = 0; i < n; ++i) edges.push_back({i, (i + 1) % n, 1.0 + (i % 7)});
    DssRun run(n, edges);
    testing::internal::CaptureStderr();
    std::vector<double> pi = run.solve();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::string r = run.report();
    EXPECT_EQ(r.find("GMRES"), std::string::npos) << r;
    std::vector<double> want = gthSolve(generator(n, edges));
    EXPECT_TRUE(statesAgree(pi, want, 1e-9));
}
