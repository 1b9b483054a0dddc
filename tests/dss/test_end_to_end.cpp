// Whole runs of the program on bundled models: every output file byte for byte,
// the known answers, and the exit status of a run whose results are not valid.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

const std::string EXAMPLES = std::string(VELMAR_EXAMPLES) + "/";
const std::string GOLDEN = std::string(VELMAR_TEST_DATA) + "/golden/mm1k/";

// Hides what changes from run to run: time stamps and timing figures.
std::string mask(const std::string& report)
{
    std::string t = std::regex_replace(report, std::regex("Started: [^\n]*\n"), "Started: <time>\n");
    t = std::regex_replace(t, std::regex("Finished: [^\n]*\n"), "Finished: <time>\n");
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
                                                  dir.file("states.txt"), "-v2", "-Kcomments.txt"})
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

TEST(EndToEnd, ComplementFlagFromCAndFromAnAttachedK)
{
    for (std::vector<std::string> extra :
         {std::vector<std::string>{"-c", "-t", "0.5"}, std::vector<std::string>{"-Kcomments.txt"}}) {
        TempDir dir;
        std::vector<std::string> args = common("mm1k", dir);
        args.insert(args.end(), extra.begin(), extra.end());
        ProgramResult r = run_program(DSS_BINARY, args);
        ASSERT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("Tolerance: 1.000000e-03\n"), std::string::npos);
        std::string cdf = slurp(dir.file("mm1k.dss.ServerBusy.cdf.splot"));
        EXPECT_NE(cdf.find("Graph Title Probability Distribution Function (PDF)\n"),
                  std::string::npos);
        EXPECT_NE(cdf.find("New Points\n0, 0.492063492063492\n1, 0\n"), std::string::npos) << cdf;
    }
}

TEST(EndToEnd, SingularChainWritesItsOutputsAndEndsWithStatusOne)
{
    TempDir dir;
    std::string data = std::string(VELMAR_TEST_DATA) + "/dss/";
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "sing", "-G", data,
                                               "-s", dir.path + "/", "-o", dir.file("r.txt")});
    EXPECT_EQ(r.status, 1);
    std::string message = "Error: the chain has 2 closed classes";
    EXPECT_NE(r.err.find(message), std::string::npos);
    std::string report = slurp(dir.file("r.txt"));
    EXPECT_NE(report.find(message), std::string::npos);
    EXPECT_NE(report.find("Finished: "), std::string::npos);
    EXPECT_TRUE(std::ifstream(dir.file("sing.dss.Q.pdf.splot")).good());
}
