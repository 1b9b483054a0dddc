// Whole runs on chains in PRISM's explicit files and Storm's DRN text: the
// means against closed forms and a dense solve written here, the PV names and
// their order, the same chain in all three formats giving the same outputs,
// and how the format is chosen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Oracle.h"
#include "tests/support/ThreeFormats.h"
#include "tests/support/run_program.h"

namespace {

const std::string DATA = std::string(VELMAR_TEST_DATA) + "/";
const std::string EXAMPLES = std::string(VELMAR_EXAMPLES) + "/";

// dss on base name dir + name with the extra arguments; outputs go to out.
ProgramResult run_dss(const std::string& dir, const std::string& name, const TempDir& out,
                      std::vector<std::string> extra = {})
{
    std::vector<std::string> args = {"-P", "p", "-S", "s", "-E", name, "-G", dir, "-s", out.dir()};
    args.insert(args.end(), extra.begin(), extra.end());
    return run_program(DSS_BINARY, args);
}

// Every PV of a report in order, with its mean.
std::vector<std::pair<std::string, double>> means(const std::string& report)
{
    std::vector<std::pair<std::string, double>> found;
    std::regex block("Performance variable :  ([^\n]*)\nMean                 :  ([^\n]*)\n");
    for (std::sregex_iterator m(report.begin(), report.end(), block), end; m != end; ++m)
        found.emplace_back((*m)[1], std::atof((*m)[2].str().c_str()));
    return found;
}

std::vector<std::string> names(const std::string& report)
{
    std::vector<std::string> n;
    for (const auto& m : means(report)) n.push_back(m.first);
    return n;
}

double mean_of(const std::string& report, const std::string& pv)
{
    for (const auto& m : means(report))
        if (m.first == pv) return m.second;
    ADD_FAILURE() << "no PV " << pv;
    return NAN;
}

// Relative agreement to the 7 digits a report's mean carries.
void expect_close(double got, double want, const std::string& what)
{
    EXPECT_NEAR(got, want, 1e-6 * std::fabs(want) + 1e-12) << what;
}

// Hides time stamps, timing figures and the line naming the files read.
std::string mask(const std::string& report)
{
    std::string t = std::regex_replace(report, std::regex("(Started|Finished): [^\n]*\n"), "$1\n");
    std::regex timing(
        "((Computation|User|System) Time \\(seconds\\)|Peak Memory \\(MiB\\)|Phases \\(wall seconds\\)): [^\n]*\n");
    t = std::regex_replace(t, timing, "");
    return std::regex_replace(t, std::regex("\nState space files: [^\n]*\n"), "");
}

}  // namespace

TEST(OtherFormats, BirthDeathChainMeansMatchTheClosedForm)
{
    // M/M/1/5 at load 1/2: pi_n proportional to 2^-n
    const std::vector<double> pi = mm1kStationary(5, 0.5);
    double queue = 0.0;
    for (int n = 0; n <= 5; ++n) queue += n * pi[n];
    const double p0 = pi[0], p5 = pi[5];
    for (std::string dir : {"prism/", "drn/"}) {
        TempDir out;
        ProgramResult r = run_dss(DATA + dir, "mm1k", out);
        ASSERT_EQ(r.status, 0) << dir << r.err;
        EXPECT_EQ(r.err, "");
        expect_close(mean_of(r.out, "n"), queue, dir + "n");
        expect_close(mean_of(r.out, "busy"), 1.0 - p0, dir + "busy");
        expect_close(mean_of(r.out, "init"), p0, dir + "init");
        expect_close(mean_of(r.out, "full"), p5, dir + "full");
        EXPECT_TRUE(std::filesystem::exists(out.file("mm1k.dss.busy.cdf.splot"))) << dir;
    }
}

TEST(OtherFormats, TandemMeansMatchADenseSolveAndTheFlowBalance)
{
    // arrivals 1 to queue 1 (capacity 2); service 2 into queue 2 (capacity 2,
    // blocked when full); service 3 out; state q1 * 3 + q2
    std::vector<std::vector<double>> q(9, std::vector<double>(9, 0.0));
    for (int a = 0; a <= 2; ++a)
        for (int b = 0; b <= 2; ++b) {
            int s = a * 3 + b;
            if (a < 2) q[s][s + 3] += 1.0;
            if (a > 0 && b < 2) q[s][s - 3 + 1] += 2.0;
            if (b > 0) q[s][s - 1] += 3.0;
        }
    std::vector<double> pi = gthSolve(q);
    std::map<std::string, double> want;
    for (int s = 0; s < 9; ++s) {
        int a = s / 3, b = s % 3;
        want["q1"] += a * pi[s];
        want["q2"] += b * pi[s];
        want["busy2"] += (b > 0) * pi[s];
        want["blocked"] += (a > 0 && b == 2) * pi[s];
        want["full1"] += (a == 2) * pi[s];
        want["reward2"] += (a + b) * pi[s];
    }
    want["init"] = pi[0];
    for (std::string dir : {"prism/", "drn/"}) {
        TempDir out;
        ProgramResult r = run_dss(DATA + dir, "tandem", out);
        ASSERT_EQ(r.status, 0) << dir << r.err;
        for (const auto& m : means(r.out)) expect_close(m.second, want[m.first], dir + m.first);
        // what queue 2 serves is what queue 1 admits
        expect_close(3.0 * mean_of(r.out, "busy2"), 1.0 - mean_of(r.out, "full1"), dir + "flow");
    }
}

TEST(OtherFormats, PVsAreNamedByVariablesThenLabelsThenRewards)
{
    TempDir out;
    ProgramResult prism = run_dss(DATA + "prism/", "tandem", out);
    EXPECT_EQ(names(prism.out), (std::vector<std::string>{"q1", "q2", "init", "blocked", "full1",
                                                          "busy2", "reward2"}));
    ProgramResult drn = run_dss(DATA + "drn/", "tandem", out);
    EXPECT_EQ(names(drn.out),
              (std::vector<std::string>{"init", "blocked", "full1", "q1", "q2", "busy2"}));
    EXPECT_NE(prism.out.find("\nState space files: " + DATA + "prism/tandem.tra, " + DATA +
                             "prism/tandem.sta, " + DATA + "prism/tandem.lab, " + DATA +
                             "prism/tandem1.srew, " + DATA + "prism/tandem2.srew\n\nVerbosity: "),
              std::string::npos)
        << prism.out;
    EXPECT_NE(drn.out.find("\nState space files: " + DATA + "drn/tandem.drn\n"), std::string::npos);
}

TEST(OtherFormats, TheSameChainInAllThreeFormatsGivesTheSameOutputs)
{
    namespace fs = std::filesystem;
    ThreeFormats model;
    TempDir& dir = model.dir;
    std::map<std::string, std::map<std::string, std::string>> outputs;
    for (std::string format : {"flat", "prism", "drn"}) {
        TempDir out;
        ProgramResult r = run_dss(dir.dir(), "mm1k", out, {"-F", format, "-o", out.file("r.txt")});
        ASSERT_EQ(r.status, 0) << format << r.err;
        EXPECT_EQ(r.out + r.err, "") << format;
        for (const auto& e : fs::directory_iterator(out.path))
            outputs[format][e.path().filename().string()] = slurp(e.path().string());
        std::string report = outputs[format]["r.txt"];
        bool named = report.find("State space files:") != std::string::npos;
        EXPECT_EQ(named, format != "flat") << report;
        outputs[format]["r.txt"] = mask(report);
    }
    EXPECT_EQ(outputs["flat"].size(), 6u);  // report, CSV, two plot files per PV
    EXPECT_EQ(outputs["prism"], outputs["flat"]);
    EXPECT_EQ(outputs["drn"], outputs["flat"]);
}

TEST(OtherFormats, FormatIsFoundFromTheFilesPresentOrNamedWithF)
{
    TempDir dir, out;
    std::string tra = "2 2\n0 1 1\n1 0 2\n";
    std::string drn = "@type: CTMC\n@nr_states\n2\n@model\nstate 0 init\naction a\n1 : 1\n"
                      "state 1\naction a\n0 : 2\n";
    dir.write("both.tra", tra);
    dir.write("both.drn", drn);
    dir.write("d.drn", drn);
    auto files = [&](const ProgramResult& r) {
        std::smatch m;
        std::regex_search(r.out, m, std::regex("State space files: ([^\n]*)\n"));
        return m.size() > 1 ? m[1].str() : "(none)";
    };
    EXPECT_EQ(files(run_dss(dir.dir(), "both", out)), dir.file("both.tra"));
    EXPECT_EQ(files(run_dss(dir.dir(), "d", out)), dir.file("d.drn"));
    EXPECT_EQ(files(run_dss(dir.dir(), "both", out, {"-F", "drn"})), dir.file("both.drn"));
    // a named format whose file is absent says so
    ProgramResult missing = run_dss(dir.dir(), "d", out, {"-F", "prism"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Error reading state space file " + dir.file("d.tra") +
                               ": cannot open it: No such file or directory.\n");
    // with no file of any format the flat files are asked for, as before
    ProgramResult none = run_dss(dir.dir(), "nothing", out);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "Error reading file " + dir.file("nothing.arm") + ".\n");
    ProgramResult unknown = run_dss(dir.dir(), "d", out, {"-F", "csv"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err,
              "Unknown state space format \"csv\" after -F: give flat, prism or drn.\n");
    EXPECT_EQ(unknown.out, "");
}

TEST(OtherFormats, LongRunOfAChainWithTwoAbsorbingStatesStartsFromTheStateLabelledInit)
{
    // 3 (init) -> 0 and 3 -> 1 at rate 1; 0 -> 1 at rate 1, 0 -> 2 at rate 3; 1 and 2 absorb:
    // state 1 with probability 1/2 + 1/2 * 1/4 = 5/8 (from state 0 it would be 1/4)
    TempDir out;
    ProgramResult r = run_dss(DATA + "prism/", "absorb", out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("depends on the initial state, state 3.\nFrom the initial state the chain ends in\n"
                         "  the closed class of state 1 (1 state) with probability 0.625\n"
                         "  the closed class of state 2 (1 state) with probability 0.375\n"),
              std::string::npos)
        << r.out;
    expect_close(mean_of(r.out, "deadlock"), 1.0, "deadlock");
    expect_close(mean_of(r.out, "left"), 0.625, "left");
    expect_close(mean_of(r.out, "init"), 0.0, "init");
}

// A rate of 0 connects nothing and the smallest normal double is a rate like any other, in
// every format: state 2 is entered by a zero rate only (transient), state 1 by the smallest
// rate r, so the long run is 1/(1+r), r/(1+r), 0, which is 1, r, 0 in doubles.
TEST(OtherFormats, RatesOfZeroAndOfTheSmallestNormalDoubleAreReadInEveryFormat)
{
    const std::string r = "2.2250738585072014e-308";
    TempDir in;
    in.write("z.arm", "1 3\n1 2 " + r + " 3 0 0\n2 1 1.0 0\n3 1 1.0 0\n");
    in.write("z.var", "X\n1 0 0\n2 0 0\n3 0 0\n");
    in.write("z.pvtype", "Version:1\nNumPV:1\nName:X\nType:1\nNumTimes:0\n");
    in.write("z.tra", "3 4\n0 1 " + r + "\n0 2 0\n1 0 1.0\n2 0 1.0\n");
    in.write("z.drn", "@type: CTMC\n@nr_states\n3\n@model\nstate 0\naction a\n1 : " + r +
                          "\n2 : 0e-400\nstate 1\naction a\n0 : 1\nstate 2\naction a\n0 : 1\n");
    const double want[] = {1.0, std::strtod(r.c_str(), nullptr), 0.0};
    for (const char* format : {"flat", "prism", "drn"}) {
        TempDir out;
        ProgramResult run = run_dss(in.dir(), "z", out, {"-F", format, "-f", "-O", out.file("s")});
        ASSERT_EQ(run.status, 0) << format << run.err;
        std::istringstream states(slurp(out.file("s")));
        std::string line;
        for (int k = 0; k < 3; ++k) std::getline(states, line);  // the header
        for (int s = 0; s < 3; ++s) {
            int number = -1;
            char comma = 0;
            double p = NAN;
            ASSERT_TRUE(states >> number >> comma >> p) << format << " state " << s;
            EXPECT_EQ(number, s);
            if (want[s] == 0.0) {
                EXPECT_EQ(p, 0.0) << format << " state " << s;
            } else {
                EXPECT_LE(std::fabs(p - want[s]) / want[s], 1e-12) << format << " state " << s << ": " << p;
            }
        }
    }
}
