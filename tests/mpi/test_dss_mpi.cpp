// dss-mpi (on the processes of the test run, VELMAR_TEST_PROCESSES) against dense solves
// (GTH), closed forms and dss's own answers, the petsc method's part of the report, PETSc's
// options, and the end of every process on malformed input, interrupts and full disks.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/dss/dss_harness.h"
#include "tests/support/program_under_test.h"

namespace {

// Runs dss-mpi on the processes of the test run (VELMAR_TEST_PROCESSES).
ProgramResult runMpi(const std::vector<std::string>& args) { return run_dss(args); }

// Runs dss-mpi on `procs` processes.
ProgramResult runMpiOn(int procs, const std::vector<std::string>& args)
{
    std::vector<std::string> words = mpiexec_words(procs);
    words.insert(words.end(), args.begin(), args.end());
    return run_program(MPIEXEC_BINARY, words, "", mpi_environment({}));
}

std::string where() { return " on " + std::to_string(test_processes()) + " processes"; }

// The usual options for experiment e in directory g, writing into directory s.
std::vector<std::string> options(const std::string& g, const std::string& e, const std::string& s)
{
    return {"-P", "p", "-S", "s", "-E", e, "-G", g, "-s", s, "-o", s + "r.txt"};
}

// What a report and CSV print about the PVs: the Mean and Variance lines, then the CSV
// (without it when the CSV carries 17 digits, -f).
std::string printed(const std::string& dir, bool withCsv = true)
{
    std::istringstream report(slurp(dir + "r.txt"));
    std::string line, lines;
    while (std::getline(report, line))
        if (line.rfind("Mean ", 0) == 0 || line.rfind("Variance ", 0) == 0 ||
            line.rfind("Performance variable", 0) == 0)
            lines += line + "\n";
    return withCsv ? lines + slurp(dir + "r.csv") : lines;
}

// The chain of a well-formed .arm file as edges between states numbered from 0.
Edges readArm(const std::string& path, int& n)
{
    std::ifstream in(path);
    int initial = 0;
    in >> initial >> n;
    Edges e;
    for (int s = 0; s < n; ++s) {
        int number, j;
        double r;
        in >> number;
        while (in >> j && j != 0) {
            in >> r;
            e.push_back({number - 1, j - 1, r});
        }
    }
    return e;
}

// Probabilities of a state file written with -f (17 significant digits).
std::vector<double> readStates(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    for (int k = 0; k < 3; ++k) std::getline(in, line);
    std::vector<double> pi;
    long s;
    char comma;
    double p;
    while (in >> s >> comma >> p) pi.push_back(p);
    return pi;
}

// The report's last check line passed.
bool checkPassed(const std::string& dir)
{
    const std::string report = slurp(dir + "r.txt");
    const size_t line = report.rfind("Solution check (infinity norm): ||pi Q||/(||Q|| ||pi||) = ");
    return line != std::string::npos && report.find(": passed.\n", line) != std::string::npos;
}

// Solves experiment e of directory g with dss and with dss-mpi: status 0, a check that
// passed, the same printed results, every probability within 1e-9 of `want`.
void expectAgreement(const std::string& g, const std::string& e, const std::vector<double>& want)
{
    TempDir ref, out;
    ProgramResult d = run_program(DSS_BINARY, options(g, e, ref.dir()));
    ASSERT_EQ(d.status, 0) << d.err;
    std::vector<std::string> args = options(g, e, out.dir());
    args.insert(args.end(), {"-f", "-O", out.file("states")});
    ProgramResult m = runMpi(args);
    ASSERT_EQ(m.status, 0) << e << where() << m.out << m.err;
    EXPECT_TRUE(checkPassed(out.dir())) << e << where() << slurp(out.file("r.txt"));
    EXPECT_EQ(printed(out.dir(), false), printed(ref.dir(), false)) << e << where();
    EXPECT_LT(maxDifference(readStates(out.file("states")), want), 1e-9) << e << where();
}

// Writes the flat files of a chain with one PV "Level" (the state number plus offset) into
// dir as e.
void writeChain(const TempDir& dir, const std::string& e, int n, const Edges& edges, double offset = 0.0)
{
    std::vector<std::vector<std::pair<int, double>>> rows((size_t)n);
    for (const auto& x : edges) rows[(size_t)x.row].push_back({x.col, x.rate});
    std::ostringstream arm, var;
    arm << "1 " << n << "\n";
    var << "Level\n";
    arm.precision(17);
    for (int s = 0; s < n; ++s) {
        arm << s + 1;
        for (auto& [j, r] : rows[(size_t)s]) arm << " " << j + 1 << " " << r;
        arm << " 0\n";
        var << s + 1 << " " << offset << " " << s << "\n";
    }
    dir.write(e + ".arm", arm.str());
    dir.write(e + ".var", var.str());
    dir.write(e + ".pvtype", "Version:1\nNumPV:1\nName:Level\nType:3\nNumTimes:0\n");
}

// Runs ssgen with the words given.
void ssgen(const std::vector<std::string>& words)
{
    ASSERT_EQ(run_program(SSGEN_BINARY, words).status, 0);
}

}  // namespace

TEST(DssMpi, BundledExamplesAgreeWithTheGthAnswerOfDssStateByState)
{
    for (const char* e : {"machine", "mm1k", "tandem"}) {
        std::string g = std::string(VELMAR_EXAMPLES) + "/";
        TempDir ref, out;
        std::vector<std::string> d = options(g, e, ref.dir()), m = options(g, e, out.dir());
        d.insert(d.end(), {"-m", "gth", "-f", "-O", ref.file("states")});
        m.insert(m.end(), {"-f", "-O", out.file("states")});
        ProgramResult dr = run_program(DSS_BINARY, d);
        ASSERT_EQ(dr.status, 0) << dr.err;
        ProgramResult mr = runMpi(m);
        ASSERT_EQ(mr.status, 0) << e << where() << mr.out << mr.err;
        const std::string report = slurp(out.file("r.txt"));
        // the answer is the petsc method's own, not gth's after it
        EXPECT_NE(report.find("Method petsc: KSP "), std::string::npos) << report;
        EXPECT_EQ(report.find("continued with gth"), std::string::npos) << report;
        EXPECT_TRUE(checkPassed(out.dir())) << report;
        const std::vector<double> got = readStates(out.file("states")), want = readStates(ref.file("states"));
        EXPECT_TRUE(statesAgree(got, want, 1e-9)) << e << where();
        RecordProperty(std::string(e) + "_relative_error", std::to_string(relativeErrors(got, want).worst));
        EXPECT_EQ(printed(out.dir(), false), printed(ref.dir(), false)) << e << where();
    }
}

TEST(DssMpi, BundledExamplesAgreeWithDenseSolves)
{
    for (const char* e : {"mm1k", "tandem"}) {
        int n = 0;
        Edges edges = readArm(std::string(VELMAR_EXAMPLES) + "/" + e + ".arm", n);
        expectAgreement(std::string(VELMAR_EXAMPLES) + "/", e, gthSolve(generator(n, edges)));
    }
}

TEST(DssMpi, GeneratedChainsAgreeWithDssAndDenseSolves)
{
    TempDir g;
    ssgen({"tandem", "20", "25", "1.0", "1.3", "1.1", g.file("tan")});
    ssgen({"random", "400", "4", "11", g.file("rnd")});
    for (const char* e : {"tan", "rnd"}) {
        int n = 0;
        Edges edges = readArm(g.file(std::string(e) + ".arm"), n);
        expectAgreement(g.dir(), e, gthSolve(generator(n, edges)));
    }
}

TEST(DssMpi, BirthDeathChainInAnyUnitOfTimeMatchesTheClosedForm)
{
    // 500 places, arrivals 0.8 c and service c: pi_i proportional to 0.8^i (down to 1e-49)
    const int n = 500;
    std::vector<double> want(n);
    double p = 1.0, total = 0.0;
    for (int i = 0; i < n; ++i, p *= 0.8) total += (want[(size_t)i] = p);
    for (double& x : want) x /= total;
    for (double c : {1e-12, 1e12}) {
        Edges e = birthDeath(std::vector<double>(n - 1, 0.8 * c), std::vector<double>(n - 1, c));
        TempDir g;
        writeChain(g, "bd", n, e);
        expectAgreement(g.dir(), "bd", want);
    }
}

TEST(DssMpi, ExtremeRatesAndOffsetValuesGiveTheResultsOfDss)
{
    // cycles whose rates span up to 310 decades: the time in a state is inversely proportional
    // to its rate; then a PV offset by 1e9, whose variance must be taken around the mean
    for (std::vector<double> rates : {std::vector<double>{1e150, 1.0, 1e-150}, {1e300, 1.0, 1e-10}, {1e12, 7.0, 1e-5}}) {
        Edges e;
        std::vector<double> want;
        double total = 0.0;
        for (int i = 0; i < 3; ++i) {
            e.push_back({i, (i + 1) % 3, rates[(size_t)i]});
            want.push_back(1.0 / rates[(size_t)i]);
            total += want.back();
        }
        for (double& x : want) x /= total;
        TempDir g;
        writeChain(g, "cyc", 3, e);
        expectAgreement(g.dir(), "cyc", want);
    }
    TempDir g, out;
    writeChain(g, "off", 2, {{0, 1, 1.0}, {1, 0, 1.0}}, 1e9);
    expectAgreement(g.dir(), "off", {0.5, 0.5});
    ASSERT_EQ(runMpi(options(g.dir(), "off", out.dir())).status, 0);
    EXPECT_NE(slurp(out.file("r.txt")).find("Mean                 :  1.000000e+09\nVariance             :  2.500000e-01\n"),
              std::string::npos);
}

// More processes than states, and shares that differ in size: processes without a row of
// their own take part in the solve all the same. The tandem's records are spread over many
// lines, one word a line.
TEST(DssMpi, ChainsOfFewerStatesThanProcessesAreSolved)
{
    TempDir g;
    writeChain(g, "two", 2, {{0, 1, 1.0}, {1, 0, 3.0}});
    ssgen({"tandem", "12", "9", "1.0", "1.3", "1.1", g.file("t")});
    int n = 0;
    Edges edges = readArm(g.file("t.arm"), n);
    std::string arm = slurp(g.file("t.arm"));
    std::replace(arm.begin(), arm.end(), ' ', '\n');
    g.write("t.arm", arm);
    const std::vector<std::pair<std::string, std::vector<double>>> cases = {
        {"two", {0.75, 0.25}}, {"t", gthSolve(generator(n, edges))}};
    for (const auto& [e, want] : cases) {
        TempDir out;
        std::vector<std::string> args = options(g.dir(), e, out.dir());
        args.insert(args.end(), {"-f", "-O", out.file("states")});
        ProgramResult m = runMpiOn(3, args);
        ASSERT_EQ(m.status, 0) << e << m.out << m.err;
        EXPECT_LT(maxDifference(readStates(out.file("states")), want), 1e-9) << e;
        EXPECT_NE(slurp(out.file("r.txt")).find(" on 3 processes, "), std::string::npos);
    }
}

TEST(DssMpi, ChainsWithTransientStatesPassTheCheck)
{
    // state 3 absorbs: pi = (0, 0, 1) exactly, the transient states without any flow
    std::string g = std::string(VELMAR_TEST_DATA) + "/statelevel/";
    TempDir ref, out;
    ASSERT_EQ(run_program(DSS_BINARY, options(g, "three", ref.dir())).status, 0);
    ProgramResult m = runMpi(options(g, "three", out.dir()));
    EXPECT_EQ(m.status, 0) << m.out << m.err << slurp(out.file("r.txt"));
    EXPECT_EQ(printed(out.dir()), printed(ref.dir()));
    // the closed class {2, 3} between transient states 1 (the initial one) and 4: neither the
    // initial nor the last state's equation may be replaced
    Edges e = {{0, 1, 1.0}, {1, 2, 2.0}, {2, 1, 1.0}, {3, 0, 5.0}};
    TempDir chain;
    writeChain(chain, "tr", 4, e);
    expectAgreement(chain.dir(), "tr", {0.0, 1.0 / 3.0, 2.0 / 3.0, 0.0});
}

// dss-mpi says what dss says, once, on the same streams, with the same status and no file.
static ProgramResult expectTheLinesOfDss(const std::string& g, const std::string& e, const std::string& what)
{
    TempDir out;
    ProgramResult d = run_program(DSS_BINARY, options(g, e, out.dir()));
    ProgramResult m = runMpi(options(g, e, out.dir()));
    EXPECT_EQ(d.status, 1) << what;
    EXPECT_EQ(m.status, 1) << what << where();
    EXPECT_NE(d.err, "") << what;
    EXPECT_EQ(m.err, d.err) << what << where();
    EXPECT_EQ(m.out, d.out) << what << where();
    EXPECT_TRUE(std::filesystem::is_empty(out.path)) << what;
    return m;
}

TEST(DssMpi, MalformedFilesEndEveryProcessWithTheMessageOfDss)
{
    std::string g = std::string(VELMAR_TEST_DATA) + "/statelevel/";
    for (const char* e : {"arm_rows_swapped", "absent", "arm_eof", "arm_word",
                          "arm_dest_high", "arm_huge_n", "onestate", "var_state_high", "var_huge_value",
                          "var_eof_in_record", "var_duplicate_name", "var_slash_name"})
        expectTheLinesOfDss(g, e, e);
    // the missing row's place, on standard error beside the message on standard output
    ProgramResult m = expectTheLinesOfDss(g, "missingrow", "missingrow");
    EXPECT_EQ(m.out.rfind("There is a missing row in the matrix.\n", 0), 0u) << m.out;
    EXPECT_EQ(m.err.rfind(g + "missingrow.arm, line 4, at \"4\": the record of state 3 was expected.\n", 0), 0u)
        << m.err;
}

// A record number of the .var file is a whole word of digits from 1 to N, in the first record
// and in any later one, as dss reads it.
TEST(DssMpi, VarRecordNumbersThatAreNotWholeNumbersAreRefusedAsByDss)
{
    for (std::string number : {"1.9", "1x", "3"}) {
        for (bool firstRecord : {true, false}) {
            TempDir dir;
            dir.write("v.arm", "1 2\n1 2 1.0 0\n2 1 3.0 0\n");
            dir.write("v.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
            dir.write("v.var", "Up\n" + (firstRecord ? number + " 0 1\n2 0 0\n" : "2 0 0\n" + number + " 0 1\n"));
            ProgramResult m = expectTheLinesOfDss(dir.dir(), "v", number);
            EXPECT_EQ(m.err.rfind("Error reading performance variable file (.var file) possibly due to corruption.\n" +
                                      dir.file("v.var") + ", line " + (firstRecord ? "2" : "3") + ", at \"" + number +
                                      "\": the record number is not a whole number from 1 to 2.\n",
                                  0),
                      0u)
                << m.err;
        }
    }
}

TEST(DssMpi, OutputThatCannotBeCreatedAndMissingOptionsEndWithStatusOne)
{
    std::string g = std::string(VELMAR_EXAMPLES) + "/";
    TempDir out;
    std::vector<std::string> args = options(g, "mm1k", out.dir());
    args.back() = out.file("no/such/dir/r.txt");
    ProgramResult m = runMpi(args);
    EXPECT_EQ(m.status, 1);
    EXPECT_EQ(m.err, "Error: -o " + out.file("no/such/dir/r.txt") +
                         ": the report file cannot be written: the directory " + out.file("no/such/dir") +
                         ": No such file or directory; nothing was written.\n");
    EXPECT_EQ(m.out, "");
    ProgramResult u = runMpi({"-G", g, "-E", "mm1k"});
    EXPECT_EQ(u.status, 1);
    EXPECT_EQ(u.err, run_program(DSS_BINARY, {"-G", g, "-E", "mm1k"}).err);
    EXPECT_NE(u.err.find("\nOptions:\n-P <project name>\n"), std::string::npos) << u.err;
}

// An output named after an input is refused before anything is written: the input stays.
TEST(DssMpi, OutputThatIsAnInputIsRefusedAndTheInputStays)
{
    TempDir model, out;
    for (const char* ext : {".arm", ".var", ".pvtype"})
        model.write(std::string("tandem") + ext, slurp(std::string(VELMAR_EXAMPLES) + "/tandem" + ext));
    const std::string var = slurp(model.file("tandem.var"));
    ProgramResult m = runMpi({"-P", "p", "-S", "s", "-E", "tandem", "-G", model.dir(), "-s", out.dir(), "-O",
                              model.file("tandem.var")});
    EXPECT_EQ(m.status, 1);
    EXPECT_EQ(m.err, "Error: the state probability file " + model.file("tandem.var") +
                         " is the PV value file " + model.dir() + "tandem.var; nothing was written.\n");
    EXPECT_EQ(slurp(model.file("tandem.var")), var);
    EXPECT_TRUE(std::filesystem::is_empty(out.path));
}

// A state file on a full device leaves the previous report and CSV as they were, and no
// temporary file beside them.
TEST(DssMpi, StateFileOnAFullDeviceLeavesThePreviousResults)
{
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full";
    std::string g = std::string(VELMAR_EXAMPLES) + "/";
    TempDir out;
    for (const char* name : {"r.txt", "r.csv"}) out.write(name, std::string("previous ") + name);
    ASSERT_EQ(symlink("/dev/full", out.file("states").c_str()), 0);
    std::vector<std::string> args = options(g, "tandem", out.dir());
    args.insert(args.end(), {"-O", out.file("states")});
    ProgramResult m = runMpi(args);
    EXPECT_EQ(m.status, 1);
    EXPECT_EQ(m.err, "Error writing file " + out.file("states") + ": No space left on device\n");
    for (const char* name : {"r.txt", "r.csv"})
        EXPECT_EQ(slurp(out.file(name)), std::string("previous ") + name) << name;
    for (const auto& e : std::filesystem::directory_iterator(out.path))
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

// The files of a directory and their bytes.
static std::map<std::string, std::string> filesOf(const TempDir& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path))
        files[e.path().filename().string()] = e.is_regular_file() ? slurp(e.path().string()) : "(not a file)";
    return files;
}

// Waits until the report's temporary file has been begun in dir.
static bool reportBegun(const TempDir& out)
{
    for (int i = 0; i < 6000; ++i) {  // the wait is bounded only so a fault ends it
        for (const auto& e : std::filesystem::directory_iterator(out.path))
            if (e.path().filename().string().rfind(".r.txt.", 0) == 0 && std::filesystem::file_size(e.path()) > 0)
                return true;
        usleep(10000);
    }
    return false;
}

// SIGINT to every process, as Ctrl-C sends it, while the first one is held opening a state
// file that is a named pipe nobody reads, with the report begun: the previous results stay,
// no temporary file is left, one process says so and the run ends with 130. The same when
// the first process alone is interrupted: the others, waiting for it, end with it.
TEST(DssMpi, InterruptLeavesThePreviousResultsAndIsToldOnce)
{
    for (bool everyProcess : {true, false}) {
        std::string g = std::string(VELMAR_EXAMPLES) + "/";
        TempDir out;
        for (const char* name : {"r.txt", "r.csv", "tandem.dss.Queue1.pdf.splot"})
            out.write(name, std::string("previous ") + name);
        std::string pipe = out.file("pipe");
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        auto before = filesOf(out);
        std::vector<std::string> args = options(g, "tandem", out.dir());
        args.insert(args.end(), {"-O", pipe});
        StartedProgram p = start_dss(args);
        EXPECT_TRUE(reportBegun(out));
        std::vector<pid_t> ranks = children_of(p.pid);
        EXPECT_EQ(ranks.size(), (size_t)test_processes());
        std::sort(ranks.begin(), ranks.end());  // started in order: the first process first
        if (everyProcess) signal_dss(p, SIGINT);
        else kill(ranks.front(), SIGINT);
        ProgramResult m = finish_program(p);
        EXPECT_EQ(m.status, 130) << m.err;
        const std::string told = "Interrupted: no results were written\n";
        EXPECT_EQ(m.err, told) << everyProcess;
        EXPECT_EQ(m.out, "");
        EXPECT_EQ(filesOf(out), before);
    }
}

TEST(DssMpi, WordsAfterPetscReachPetsc)
{
    std::string g = std::string(VELMAR_EXAMPLES) + "/";
    TempDir out;
    std::vector<std::string> args = options(g, "tandem", out.dir());
    for (const char* w : {"--petsc", "-ksp_type", "gmres", "-pc_type", "jacobi"}) args.push_back(w);
    ProgramResult m = runMpi(args);
    ASSERT_EQ(m.status, 0) << m.out << m.err;
    EXPECT_NE(slurp(out.file("r.txt")).find("Method petsc: KSP gmres with jacobi on " +
                                            std::to_string(test_processes()) + " process"),
              std::string::npos)
        << slurp(out.file("r.txt"));
    EXPECT_TRUE(checkPassed(out.dir()));

    // a PETSc failure is the method's: its line says so, and gth answers as after any method
    // that produced no vector
    args.back() = "nonsense";  // -pc_type nonsense
    ProgramResult bad = runMpi(args);
    EXPECT_EQ(bad.status, 0) << bad.err;
    EXPECT_NE(bad.err.find("Unable to find requested PC type nonsense"), std::string::npos) << bad.err;
    std::string report = slurp(out.file("r.txt"));
    EXPECT_NE(report.find("Method petsc: PETSc stopped the solve with error code "), std::string::npos) << report;
    EXPECT_NE(report.find("Solution not certified (petsc: no vector); continued with gth.\n"), std::string::npos)
        << report;
    EXPECT_TRUE(checkPassed(out.dir()));
}

// The numbers of a plot file, in order, and its text with every number taken out.
static std::pair<std::vector<double>, std::string> plotParts(const std::string& text)
{
    std::vector<double> numbers;
    std::string words;
    for (size_t k = 0; k < text.size();) {
        char* end = nullptr;
        double v = (std::isdigit((unsigned char)text[k]) || text[k] == '-') ? strtod(&text[k], &end) : 0.0;
        if (end != nullptr && end != &text[k]) {
            numbers.push_back(v);
            k = (size_t)(end - text.c_str());
            words += '#';
        } else {
            words += text[k++];
        }
    }
    return {numbers, words};
}

TEST(DssMpi, StateFileAndComplementaryPlotsMatchDss)
{
    std::string g = std::string(VELMAR_EXAMPLES) + "/";
    TempDir ref, out;
    std::vector<std::string> d = options(g, "tandem", ref.dir()), m = options(g, "tandem", out.dir());
    d.insert(d.end(), {"-c", "-O", ref.file("states")});
    m.insert(m.end(), {"-c", "-O", out.file("states")});
    ASSERT_EQ(run_program(DSS_BINARY, d).status, 0);
    ProgramResult r = runMpi(m);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(slurp(out.file("states")), slurp(ref.file("states")));
    EXPECT_EQ(printed(out.dir()), printed(ref.dir()));
    for (const char* plot : {"tandem.dss.Queue1.pdf.splot", "tandem.dss.Queue2.cdf.splot"}) {
        auto want = plotParts(slurp(ref.file(plot))), got = plotParts(slurp(out.file(plot)));
        EXPECT_EQ(got.second, want.second) << plot;
        EXPECT_LT(maxDifference(got.first, want.first), 1e-9) << plot;
    }
}

TEST(DssMpi, NearlyDecomposableChainsAreAnsweredStateByState)
{
    // two rings joined at 1e-12 both ways, lopsided, and three states whose absorbing one is
    // reached at 1e-20: the Krylov vector balances every state and is still wrong, so gth
    // answers; rare failures with slow repairs, and transient states that drain slowly
    Edges rings;
    for (int s = 0; s < 10; ++s) {
        const int first = s < 5 ? 0 : 5;
        rings.push_back({s, first + (s - first + 1) % 5, 1.0 + 0.3 * s});
        rings.push_back({s, first + (s - first + 3) % 5, 0.5});
    }
    rings.push_back({2, 7, 1e-12});
    rings.push_back({8, 1, 3e-12});
    const Edges absorbing = {{0, 1, 1.0}, {1, 0, 1.0}, {1, 2, 1e-20}};
    // 30 components failing at 1e-9 each, one repairer at 1e-2: unavailability about 3e-6
    Edges repairs;
    for (int k = 0; k < 30; ++k) {
        repairs.push_back({k, k + 1, 1e-9 * (30 - k)});
        repairs.push_back({k + 1, k, 1e-2});
    }
    // a ring of four transient states draining into a ring of five at 1e-14
    Edges draining;
    for (int s = 0; s < 4; ++s) draining.push_back({s, (s + 1) % 4, 1.0 + s});
    for (int s = 4; s < 9; ++s) draining.push_back({s, 4 + (s - 3) % 5, 2.0 - 0.1 * s});
    draining.push_back({2, 6, 1e-14});
    struct Case {
        const char* name;
        int n;
        Edges edges;
    };
    for (const Case& c : {Case{"rings", 10, rings}, Case{"absorbing", 3, absorbing}, Case{"repairs", 31, repairs},
                          Case{"draining", 9, draining}}) {
        TempDir g;
        writeChain(g, c.name, c.n, c.edges);
        std::vector<double> want = denseStationary(c.n, c.edges);
        TempDir out;
        std::vector<std::string> args = options(g.dir(), c.name, out.dir());
        args.insert(args.end(), {"-f", "-O", out.file("states")});
        ProgramResult m = runMpi(args);
        const std::string report = slurp(out.file("r.txt"));
        ASSERT_EQ(m.status, 0) << c.name << where() << m.out << m.err << report;
        EXPECT_TRUE(checkPassed(out.dir())) << report;
        std::vector<double> pi = readStates(out.file("states"));
        ASSERT_EQ(pi.size(), want.size()) << c.name << where();
        for (size_t i = 0; i < pi.size(); ++i)
            EXPECT_LE(std::fabs(pi[i] - want[i]), 1e-9 * want[i]) << c.name << where() << " state " << i;
    }
}

TEST(DssMpi, NumbersNotWholeAndRatesThatUnderflowAreNamedAsDssNamesThem)
{
    std::string g = std::string(VELMAR_TEST_DATA) + "/statelevel/";
    TempDir big;
    // a ring of 400 states with one rate that underflows far into the file
    std::string arm = "1 400\n";
    for (int s = 1; s <= 400; ++s)
        arm += std::to_string(s) + " " + std::to_string(s % 400 + 1) + (s == 300 ? " 1e-320" : " 1.5") + " 0\n";
    big.write("ring.arm", arm);
    big.write("head.arm", "1 2x\n1 2 1.0 0\n2 1 1.0 0\n");
    std::string ring = "1 400\n";
    for (int s = 1; s <= 400; ++s) ring += std::to_string(s) + " " + std::to_string(s % 400 + 1) + " 1.5 0\n";
    big.write("past.arm", ring + "401 1 1.0 0\n");
    const std::pair<std::string, std::string> cases[] = {
        {g, "arm_rate_underflow"}, {g, "arm_rate_subnormal"}, {g, "arm_rates_run_together"},
        {g, "arm_state_with_fraction"}, {big.dir(), "ring"}, {big.dir(), "head"},
        {g, "arm_row_past_n"}, {g, "arm_trailing_word"}, {big.dir(), "past"}};
    for (const auto& [dir, name] : cases) {
        ProgramResult m = expectTheLinesOfDss(dir, name, name);
        EXPECT_EQ(m.err.rfind("Error reading state space file " + dir + name + ".arm, line ", 0), 0u) << m.err;
    }
}

// PRISM's explicit files and DRN text are read as dss reads them.
TEST(DssMpi, PrismAndDrnModelsGiveTheResultsOfDss)
{
    const std::string data = std::string(VELMAR_TEST_DATA) + "/";
    for (const std::string& dir : {data + "prism/", data + "drn/"}) {
        TempDir ref, out;
        std::vector<std::string> d = options(dir, "tandem", ref.dir()), m = options(dir, "tandem", out.dir());
        ProgramResult dr = run_program(DSS_BINARY, d);
        ASSERT_EQ(dr.status, 0) << dr.err;
        ProgramResult mr = runMpi(m);
        ASSERT_EQ(mr.status, 0) << dir << where() << mr.out << mr.err;
        EXPECT_EQ(mr.err, dr.err) << dir;
        EXPECT_TRUE(checkPassed(out.dir())) << slurp(out.file("r.txt"));
        EXPECT_NE(printed(ref.dir()), "");
        EXPECT_EQ(printed(out.dir()), printed(ref.dir())) << dir;
    }
}

// -m picks any method of dss, which runs on the first process; the default is petsc, which
// --help names with --petsc.
TEST(DssMpi, MethodOptionAndHelp)
{
    std::string g = std::string(VELMAR_EXAMPLES) + "/";
    TempDir out, ref;
    std::vector<std::string> args = options(g, "mm1k", out.dir());
    ProgramResult byDefault = runMpi(args);
    ASSERT_EQ(byDefault.status, 0) << byDefault.err;
    EXPECT_NE(slurp(out.file("r.txt")).find("\nMethod: petsc\n"), std::string::npos);
    args.insert(args.end(), {"-m", "gth"});
    ProgramResult gth = runMpi(args);
    ASSERT_EQ(gth.status, 0) << gth.err;
    const std::string report = slurp(out.file("r.txt"));
    EXPECT_NE(report.find("\nMethod: gth\n"), std::string::npos);
    EXPECT_NE(report.find("Method gth: elimination"), std::string::npos);
    EXPECT_EQ(report.find("Method petsc"), std::string::npos);
    std::vector<std::string> d = options(g, "mm1k", ref.dir());
    d.insert(d.end(), {"-m", "gth"});
    ASSERT_EQ(run_program(DSS_BINARY, d).status, 0);
    EXPECT_EQ(printed(out.dir()), printed(ref.dir()));

    args.back() = "fast";
    ProgramResult unknown = runMpi(args);
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "dss: unknown method \"fast\" for -m: use lu, gth, ilu, gs, mla, petsc or auto\n");

    ProgramResult help = runMpi({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(run_program(DSS_BINARY, {"--help"}).out, 0), 0u) << help.out;
    EXPECT_NE(help.out.find("[-m petsc]"), std::string::npos);
    EXPECT_NE(help.out.find("[--petsc <PETSc options>...]"), std::string::npos);
}

#ifdef VELMAR_HAVE_JSON
// The JSON results file is written as by dss, naming the program, with the check of the
// petsc method's answer and the PVs of dss's.
TEST(DssMpi, JsonResultsAreWrittenAsByDss)
{
    std::string g = std::string(VELMAR_EXAMPLES) + "/";
    TempDir out, ref;
    std::vector<std::string> args = options(g, "mm1k", out.dir()), d = options(g, "mm1k", ref.dir());
    args.insert(args.end(), {"-j", out.file("r.json")});
    d.insert(d.end(), {"-j", ref.file("r.json")});
    ProgramResult m = runMpi(args);
    ASSERT_EQ(m.status, 0) << m.err;
    ASSERT_EQ(run_program(DSS_BINARY, d).status, 0);
    const std::string json = slurp(out.file("r.json")), want = slurp(ref.file("r.json"));
    EXPECT_EQ(json.rfind("{\n  \"program\": \"dss-mpi\",\n", 0), 0u) << json;
    EXPECT_EQ(want.rfind("{\n  \"program\": \"dss\",\n", 0), 0u) << want;
    for (const char* field : {"\"checkPassed\": true", "\"valid\": true", "\"states\": 6,", "\"transitions\": 10\n",
                              "\"name\": \"QueueLength\"", "\"name\": \"ServerBusy\""}) {
        EXPECT_NE(json.find(field), std::string::npos) << field << json;
        EXPECT_NE(want.find(field), std::string::npos) << field << want;
    }
}
#endif
