// Outputs for scripts: probabilities at full precision (-f) and the JSON results file (-j),
// checked against closed forms and against the report of the same run.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Oracle.h"
#include "tests/support/run_program.h"

#ifdef VELMAR_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace {

const std::string EXAMPLES = std::string(VELMAR_EXAMPLES) + "/";

// Two states, 1 -> 2 at rate 1e-9 and back at rate 1: pi = (1, 1e-9) / (1 + 1e-9).
void write_rare_model(const TempDir& dir)
{
    dir.write("rare.arm", "1 2\n1 2 1e-9 0\n2 1 1.0 0\n");
    dir.write("rare.var", "Down\n1 0 0\n2 0 1\n");
    dir.write("rare.pvtype", "Version:1\nNumPV:1\nName:Down\nType:3\nNumTimes:0\n");
}

std::vector<std::string> rare_args(const TempDir& model, const TempDir& out)
{
    return {"-P", "p", "-S", "s", "-E", "rare", "-G", model.dir(), "-s", out.dir(), "-o",
            out.file("r.txt"), "-O", out.file("states.txt")};
}

// Numbers of the "Dist," lines of a CSV text, three per line.
std::vector<double> dist_numbers(const std::string& csv)
{
    std::vector<double> v;
    std::istringstream in(csv);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Dist,", 0) != 0) continue;
        std::istringstream fields(line.substr(5));
        std::string f;
        while (std::getline(fields, f, ',')) v.push_back(std::stod(f));
    }
    return v;
}

}  // namespace

TEST(FullPrecision, SmallProbabilitiesKeepTheirDigitsOnlyWhenAskedFor)
{
    const std::vector<double> pi = birthDeathStationary({1e-9}, {1.0});
    const double rare = pi[1], common = pi[0];
    TempDir model;
    write_rare_model(model);
    TempDir plain;
    ProgramResult r = run_program(DSS_BINARY, rare_args(model, plain));
    ASSERT_EQ(r.status, 0) << r.err;
    std::string csv = slurp(plain.file("r.csv"));
    EXPECT_NE(csv.find("Dist,1.000000,0.000000,1.000000\n"), std::string::npos) << csv;
    EXPECT_NE(slurp(plain.file("states.txt")).find("\n1, 0.000000\n"), std::string::npos);

    TempDir full;
    std::vector<std::string> args = rare_args(model, full);
    args.push_back("-f");
    r = run_program(DSS_BINARY, args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<double> d = dist_numbers(slurp(full.file("r.csv")));
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(d[0], 0.0);
    EXPECT_NEAR(d[1], common, 1e-15);
    EXPECT_EQ(d[3], 1.0);
    EXPECT_NEAR(d[4] / rare, 1.0, 1e-12);
    EXPECT_NEAR(d[5], 1.0, 1e-15);
    std::smatch m;
    std::string states = slurp(full.file("states.txt"));
    ASSERT_TRUE(std::regex_search(states, m, std::regex("\n1, ([^\n]+)\n"))) << states;
    EXPECT_NEAR(std::stod(m[1]) / rare, 1.0, 1e-12);
    EXPECT_GE(m[1].str().size(), 17u);  // every digit a double carries
}

// Points of the "New Points" block of a plot file, as (x, y) pairs.
static std::vector<std::pair<double, double>> plot_points(const std::string& splot)
{
    std::vector<std::pair<double, double>> points;
    size_t at = splot.find("New Points\n");
    if (at == std::string::npos) return points;
    std::istringstream in(splot.substr(at + 11));
    std::string line;
    while (std::getline(in, line) && !line.empty()) {
        size_t comma = line.find(',');
        points.emplace_back(std::stod(line.substr(0, comma)), std::stod(line.substr(comma + 1)));
    }
    return points;
}

// Three states in a line, 1 <-> 2 at rates 3 and 2e-20, 2 <-> 3 at rates 7 and 3: balance gives
// pi = (2e-20, 3, 7) / (10 + 2e-20), so state 1, the only one where Level is 0, has 2e-21.
TEST(FullPrecision, RareZeroValueKeepsItsProbabilityInEveryOutput)
{
    TempDir model, out;
    model.write("line.arm", "1 3\n1 2 3 0\n2 1 2e-20 3 7 0\n3 2 3 0\n");
    model.write("line.var", "Level\n1 0 0\n2 0 1\n3 0 2\n");
    model.write("line.pvtype", "Version:1\nNumPV:1\nName:Level\nType:3\nNumTimes:0\n");
    std::vector<std::string> args = {"-P", "p", "-S", "s", "-E", "line", "-G", model.dir(),
                                     "-s", out.dir(), "-o", out.file("r.txt"),
                                     "-O", out.file("states.txt"), "-f", "-a", "12"};
#ifdef VELMAR_HAVE_JSON
    args.insert(args.end(), {"-j", out.file("r.json")});
#endif
    ProgramResult r = run_program(DSS_BINARY, args);
    ASSERT_EQ(r.status, 0) << r.err;
    // by value 0, 1, 2, which are the states 1, 2, 3
    const std::vector<double> want = birthDeathStationary({3.0, 7.0}, {2e-20, 3.0});
    const double cumulative[] = {want[0], want[0] + want[1], 1.0};

    std::vector<std::pair<double, double>> pdf =
        plot_points(slurp(out.file("line.dss.Level.pdf.splot")));
    ASSERT_EQ(pdf.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(pdf[k].first, (double)k);
        EXPECT_TRUE(valueAgrees(pdf[k].second, want[k], 1e-12)) << k << ": " << pdf[k].second;
    }

    // the 17 digits of the CSV give back the very probability of the state file
    std::istringstream states(slurp(out.file("states.txt")));
    std::string line;
    for (int k = 0; k < 3; ++k) std::getline(states, line);
    double p[3] = {NAN, NAN, NAN};
    for (int i = 0; i < 3; ++i) {
        int state = -1;
        char comma = 0;
        ASSERT_TRUE(states >> state >> comma >> p[i]);
    }
    std::vector<double> csv = dist_numbers(slurp(out.file("r.csv")));
    ASSERT_EQ(csv.size(), 9u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(csv[3 * k], (double)k);
        EXPECT_EQ(csv[3 * k + 1], p[k]) << k;
        EXPECT_TRUE(valueAgrees(csv[3 * k + 1], want[k], 1e-12)) << k << ": " << csv[3 * k + 1];
        EXPECT_TRUE(valueAgrees(csv[3 * k + 2], cumulative[k], 1e-12)) << k << ": " << csv[3 * k + 2];
    }
#ifdef VELMAR_HAVE_JSON
    nlohmann::json doc = nlohmann::json::parse(slurp(out.file("r.json")));
    const nlohmann::json& dist = doc["performanceVariables"][0]["distribution"];
    ASSERT_EQ(dist.size(), 3u);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(dist[k][1].get<double>(), csv[3 * k + 1]) << k;
#endif
}

// The README's worked example: Up, Degraded and Down with rates 2 (Up to Degraded), 1 and 2
// (Degraded to Down and back to Up) and 4 (Down to Up). Balance gives pi = (6, 4, 1) / 11.
TEST(FullPrecision, ReadmeMachineExampleMatchesItsClosedForm)
{
    TempDir dir;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "machine", "-G",
                                               EXAMPLES, "-s", dir.dir(), "-O",
                                               dir.file("states.txt"), "-f"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("States: 3\nTransitions: 4\n"), std::string::npos);
    EXPECT_NE(r.out.find("Performance variable :  Available\nMean                 :  9.090909e-01\n"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Performance variable :  Capacity\nMean                 :  7.272727e-01\n"),
              std::string::npos);
    std::istringstream states(slurp(dir.file("states.txt")));
    std::string line;
    for (int i = 0; i < 3; ++i) std::getline(states, line);
    const double pi[] = {6.0 / 11.0, 4.0 / 11.0, 1.0 / 11.0};
    for (int i = 0; i < 3; ++i) {
        int state = -1;
        char comma = 0;
        double p = 0.0;
        ASSERT_TRUE(states >> state >> comma >> p);
        EXPECT_EQ(state, i);
        EXPECT_NEAR(p, pi[i], 1e-15);
    }
}

#ifdef VELMAR_HAVE_JSON

// Same run: the JSON document against the report, the full-precision CSV and the closed form
// of the M/M/1/5 queue at load 1/2, P(Q = k) = 2^-k (1/2) / (1 - 2^-6).
TEST(JsonResults, FileParsesAndCarriesTheReportsNumbers)
{
    TempDir dir;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "mm1k", "-G", EXAMPLES,
                                               "-s", dir.dir(), "-o", dir.file("r.txt"), "-f",
                                               "-j", dir.file("r.json"), "-a", "12"});
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json doc = nlohmann::json::parse(slurp(dir.file("r.json")));
    std::string report = slurp(dir.file("r.txt"));
    EXPECT_EQ(doc["model"]["experiment"], "mm1k");
    EXPECT_EQ(doc["model"]["states"], 6);
    EXPECT_EQ(doc["model"]["transitions"], 10);
    EXPECT_NE(report.find("States: 6\nTransitions: 10\n"), std::string::npos);
    EXPECT_DOUBLE_EQ(doc["settings"]["accuracy"].get<double>(), 1e-12);
    EXPECT_EQ(doc["valid"], true);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(report, m, std::regex("Computation Time \\(seconds\\): ([0-9.]+)")));
    EXPECT_NEAR(doc["solve"]["computationSeconds"].get<double>(), std::stod(m[1]), 1e-6);
    ASSERT_TRUE(std::regex_search(report, m, std::regex("Peak Memory \\(MiB\\): ([0-9.]+)")));
    EXPECT_NEAR(doc["solve"]["peakMemoryMiB"].get<double>(), std::stod(m[1]), 0.05);
    EXPECT_EQ(doc["solve"]["checkPassed"], true);
    EXPECT_LE(doc["solve"]["checkResidual"].get<double>(), doc["solve"]["checkBound"].get<double>());
    EXPECT_EQ(doc["solve"]["closedClasses"], 1);

    const nlohmann::json& pvs = doc["performanceVariables"];
    ASSERT_EQ(pvs.size(), 2u);
    EXPECT_EQ(pvs[0]["name"], "QueueLength");
    // the report's means and variances, to the report's seven digits
    std::regex block("Performance variable :  (\\w+)\nMean                 :  ([^\n]+)\n"
                     "Variance             :  ([^\n]+)\n");
    size_t k = 0;
    for (std::sregex_iterator it(report.begin(), report.end(), block), end; it != end; ++it, ++k) {
        ASSERT_LT(k, pvs.size());
        EXPECT_EQ(pvs[k]["name"], (*it)[1].str());
        EXPECT_NEAR(pvs[k]["mean"].get<double>() / std::stod((*it)[2]), 1.0, 5e-7);
        EXPECT_NEAR(pvs[k]["variance"].get<double>() / std::stod((*it)[3]), 1.0, 5e-7);
    }
    EXPECT_EQ(k, 2u);
    // the distribution: bit for bit the full-precision CSV, and the closed form
    std::vector<double> csv = dist_numbers(slurp(dir.file("r.csv")));
    const nlohmann::json& dist = pvs[0]["distribution"];
    ASSERT_EQ(dist.size(), 6u);
    ASSERT_GE(csv.size(), 18u);
    std::vector<double> got;
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(dist[i][0].get<double>(), (double)i);
        EXPECT_EQ(dist[i][1].get<double>(), csv[3 * i + 1]) << i;
        got.push_back(dist[i][1].get<double>());
    }
    EXPECT_TRUE(statesAgree(got, mm1kStationary(5, 0.5), 1e-12));
}

TEST(JsonResults, UncreatableFileStopsBeforeTheSolve)
{
    TempDir dir;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "mm1k", "-G", EXAMPLES,
                                               "-s", dir.dir(), "-j", dir.file("no/such.json")});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "Error: -j " + dir.file("no/such.json") +
                         ": the JSON results file cannot be written: the directory " +
                         dir.file("no") + ": No such file or directory; nothing was written.\n");
    EXPECT_EQ(r.out.find("Computation Time"), std::string::npos);
    ProgramResult empty = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "mm1k", "-G",
                                                   EXAMPLES, "-s", dir.dir(), "-j", ""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "Error: option -j: the value \"\" is not a file name.\n");
    EXPECT_EQ(empty.out, "");
}

#else

TEST(JsonResults, OptionSaysThisBuildHasNoJson)
{
    TempDir dir;
    ProgramResult r = run_program(DSS_BINARY, {"-j", dir.file("r.json")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: option -j: JSON results are not available in this build (it was "
                     "made without nlohmann-json).\n");
}

#endif
