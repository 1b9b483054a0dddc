// Runs named by their model file alone (dss dir/E.tra), and the choice of what a run evaluates
// and writes: -V for the PVs, -N for no plot files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/Oracle.h"
#include "tests/support/ThreeFormats.h"
#include "tests/support/program_under_test.h"

namespace {

namespace fs = std::filesystem;

const std::string DATA = std::string(VELMAR_TEST_DATA) + "/";
const std::string EXAMPLES = std::string(VELMAR_EXAMPLES) + "/";

// Every file of a directory by name, with its text.
std::map<std::string, std::string> contents(const std::string& path)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(path)) files[e.path().filename().string()] = slurp(e.path().string());
    return files;
}

// Hides the time stamps and timing figures of a report.
std::string masked(const std::string& report)
{
    std::string t = std::regex_replace(report, std::regex("(Started|Finished): [^\n]*\n"), "$1\n");
    return std::regex_replace(
        t, std::regex("((Computation|User|System) Time \\(seconds\\)|Peak Memory \\(MiB\\)|Phases \\(wall seconds\\)): [^\n]*\n"), "");
}

// The number a report line "Name : number" gives, NaN when there is none.
double figure(const std::string& report, const std::string& label)
{
    std::smatch m;
    if (!std::regex_search(report, m, std::regex(label + " +:  ([^\n]*)\n"))) return NAN;
    return std::atof(m[1].str().c_str());
}

// The PV blocks of a report, from its "Performance variable" line to the next one or the end.
std::vector<std::string> pvBlocks(const std::string& run)
{
    const std::string report = masked(run);
    std::vector<std::string> blocks;
    const std::string head = "Performance variable :  ";
    for (size_t at = report.find(head); at != std::string::npos;) {
        size_t next = report.find(head, at + 1);
        size_t stars = report.rfind("\n****", next == std::string::npos ? report.size() : next);
        blocks.push_back(report.substr(at, (stars > at ? stars + 1 : report.size()) - at));
        at = next;
    }
    return blocks;
}

// The lines naming the model files of base name B looked for, the flat one with its own state.
std::string lookedFor(const std::string& b, const std::string& flat = "No such file or directory")
{
    const std::string missing = ": No such file or directory\n  ";
    return "  " + b + ".arm (flat): " + flat + "\n  " + b + ".tra (PRISM)" + missing + b + ".pexp (PRISM, one file)" +
           missing + b + ".drn (DRN): No such file or directory\n";
}

}  // namespace

// dss dir/E.arm, dir/E.tra and dir/E.drn each read their own format and write what the five
// options with -F would, into the current directory; the flat run's queue length is the
// closed form's.
TEST(OneFileRuns, EachFormatsModelFileRunsAsItsFiveOptionsDo)
{
    ThreeFormats model;
    const std::vector<double> pi = mm1kStationary(5, 0.5);
    double queue = 0.0;
    for (int n = 0; n <= 5; ++n) queue += n * pi[n];
    for (auto [ending, format] : std::map<std::string, std::string>{{".arm", "flat"}, {".tra", "prism"}, {".drn", "drn"}}) {
        TempDir alone, given;
        ProgramResult one = run_dss({model.dir.file("mm1k" + ending)}, alone.path);
        ProgramResult five = run_dss({"-P", "mm1k", "-S", "mm1k", "-G", model.dir.dir(), "-E", "mm1k", "-F", format, "-s",
                                      "./"},
                                     given.path);
        ASSERT_EQ(one.status, 0) << ending << one.err;
        EXPECT_EQ(one.err, "") << ending;
        EXPECT_EQ(masked(one.out), masked(five.out)) << ending;
        EXPECT_EQ(contents(alone.path), contents(given.path)) << ending;
        EXPECT_EQ(contents(alone.path).size(), 4u) << ending;  // two plot files per PV
        EXPECT_NE(one.out.find("Project name: mm1k\nStudy name: mm1k\n"), std::string::npos) << one.out;
        bool named = one.out.find("State space files: " + model.dir.file("mm1k" + ending)) != std::string::npos;
        EXPECT_EQ(named, format != "flat") << one.out;
        if (format == "flat") {
            double got = figure(one.out, "Mean");
            EXPECT_LT(std::fabs(got - queue) / queue, 1e-6) << got << " against " << queue;
        }
    }
}

// A model named relative to the current directory, without an ending: the format is found
// from the files present; -s, -o and -P take the outputs and names elsewhere.
TEST(OneFileRuns, ABaseNameFindsItsFormatAndGivenOptionsKeepTheirPlace)
{
    ThreeFormats model;
    fs::remove(model.dir.file("mm1k.arm"));  // PRISM's files come next
    TempDir cwd, out;
    fs::create_directory(cwd.file("sub"));
    for (const char* name : {"mm1k.tra", "mm1k1.srew", "mm1k2.srew"})
        fs::copy_file(model.dir.file(name), cwd.file(std::string("sub/") + name));
    ProgramResult r = run_dss({"-P", "proj", "-s", out.dir(), "-o", out.file("r.txt"), "sub/mm1k"}, cwd.path);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    std::string report = slurp(out.file("r.txt"));
    EXPECT_NE(report.find("Project name: proj\nStudy name: mm1k\n"), std::string::npos) << report;
    EXPECT_NE(report.find("State space files: sub/mm1k.tra, sub/mm1k1.srew, sub/mm1k2.srew\n"), std::string::npos)
        << report;
    EXPECT_EQ(contents(out.path).size(), 2u + 2u * pvBlocks(report).size());
    EXPECT_EQ(contents(cwd.path).size(), 1u);  // only sub: nothing written beside it
    // PRISM's single file: not beside the E.tra that would be read instead, but beside a flat
    // model of the same name that it is not
    fs::copy_file(DATA + "prism/bd_single.pexp", cwd.file("sub/mm1k.pexp"));
    ProgramResult hidden = run_dss({"sub/mm1k.pexp"}, cwd.path);
    EXPECT_EQ(hidden.status, 1);
    EXPECT_EQ(hidden.err, "Error: the model file sub/mm1k.pexp is not read while sub/mm1k.tra is there: name that "
                          "file, or move one of them.\n");
    fs::remove(cwd.file("sub/mm1k.tra"));
    fs::copy_file(EXAMPLES + "mm1k.arm", cwd.file("sub/mm1k.arm"));
    ProgramResult single = run_dss({"-N", "sub/mm1k.pexp"}, cwd.path);
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_NE(single.out.find("State space files: sub/mm1k.pexp;"), std::string::npos) << single.out;
}

TEST(OneFileRuns, AModelFileBesideGOrEIsRefusedBeforeAnythingIsWritten)
{
    ThreeFormats model;
    TempDir out;
    const std::string file = model.dir.file("mm1k.arm");
    for (std::vector<std::string> args : {std::vector<std::string>{"-G", model.dir.dir(), file},
                                          std::vector<std::string>{"-E", "mm1k", "-s", out.dir(), file},
                                          std::vector<std::string>{file, "-P", "p", "-S", "s", "-G", model.dir.dir(),
                                                                   "-E", "mm1k", "-s", out.dir()}}) {
        ProgramResult r = run_dss(args, out.path);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, "Error: the model file " + file +
                             " is given together with -G or -E: name the model by the file alone or by -G and -E.\n");
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(fs::is_empty(out.path));
    }
}

// Every format's file is named with what the system says of it; a file of another format
// that is there is said to be present.
TEST(OneFileRuns, AMissingModelNamesEveryFileLookedForWithTheSystemsReason)
{
    TempDir dir, cwd;
    fs::copy_file(EXAMPLES + "machine.arm", dir.file("m.arm"));
    const std::string m = dir.file("m");
    ProgramResult named = run_dss({m + ".tra"}, cwd.path);
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.out, "");
    EXPECT_EQ(named.err, "Error: the model file " + m + ".tra: No such file or directory.\nLooked for the model " + m +
                             " in every format:\n" + lookedFor(m, "present"));
    // a path through a plain file: the system's reason is another
    const std::string through = dir.file("m.arm/x");
    ProgramResult notDir = run_dss({through + ".drn"}, cwd.path);
    EXPECT_EQ(notDir.status, 1);
    EXPECT_NE(notDir.err.find("Error: the model file " + through + ".drn: Not a directory.\n"), std::string::npos)
        << notDir.err;
    EXPECT_NE(notDir.err.find("  " + through + ".arm (flat): Not a directory\n"), std::string::npos) << notDir.err;
    // a base name with no file of any format: the flat file's line, then all four
    ProgramResult base = run_dss({dir.file("none")}, cwd.path);
    EXPECT_EQ(base.status, 1);
    EXPECT_EQ(base.out, "Error reading file " + dir.file("none.arm") + ".\n");
    const std::string n = dir.file("none");
    EXPECT_EQ(base.err, "No state space " + n + " in any format; looked for:\n" + lookedFor(n));
    ProgramResult directory = run_dss({dir.dir()}, cwd.path);
    EXPECT_EQ(directory.status, 1);
    EXPECT_EQ(directory.err, "Error: the model \"" + dir.dir() +
                                 "\" names a directory, not a model file (E.arm, E.tra, E.pexp or E.drn).\n");
    EXPECT_TRUE(fs::is_empty(cwd.path));
}

// -V Capacity: the one block, plot pair and CSV block of Capacity, as the run of every PV
// writes them.
TEST(ChosenPVs, OnlyTheNamedPVsAreEvaluatedWithTheFiguresOfTheWholeRun)
{
    TempDir all, chosen;
    const std::string model = EXAMPLES + "machine.arm";
    ProgramResult every = run_dss({"-s", all.dir(), "-o", all.file("r.txt"), model});
    ProgramResult one = run_dss({"-s", chosen.dir(), "-o", chosen.file("r.txt"), "-V", "Capacity", model});
    ASSERT_EQ(every.status, 0) << every.err;
    ASSERT_EQ(one.status, 0) << one.err;
    std::vector<std::string> everyBlocks = pvBlocks(slurp(all.file("r.txt")));
    std::vector<std::string> oneBlocks = pvBlocks(slurp(chosen.file("r.txt")));
    ASSERT_EQ(everyBlocks.size(), 2u);
    ASSERT_EQ(oneBlocks.size(), 1u);
    EXPECT_EQ(oneBlocks[0], everyBlocks[1]);
    EXPECT_EQ(oneBlocks[0].rfind("Performance variable :  Capacity\n", 0), 0u);
    std::map<std::string, std::string> files = contents(chosen.path), allFiles = contents(all.path);
    EXPECT_EQ(files.size(), 4u);
    for (const char* plot : {"machine.dss.Capacity.pdf.splot", "machine.dss.Capacity.cdf.splot"})
        EXPECT_EQ(files[plot], allFiles[plot]) << plot;
    std::string csv = files["r.csv"], allCsv = allFiles["r.csv"];
    EXPECT_NE(csv.find("Capacity"), std::string::npos);
    EXPECT_EQ(csv.find("Available"), std::string::npos);
    EXPECT_NE(allCsv.find(csv), std::string::npos) << csv;
    // both named, in any order and with an empty name between: both evaluated
    ProgramResult both = run_dss({"-s", chosen.dir(), "-V", "Capacity,,Available", model});
    ASSERT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(pvBlocks(both.out).size(), 2u);
}

TEST(ChosenPVs, AnUnknownNameIsRefusedWithTheNamesThereAre)
{
    TempDir out;
    ProgramResult r = run_dss({"-s", out.dir(), "-o", out.file("r.txt"), "-V", "Capacity,Capacty",
                               EXAMPLES + "machine.arm"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: -V: no PV named \"Capacty\" is evaluated; the PVs are: Available, Capacity.\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::is_empty(out.path));
}

// -N: no plot file and no plot lines; the CSV and the rest of the report as without it; the
// solver directory, where only plot files go, need not even exist.
TEST(NoPlots, NoPlotFileIsWrittenAndTheOtherOutputsStayAsTheyAre)
{
    TempDir with, without;
    const std::string model = EXAMPLES + "machine.arm";
    ProgramResult plotted = run_dss({"-s", with.dir(), "-o", with.file("r.txt"), model});
    ProgramResult bare = run_dss({"-s", without.dir(), "-o", without.file("r.txt"), "-N", model});
    ASSERT_EQ(plotted.status, 0) << plotted.err;
    ASSERT_EQ(bare.status, 0) << bare.err;
    std::map<std::string, std::string> files = contents(without.path);
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(files["r.csv"], slurp(with.file("r.csv")));
    std::string report = std::regex_replace(masked(slurp(with.file("r.txt"))),
                                            std::regex("(Plot files    \\(pdf\\)|              \\(cdf\\))  :  [^\n]*\n"), "");
    EXPECT_EQ(masked(files["r.txt"]), report);
    TempDir cwd;
    ProgramResult nowhere = run_dss({"-s", cwd.file("missing/"), "-N", model}, cwd.path);
    EXPECT_EQ(nowhere.status, 0) << nowhere.err;
    EXPECT_EQ(nowhere.out.find("Plot files"), std::string::npos);
    ProgramResult refused = run_dss({"-s", cwd.file("missing/"), model}, cwd.path);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(fs::is_empty(cwd.path));
}
