// The -m option through the whole solver: the same printed results as the default method on
// chains it solves well, independent answers elsewhere, auto's report lines, failures that
// end with status 1, and the hint that -m auto may be faster.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/dss/dss_harness.h"
#include "tests/support/GeneratorChains.h"
#include "tests/support/run_program.h"
#include "tools/models/Kanban.h"

namespace {

struct MethodRun {
    std::vector<double> pi;
    std::string report;   // from the PV blocks on
    std::string lines;    // the whole report
    bool passed = false;
};

// Runs the solver with the options on a chain with a PV "Level" (the state number).
MethodRun runWith(int n, const Edges& e, const std::vector<std::string>& options)
{
    DssRun run(n, e, options);
    std::vector<double> level(n);
    for (int i = 0; i < n; ++i) level[i] = i;
    run.level->addPV("Level", level);
    testing::internal::CaptureStderr();
    run.solver->solveSystem();
    MethodRun r;
    r.pi = run.solver->solutionVector;
    run.solver->solutionVector.clear();
    run.solver->solve();
    testing::internal::GetCapturedStderr();
    r.passed = !run.solver->solutionFailed();
    r.lines = run.report();
    // the PV blocks and the CSV, without the wall-clock times of the phases
    r.report = std::regex_replace(r.lines.substr(r.lines.find("Performance variable")) + run.csv(),
                                  std::regex("Phases \\(wall seconds\\): [^\n]*\n"), "");
    return r;
}

// Two queues in tandem, K + 1 places each.
Edges tandem(int K, double lambda = 1.0, double mu1 = 1.5, double mu2 = 2.0)
{
    Edges e;
    for (int a = 0; a <= K; ++a)
        for (int b = 0; b <= K; ++b) {
            int s = a * (K + 1) + b;
            if (a < K) e.push_back({s, s + K + 1, lambda});
            if (a > 0 && b < K) e.push_back({s, s - K, mu1});
            if (b > 0) e.push_back({s, s - 1, mu2});
        }
    return e;
}

Edges scaledBirthDeath(int n, double scale)
{
    return birthDeath(std::vector<double>(n - 1, 0.8 * scale), std::vector<double>(n - 1, 1.0 * scale));
}

}  // namespace

TEST(DssMethodOption, IterativeMethodsPrintWhatTheFactorisationPrints)
{
    const int n = 500;
    for (double scale : {1e-12, 1.0, 1e12}) {
        Edges e = scaledBirthDeath(n, scale);
        MethodRun lu = runWith(n, e, {});
        ASSERT_TRUE(lu.passed);
        std::vector<double> want = mm1kStationary(n - 1, 0.8);
        for (const char* m : {"ilu", "auto"}) {
            MethodRun r = runWith(n, e, {"-m", m});
            EXPECT_TRUE(r.passed) << m << " at scale " << scale;
            // ilu stops on a normwise residual: the tail below 1e-6 of the largest probability is
            // held to that share only
            EXPECT_TRUE(statesAgree(r.pi, want, 1e-9, normwiseFloor(want, 1e-6))) << m << " at scale " << scale;
            EXPECT_EQ(r.report, lu.report) << m << " at scale " << scale;
            EXPECT_NE(r.lines.find("Method: " + std::string(m) + "\n"), std::string::npos);
        }
    }
}

TEST(DssMethodOption, AMethodThatCannotConvergeHandsOverToGth)
{
    // Gauss-Seidel moves mass one place per sweep along 500 places: it says so, and gth answers
    const int n = 500;
    MethodRun r = runWith(n, scaledBirthDeath(n, 1.0), {"-m", "gs"});
    EXPECT_NE(r.lines.find("Method gs: Gauss-Seidel, "), std::string::npos) << r.lines;
    EXPECT_NE(r.lines.find("did not converge (Gauss-Seidel converges too slowly to reach the target in its "
                           "sweep limit)"),
              std::string::npos)
        << r.lines;
    EXPECT_NE(r.lines.find("); continued with gth.\nMethod gth: "), std::string::npos) << r.lines;
    EXPECT_TRUE(r.passed);
    EXPECT_TRUE(statesAgree(r.pi, mm1kStationary(n - 1, 0.8), 1e-12));
}

TEST(DssMethodOption, AutoSaysWhatItPickedAndWhy)
{
    // a 31 x 31 tandem is a small chain: gth, with the answer of -m lu
    const int K = 30;
    Edges tandemEdges = tandem(K);
    const int n = (K + 1) * (K + 1);
    MethodRun lu = runWith(n, tandemEdges, {});
    MethodRun automatic = runWith(n, tandemEdges, {"-m", "auto"});
    EXPECT_TRUE(automatic.passed);
    EXPECT_NE(automatic.lines.find("Method auto picked gth: a small chain.\n"), std::string::npos) << automatic.lines;
    EXPECT_NE(automatic.lines.find("Method auto: the answer of gth after 1 attempt.\n"), std::string::npos);
    // gth against the factorisation, which is accurate normwise: below a tenth of the largest
    // probability a state is held to that share
    EXPECT_TRUE(statesAgree(lu.pi, automatic.pi, 1e-12, normwiseFloor(automatic.pi, 0.1)));

    // the kanban line fills in: iterations, checked against a dense solve
    KanbanSpace space = exploreKanban(1);
    Edges kanbanEdges;
    TempDir model, out;
    std::string error;
    ASSERT_TRUE(writeKanbanFiles(space, model.file("k"), error)) << error;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "k", "-G", model.dir(), "-s",
                                               out.path + "/", "-o", out.path + "/r.txt", "-m", "auto"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string report = slurp(out.path + "/r.txt");
    EXPECT_NE(report.find("Method auto picked gth: a small chain.\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Solution check (infinity norm)"), std::string::npos);
}

TEST(DssMethodOption, RandomChainsAgreeWithADenseSolve)
{
    std::mt19937 gen(42);
    const int n = 1500;
    Transitions t = randomTransitions(gen, n, 3, 4.0);
    Edges e;
    for (auto& [i, j, rate] : t) e.push_back({i, j, rate});
    std::vector<double> exact = denseGth(makeGenerator(n, t));
    for (const char* m : {"ilu", "gs", "mla", "auto"}) {
        MethodRun r = runWith(n, e, {"-m", m});
        EXPECT_TRUE(r.passed) << m;
        EXPECT_TRUE(statesAgree(r.pi, exact, 1e-9)) << m;
    }
    MethodRun automatic = runWith(n, e, {"-m", "auto"});
    EXPECT_NE(automatic.lines.find("Method auto picked gs: the factors could fill up to "), std::string::npos)
        << automatic.lines;
}

TEST(DssMethodOption, GaussSeidelInThreadsOnALargeChainAgreesWithIlu)
{
    std::mt19937 gen(8);
    const int n = 120000;
    Edges e;
    for (auto& [i, j, rate] : randomTransitions(gen, n, 2, 3.0)) e.push_back({i, j, rate});
    MethodRun gs = runWith(n, e, {"-m", "gs"}), ilu = runWith(n, e, {"-m", "ilu"});
    ASSERT_TRUE(gs.passed && ilu.passed);
    EXPECT_TRUE(statesAgree(gs.pi, ilu.pi, 1e-9));
    const int threads = std::min(4, (int)std::thread::hardware_concurrency());
    const std::string said =
        threads > 1 ? " sweeps in " + std::to_string(threads) + " threads, converged" : " sweeps, converged";
    EXPECT_NE(gs.lines.find(said), std::string::npos) << gs.lines;
}

TEST(DssMethodOption, AutoTriesMultilevelAggregationWhereTheFactorsWouldFill)
{
    // a tandem whose envelope is 60 times its entries: without -m lu finishes within its
    // budget; auto goes to multilevel aggregation first, whose answer agrees with lu's
    const int K = 149, n = (K + 1) * (K + 1);
    Edges e = tandem(K);
    MethodRun lu = runWith(n, e, {});
    MethodRun automatic = runWith(n, e, {"-m", "auto"});
    EXPECT_TRUE(automatic.passed);
    EXPECT_NE(automatic.lines.find("Method auto picked mla: the factors could fill up to "), std::string::npos)
        << automatic.lines;
    EXPECT_NE(automatic.lines.find("Method auto: the answer of mla after 1 attempt.\n"), std::string::npos)
        << automatic.lines;
    EXPECT_TRUE(statesAgree(automatic.pi, lu.pi, 1e-8, normwiseFloor(lu.pi, 1e-7)));
}

// The probabilities of a run's state probability file (-O with -f), state by state.
std::vector<double> stateProbabilities(const std::string& path)
{
    std::istringstream in(slurp(path));
    std::vector<double> pi;
    std::string line;
    while (std::getline(in, line)) {
        const size_t comma = line.find(", ");
        if (comma != std::string::npos && line[0] >= '0' && line[0] <= '9') pi.push_back(std::stod(line.substr(comma + 2)));
    }
    return pi;
}

TEST(DssMethodOption, TheDefaultGoesOnWithMultilevelAggregationOnAWideTandem)
{
    // 301 x 301 read from flat files, pivots kept at a threshold of 1e-5: the factors would fill
    // some 60 times the chain, so a run without -m goes on as auto does, with mla first; its
    // answer agrees with gth's elimination
    const int K = 300, n = (K + 1) * (K + 1);
    TempDir model, out;
    std::ostringstream arm, var;
    arm << "1 " << n << "\n";
    var << "Queue1\n";
    std::vector<std::string> rows(n);
    for (const auto& t : tandem(K, 1.0, 1.3, 1.1)) rows[t.row] += " " + std::to_string(t.col + 1) + " " + std::to_string(t.rate);
    for (int i = 0; i < n; ++i) {
        arm << i + 1 << rows[i] << " 0\n";
        var << i + 1 << " " << i / (K + 1) << " 0.0\n";
    }
    model.write("t.arm", arm.str());
    model.write("t.var", var.str());
    model.write("t.pvtype", "Version:1\nNumPV:1\nName:Queue1\nType:3\nNumTimes:0\n");
    std::vector<std::string> args{"-P", "p", "-S", "s", "-E", "t", "-G", model.dir(), "-s", out.path + "/", "-N",
                                  "-t", "1e-5", "-f", "-O", out.file("pi.txt"), "-o", out.file("r.txt")};
    ProgramResult byDefault = run_program(DSS_BINARY, args);
    ASSERT_EQ(byDefault.status, 0) << byDefault.err;
    EXPECT_NE(slurp(out.file("r.txt")).find("; continued with mla, as -m auto picks.\n"), std::string::npos)
        << slurp(out.file("r.txt"));
    const std::vector<double> pi = stateProbabilities(out.file("pi.txt"));
    args.insert(args.end(), {"-m", "gth"});
    ASSERT_EQ(run_program(DSS_BINARY, args).status, 0);
    const std::vector<double> want = stateProbabilities(out.file("pi.txt"));
    ASSERT_EQ(want.size(), (size_t)n);
    EXPECT_TRUE(statesAgree(pi, want, 1e-8, normwiseFloor(want, 1e-4)));  // normwise
}

TEST(DssMethodOption, UnknownMethodIsRefused)
{
    TempDir out;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "tandem", "-G",
                                               std::string(VELMAR_EXAMPLES) + "/", "-s", out.path + "/", "-m", "fast"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "dss: unknown method \"fast\" for -m: use lu, gth, ilu, gs, mla or auto\n");
}

TEST(DssMethodOption, TheDefaultMethodMovesOnWhenItsFactorsWouldFillIn)
{
    // kanban T=2: without -m the factorisation gives up on auto's fill budget and the run goes
    // on as -m auto does, saying so once; -m lu factorises to the end and hints at -m auto
    TempDir model, out;
    std::string error;
    ASSERT_TRUE(writeKanbanFiles(exploreKanban(2), model.file("k"), error)) << error;
    std::vector<std::string> args{"-P", "p", "-S", "s", "-E", "k", "-G", model.dir(), "-s", out.path + "/",
                                  "-o", out.path + "/r.txt"};
    ProgramResult byDefault = run_program(DSS_BINARY, args);
    std::string report = slurp(out.path + "/r.txt");
    args.insert(args.end(), {"-m", "lu"});
    ProgramResult lu = run_program(DSS_BINARY, args);
    std::string luReport = slurp(out.path + "/r.txt");
    EXPECT_EQ(byDefault.status, 0);
    EXPECT_EQ(byDefault.err.rfind("dss: the factorisation would fill about ", 0), 0u) << byDefault.err;
    // the line names the method the run went on with, which auto picked
    EXPECT_NE(byDefault.err.find(" times the chain's 32720; continued with gs, as -m auto picks\n"),
              std::string::npos)
        << byDefault.err;
    EXPECT_EQ(byDefault.err.find("dss:", 1), std::string::npos) << "said more than once";
    size_t said = report.find("The factorisation would fill about ");
    EXPECT_NE(said, std::string::npos) << report;
    EXPECT_NE(report.find("; continued with gs, as -m auto picks.\nMethod auto picked gs: ", said),
              std::string::npos)
        << report;
    // the same printed results as the factorisation's
    EXPECT_EQ(report.substr(report.find("Performance variable")).substr(0, 300),
              luReport.substr(luReport.find("Performance variable")).substr(0, 300));
    EXPECT_EQ(lu.status, 0);
    const std::string hint = "-m auto may be much faster\n";
    size_t at = lu.err.find(hint);
    EXPECT_NE(at, std::string::npos) << lu.err;
    EXPECT_EQ(lu.err.find(hint, at + 1), std::string::npos) << "said more than once";
    EXPECT_EQ(lu.err.rfind("dss: the factors have grown to ", 0), 0u) << lu.err;
}
