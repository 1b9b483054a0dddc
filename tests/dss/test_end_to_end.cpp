// Whole runs of the program on bundled models: every output file byte for byte,
// the known answers, and the exit status of a run whose results are not valid.
#include <gtest/gtest.h>

#include <iomanip>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

const std::string EXAMPLES = std::string(VELMAR_EXAMPLES) + "/";
const std::string GOLDEN = std::string(VELMAR_TEST_DATA) + "/golden/mm1k/";

// Hides what changes from run to run: time stamps, timing figures and the peak memory.
std::string mask(const std::string& report)
{
    std::string t = std::regex_replace(report, std::regex("Started: [^\n]*\n"), "Started: <time>\n");
    t = std::regex_replace(t, std::regex("Finished: [^\n]*\n"), "Finished: <time>\n");
    t = std::regex_replace(t, std::regex("Peak Memory \\(MiB\\): [^\n]*\n"), "Peak Memory (MiB): <MiB>\n");
    t = std::regex_replace(t, std::regex("Phases \\(wall seconds\\): [^\n]*\n"), "Phases (wall seconds): <seconds>\n");
    return std::regex_replace(t, std::regex("(Computation|User|System) Time \\(seconds\\): [^\n]*\n"),
                              "$1 Time (seconds): <seconds>\n");
}

std::vector<std::string> common(const std::string& experiment, const TempDir& dir)
{
    return {"-P", "p", "-S", "s", "-E", experiment, "-G", EXAMPLES, "-s", dir.path + "/"};
}

std::string mean_line(const std::string& report, const std::string& pv)
{
    size_t at = report.find("Performance variable :  " + pv + "\n");
    if (at == std::string::npos) return "";
    size_t m = report.find("Mean", at);
    return report.substr(m, report.find('\n', m) - m);
}

}  // namespace

TEST(EndToEnd, SmallQueueOutputsAreByteExact)
{
    TempDir dir;
    dir.write("comments.txt", "M/M/1/5 queue at half load.\nSecond comment line.\n");
    std::vector<std::string> args = common("mm1k", dir);
    for (std::string a : std::vector<std::string>{"-o", dir.file("r.txt"), "-O",
                                                  dir.file("states.txt"), "-v2", "-Kcomments.txt",
                                                  "-c", "on"})
        args.push_back(a);
    ProgramResult r = run_program(DSS_BINARY, args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(mask(slurp(dir.file("r.txt"))), slurp(GOLDEN + "report.txt"));
    for (std::string f : {"r.csv", "states.txt", "mm1k.dss.QueueLength.pdf.splot",
                          "mm1k.dss.QueueLength.cdf.splot", "mm1k.dss.ServerBusy.pdf.splot",
                          "mm1k.dss.ServerBusy.cdf.splot"})
        EXPECT_EQ(slurp(dir.file(f)), slurp(GOLDEN + f)) << f;
}

TEST(EndToEnd, TandemQueueMeanMatchesTheExactSolution)
{
    TempDir dir;
    ProgramResult r = run_program(DSS_BINARY, common("tandem", dir));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(mean_line(r.out, "Queue1"), "Mean                 :  3.068095e+00");
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("DSSSolver done\nFinished: "), std::string::npos);
    EXPECT_TRUE(std::ifstream(dir.file("tandem.dss.Queue2.cdf.splot")).good());
}

// -c takes the next word as its (ignored) value; an attached -K value is a file name and no
// longer sets the complementary flag as the letters "c", "o", ... it used to be scanned as.
TEST(EndToEnd, ComplementFlagFromCButNotFromAnAttachedK)
{
    struct Case {
        std::vector<std::string> extra;
        std::string title, points;
    };
    for (const Case& c :
         {Case{{"-c", "-t", "0.5"}, "(PDF)", "New Points\n0, 0.492063492063492\n1, 0\n"},
          Case{{"-Kcomments.txt"}, "(CDF)", "New Points\n0, 0.507936507936508\n1, 1\n"}}) {
        TempDir dir;
        std::vector<std::string> args = common("mm1k", dir);
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        ProgramResult r = run_program(DSS_BINARY, args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("Tolerance: 1.000000e-03\n"), std::string::npos);
        std::string cdf = slurp(dir.file("mm1k.dss.ServerBusy.cdf.splot"));
        EXPECT_NE(cdf.find("Graph Title Probability Distribution Function " + c.title + "\n"),
                  std::string::npos);
        EXPECT_NE(cdf.find(c.points), std::string::npos) << cdf;
    }
}

TEST(EndToEnd, TwoAbsorbingStatesShareTheLongRunByTheInitialState)
{
    // state 1 of the file leaves at rate 1 for each of the absorbing states 2 and 3
    TempDir dir;
    std::string data = std::string(VELMAR_TEST_DATA) + "/dss/";
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "sing", "-G", data,
                                               "-s", dir.path + "/", "-o", dir.file("r.txt")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::string report = slurp(dir.file("r.txt"));
    EXPECT_NE(report.find("The chain has 2 closed classes (1 state each) and 1 transient state: its long-run "
                          "distribution depends on the initial state, state 0.\n"
                          "From the initial state the chain ends in\n"
                          "  the closed class of state 1 (1 state) with probability 0.5\n"
                          "  the closed class of state 2 (1 state) with probability 0.5\n"),
              std::string::npos)
        << report;
    EXPECT_EQ(mean_line(report, "Q"), "Mean                 :  1.500000e+00");
    EXPECT_NE(report.find("Finished: "), std::string::npos);
    EXPECT_TRUE(std::ifstream(dir.file("sing.dss.Q.pdf.splot")).good());
}

// The bundled tandem with every rate multiplied by c, as the generator would write it.
static void writeScaledTandem(const TempDir& dir, double c)
{
    std::istringstream arm(slurp(std::string(EXAMPLES) + "/tandem.arm"));
    std::ostringstream out;
    std::string line;
    std::getline(arm, line);
    out << line << "\n";
    while (std::getline(arm, line)) {
        std::istringstream words(line);
        long state, dest;
        double rate;
        words >> state;
        out << state;
        while (words >> dest && dest != 0 && words >> rate) out << " " << dest << " " << std::setprecision(17) << rate * c;
        out << " 0\n";
    }
    dir.write("tandem.arm", out.str());
    for (const char* ext : {".var", ".pvtype", ".parm"})
        dir.write(std::string("tandem") + ext, slurp(std::string(EXAMPLES) + "/tandem" + ext));
}

TEST(EndToEnd, TheUnitOfTimeChangesNoPrintedResult)
{
    // the same chain in seconds, milliseconds and hours: identical report blocks and CSV, and
    // the same resolution floor (a probability, whatever the unit of the rates)
    std::string first, firstFloor;
    for (double c : {1.0, 1000.0, 1.0 / 3600.0, 1e-9}) {
        TempDir in, out;
        writeScaledTandem(in, c);
        ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "tandem", "-G", in.dir(), "-s",
                                                   out.dir(), "-o", out.file("r.txt")});
        ASSERT_EQ(r.status, 0) << c << r.err;
        std::string report = slurp(out.file("r.txt"));
        size_t from = report.find("Performance variable"), to = report.find("Phases (wall seconds)");
        std::string results = report.substr(from, to - from) + slurp(out.file("r.csv"));
        EXPECT_NE(report.find(": passed.\n"), std::string::npos) << c;
        size_t at = report.find("Resolution floor: ");
        ASSERT_NE(at, std::string::npos) << report;
        std::string floor = report.substr(at, report.find('\n', at) - at);
        if (first.empty()) first = results, firstFloor = floor;
        EXPECT_TRUE(results == first) << "rates times " << c;
        EXPECT_EQ(floor, firstFloor) << "rates times " << c;
    }
    EXPECT_NE(first.find("Mean                 :  3.068095e+00\n"), std::string::npos);
}
