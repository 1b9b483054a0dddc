// What a run records of itself, through the program: the resolution floor against closed
// forms, the tidy CSV file read back as a data-frame reader would, and the JSON record of the
// version, the attempts and the phases against the report of the same run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "framework/TidyCsv.h"
#include "report/SolveJson.h"
#include "tests/support/Oracle.h"
#include "tests/support/run_program.h"

#ifdef VELMAR_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace {

const std::string EXAMPLES = std::string(VELMAR_EXAMPLES) + "/";

// A birth-death chain of n states, up at rate `up`, down at `down`, with the PV Level = state.
void writeBirthDeath(const TempDir& dir, int n, double up, double down)
{
    std::ostringstream arm, var;
    arm << "1 " << n << "\n";
    var << "Level\n";
    for (int i = 1; i <= n; ++i) {
        arm << i;
        if (i < n) arm << " " << i + 1 << " " << up;
        if (i > 1) arm << " " << i - 1 << " " << down;
        arm << " 0\n";
        var << i << " 0 " << i - 1 << "\n";
    }
    dir.write("bd.arm", arm.str());
    dir.write("bd.var", var.str());
    dir.write("bd.pvtype", "Version:1\nNumPV:1\nName:Level\nType:3\nNumTimes:0\n");
}

// The fields of one CSV record as RFC 4180 has them (quoted fields, doubled quotes), read
// from text at `at`, which moves past the record's line end.
std::vector<std::string> csvRecord(const std::string& text, size_t& at)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (; at < text.size(); ++at) {
        char c = text[at];
        if (quoted) {
            if (c != '"') fields.back() += c;
            else if (at + 1 < text.size() && text[at + 1] == '"') fields.back() += '"', ++at;
            else quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            ++at;
            break;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::vector<std::string>> csvRecords(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    for (size_t at = 0; at < text.size();) rows.push_back(csvRecord(text, at));
    return rows;
}

// The number a report line states after `label`, NaN when there is none.
double reportFigure(const std::string& report, const std::string& label)
{
    size_t at = report.find(label);
    return at == std::string::npos ? NAN : std::strtod(report.c_str() + at + label.size(), nullptr);
}

// State probabilities of a -O -f file, by state.
std::vector<double> stateFile(const std::string& text)
{
    std::vector<double> p;
    std::istringstream in(text);
    std::string line;
    for (int i = 0; i < 3; ++i) std::getline(in, line);
    int state = 0;
    char comma = 0;
    double v = 0.0;
    while (in >> state >> comma >> v) p.push_back(v);
    return p;
}

}  // namespace

// 40 states whose probabilities fall by 1e-2 each, 1 down to 1e-78, by every method: each
// states a floor not far above the rounding of the largest probability, and every state above
// it agrees with the product form to the accuracy asked for (per state, relative), in the
// state file and in the tidy CSV file alike.
TEST(ResolutionFloorRun, BirthDeathStatesAboveTheFloorMatchTheClosedForm)
{
    const int n = 40;
    const std::vector<double> want =
        birthDeathStationary(std::vector<double>(n - 1, 1.0), std::vector<double>(n - 1, 100.0));
    TempDir model;
    writeBirthDeath(model, n, 1.0, 100.0);
    for (const char* method : {"lu", "gth", "gs", "ilu"}) {
        TempDir out;
        ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "bd", "-G", model.dir(), "-s",
                                                   out.dir(), "-o", out.file("r.txt"), "-O", out.file("s.txt"),
                                                   "-f", "-T", out.file("t.csv"), "-m", method});
        ASSERT_EQ(r.status, 0) << method << r.err;
        const std::string report = slurp(out.file("r.txt"));
        const double floor = reportFigure(report, "Resolution floor: ");
        ASSERT_TRUE(floor > 0.0 && floor < 1e-13) << method << ": " << floor;
        EXPECT_NE(report.find(" (probabilities below it carry no accuracy)\n"), std::string::npos);
        std::vector<double> got = stateFile(slurp(out.file("s.txt")));
        ASSERT_EQ(got.size(), (size_t)n) << method;
        std::vector<std::vector<std::string>> rows = csvRecords(slurp(out.file("t.csv")));
        ASSERT_EQ(rows.size(), (size_t)n + 3) << method;
        int above = 0;
        for (int k = 0; k < n; ++k) {
            // the tidy file holds the very double of the state file (Level k is state k alone)
            ASSERT_EQ(rows[k + 1].size(), 3u);
            EXPECT_EQ(rows[k + 1][1], std::to_string(k));
            EXPECT_EQ(std::strtod(rows[k + 1][2].c_str(), nullptr), got[k]) << method << " " << k;
            if (!(want[k] > floor)) continue;
            ++above;
            EXPECT_TRUE(valueAgrees(got[k], want[k], 1e-9)) << method << " state " << k << ": " << got[k];
        }
        EXPECT_GE(above, 7) << method;  // 1 down to 1e-12 at least
    }
}

// The floor of a run is that of its check: the JSON record carries the same figure, and the
// tidy CSV file's rows hold the JSON distribution's very doubles and the closed form.
#ifdef VELMAR_HAVE_JSON
TEST(JsonRecord, VersionAttemptsPhasesAndFloorAreTheReportsOwn)
{
    ProgramResult v = run_program(DSS_BINARY, {"--version"});
    std::smatch m;
    ASSERT_TRUE(std::regex_search(v.out, m, std::regex("Version ([0-9.]+)"))) << v.out;
    const std::string version = m[1];
    for (const char* method : {"lu", "gs"}) {
        TempDir dir;
        ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "mm1k", "-G", EXAMPLES, "-s",
                                                   dir.dir(), "-o", dir.file("r.txt"), "-j", dir.file("r.json"),
                                                   "-T", dir.file("t.csv"), "-m", method});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string report = slurp(dir.file("r.txt"));
        nlohmann::json doc = nlohmann::json::parse(slurp(dir.file("r.json")));
        EXPECT_EQ(doc["version"], version);
        // each attempt with its method; the last one's work as the report states it
        const nlohmann::json& attempts = doc["attempts"];
        ASSERT_GE(attempts.size(), 1u);
        EXPECT_EQ(attempts.size(), doc["solve"]["attempts"].get<size_t>());
        const nlohmann::json& last = attempts.back();
        EXPECT_EQ(last["method"], method);
        EXPECT_EQ(last["checkPassed"], true);
        EXPECT_EQ(last["factorEntries"].get<double>(), reportFigure(report, "Entries in the factors: "));
        if (std::string(method) == "gs") {
            EXPECT_EQ(last["ordering"], "none");
            EXPECT_EQ(last["iterations"].get<double>(), reportFigure(report, "Method gs: Gauss-Seidel, "));
            EXPECT_GT(last["iterations"].get<int>(), 0);
        }
        // the phases: five wall-clock figures, the report's line to its six decimals
        const char* names[] = {"reading", "structureAnalysis", "solving", "pvEvaluation", "writing"};
        const char* labels[] = {"reading ", "structure analysis ", "solving ", "PV evaluation ", "writing "};
        size_t line = report.find("Phases (wall seconds): ");
        ASSERT_NE(line, std::string::npos);
        std::string phases = report.substr(line, report.find('\n', line) - line);
        for (int k = 0; k < 5; ++k) {
            double j = doc["phases"][names[k]].get<double>();
            EXPECT_TRUE(std::isfinite(j) && j >= 0.0) << names[k] << " " << j;
            EXPECT_NEAR(reportFigure(phases, labels[k]), j, 5.1e-7) << names[k];
        }
        // the checks' share of solving, which the benchmark shows as a phase of its own
        const double checking = doc["phases"]["checking"].get<double>();
        EXPECT_GT(checking, 0.0);
        EXPECT_LE(checking, doc["phases"]["solving"].get<double>());
        const double floor = doc["solve"]["resolutionFloor"].get<double>();
        EXPECT_NEAR(reportFigure(report, "Resolution floor: ") / floor, 1.0, 0.06);
        // the tidy file: header, six values, mean and variance of QueueLength
        std::vector<std::vector<std::string>> rows = csvRecords(slurp(dir.file("t.csv")));
        ASSERT_EQ(rows.size(), 1u + 8u + 4u);
        EXPECT_EQ(rows[0], (std::vector<std::string>{"pv", "value", "probability"}));
        const nlohmann::json& q = doc["performanceVariables"][0];
        std::vector<double> p;
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(rows[k + 1][0], "QueueLength");
            EXPECT_EQ(std::strtod(rows[k + 1][1].c_str(), nullptr), (double)k);
            p.push_back(std::strtod(rows[k + 1][2].c_str(), nullptr));
            EXPECT_EQ(p.back(), q["distribution"][k][1].get<double>()) << k;
        }
        EXPECT_TRUE(statesAgree(p, mm1kStationary(5, 0.5), 1e-12));
        EXPECT_EQ(rows[7][1], "mean");
        EXPECT_EQ(std::strtod(rows[7][2].c_str(), nullptr), q["mean"].get<double>());
        EXPECT_EQ(rows[8][1], "variance");
        EXPECT_EQ(std::strtod(rows[8][2].c_str(), nullptr), q["variance"].get<double>());
        EXPECT_EQ(rows[9][0], "ServerBusy");
    }
}

// A vector that failed its check has no floor: null in the JSON record, never a number.
TEST(JsonRecord, FloorOfAFailedCheckIsNull)
{
    SolveRecord record;
    record.attempts.emplace_back();
    record.attempts.back().method = "gs";
    record.check.passed = false;
    record.check.resolutionFloor = 1e-14;  // measured on an earlier pass, no longer the answer's
    JsonRun run;
    run.solve = solveFields(record, SolveFigures());
    for (const SolveAttempt& a : record.attempts) run.attempts.push_back(attemptFields(a));
    nlohmann::json doc = nlohmann::json::parse(jsonResultsText(run));
    EXPECT_TRUE(doc["solve"]["resolutionFloor"].is_null()) << doc["solve"];
    EXPECT_EQ(doc["attempts"][0]["method"], "gs");
    record.check.passed = true;
    run.solve = solveFields(record, SolveFigures());
    doc = nlohmann::json::parse(jsonResultsText(run));
    EXPECT_EQ(doc["solve"]["resolutionFloor"].get<double>(), 1e-14);
}
#endif

// Numbers read back as the same double with the fewest digits; what is not a number is
// written as R and pandas read it; names are quoted only when a reader would split them.
TEST(TidyCsv, FieldsReadBackAsWritten)
{
    std::mt19937_64 gen(7);
    for (int i = 0; i < 2000; ++i) {
        uint64_t bits = gen();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x)) continue;
        std::string text = csvNumber(x);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), x) << text;
        EXPECT_EQ(text.find_first_of(", \""), std::string::npos) << text;
    }
    EXPECT_EQ(csvNumber(0.1), "0.1");
    EXPECT_EQ(csvNumber(-0.0), "0");
    EXPECT_EQ(csvNumber(1e-300), "1e-300");
    EXPECT_EQ(csvNumber(NAN), "NaN");
    EXPECT_EQ(csvNumber(INFINITY), "Inf");
    EXPECT_EQ(csvNumber(-INFINITY), "-Inf");
    EXPECT_EQ(csvField("Queue_1"), "Queue_1");
    for (std::string name : {"a,b", "say \"hi\"", "two\nlines", " padded", "x\r"}) {
        std::string line = csvField(name) + ",1\n";
        size_t at = 0;
        std::vector<std::string> fields = csvRecord(line, at);
        ASSERT_EQ(fields.size(), 2u) << line;
        EXPECT_EQ(fields[0], name);
    }
    std::vector<PVResult> pvs(1);
    pvs[0].name = "D,\"x\"";
    pvs[0].x = {0.0, 1.0};
    pvs[0].p = {0.75, 0.25};
    pvs[0].mean = 0.25;
    pvs[0].variance = 0.1875;
    EXPECT_EQ(tidyCsvText(pvs), "pv,value,probability\n\"D,\"\"x\"\"\",0,0.75\n\"D,\"\"x\"\"\",1,0.25\n"
                                "\"D,\"\"x\"\"\",mean,0.25\n\"D,\"\"x\"\"\",variance,0.1875\n");
}
