// The program at the edge of its resources: plot files that cannot be made,
// and a model larger than the memory it may use.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/program_under_test.h"

namespace {

const std::string PLOT_FAULT =
    "plot_pdf: cannot open plot file\nfatal_error: program is being terminated\n";

// A two-state chain with one PV, experiment "two" in dir.
void write_two_state_model(const TempDir& dir)
{
    dir.write("two.arm", "1 2\n1 2 1.0 0\n2 1 3.0 0\n");
    dir.write("two.var", "Up\n1 0 1\n2 0 0\n");
    dir.write("two.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
}

std::vector<std::string> args_for(const TempDir& model, const std::string& solver_path)
{
    return {"-P", "p", "-S", "s", "-E", "two", "-G", model.path + "/", "-s", solver_path};
}

size_t files_in(const std::string& dir)
{
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(dir);
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

}  // namespace

// Outputs that cannot be made are found before the chain is read: the option, the path and
// the reason on standard error, status 1, and nothing written.
TEST(ProgramLimits, UnusableSolverDirectoryIsNamedBeforeTheSolve)
{
    // a solver directory that does not exist, and one whose parent is a regular file
    struct Case {
        std::string sub, reason;
    };
    for (const Case& c : {Case{"missing/", "the directory {}missing: No such file or directory"},
                          Case{"plain/", "{}plain is not a directory"}}) {
        TempDir model, out;
        write_two_state_model(model);
        out.write("plain", "");
        std::string reason = c.reason;
        reason.replace(reason.find("{}"), 2, out.path + "/");
        std::vector<std::string> args = args_for(model, out.path + "/" + c.sub);
        args.push_back("-o");
        args.push_back(out.file("r.txt"));
        ProgramResult r = run_dss(args);
        EXPECT_EQ(r.status, 1) << c.sub;
        EXPECT_EQ(r.out, "") << c.sub;
        EXPECT_EQ(r.err, "Error: -s " + out.path + "/" + c.sub +
                             ": the plot files cannot be written there: " + reason +
                             "; nothing was written.\n")
            << c.sub;
        EXPECT_EQ(files_in(out.path), 1u) << c.sub;  // plain alone
    }
}

TEST(ProgramLimits, UncreatableCsvFileIsNamedBeforeTheSolve)
{
    TempDir model, out;
    write_two_state_model(model);
    std::filesystem::create_directory(out.file("r.csv"));  // the CSV name is taken
    std::vector<std::string> args = args_for(model, out.path + "/");
    args.push_back("-o");
    args.push_back(out.file("r.txt"));
    ProgramResult r = run_dss(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: -o " + out.file("r.csv") +
                         ": the CSV file cannot be written: Is a directory; nothing was written.\n");
    EXPECT_EQ(files_in(out.path), 1u);  // the directory in the CSV's place
}

// A plot file that cannot be created after the check (its name is taken by a directory)
// still ends the run, with the report's last lines on standard output.
TEST(ProgramLimits, UncreatablePlotFileWithoutReportFileGoesToStandardOutput)
{
    TempDir model;
    write_two_state_model(model);
    std::filesystem::create_directory(model.file("two.dss.Up.pdf.splot"));
    ProgramResult r = run_dss(args_for(model, model.path + "/"));
    EXPECT_EQ(r.status, 1);
    ASSERT_GE(r.out.size(), PLOT_FAULT.size());
    EXPECT_EQ(r.out.substr(r.out.size() - PLOT_FAULT.size()), PLOT_FAULT);
    EXPECT_EQ(r.out.find("Finished: "), std::string::npos);
    for (const auto& e : std::filesystem::directory_iterator(model.path))  // no temporary file
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

TEST(ProgramLimits, ModelLargerThanTheAddressSpaceGivesTheMemoryLines)
{
#ifdef VELMAR_SANITIZE_BUILD
    GTEST_SKIP() << "the sanitizers' shadow memory needs an unlimited address space";
#else
    if (under_mpi()) GTEST_SKIP() << "Open MPI and PETSc map more than this limit at their start";
    // 3000 states with a record each for 3000 PVs: 144 MB of PV values, against a limit of
    // 128 MB
    TempDir dir;
    const int states = 3000, pvs = 3000;
    std::string arm = "1 " + std::to_string(states) + "\n", var, pvtype = "Version:1\nNumPV:3000\n";
    for (int i = 1; i <= states; ++i) arm += std::to_string(i) + " 0\n";
    for (int p = 1; p <= pvs; ++p) var += "V" + std::to_string(p) + " ";
    var += "\n";
    std::string pairs;
    for (int p = 1; p <= pvs; ++p) pairs += " 0 1";
    for (int i = 1; i <= states; ++i) var += std::to_string(i) + pairs + "\n";
    dir.write("big.arm", arm);
    dir.write("big.var", var);
    dir.write("big.pvtype", pvtype);
    ProgramResult r = run_dss({"-P", "p", "-S", "s", "-E", "big", "-G", dir.path + "/", "-s",
                                   dir.path + "/", "-o", dir.file("r.txt")},
                                  "", {}, rlim_t(128) << 20);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "The solver's memory requirement is more than the available RAM.\n"
              "Either reduce the size of the state space or install more RAM.\n");
    EXPECT_FALSE(std::ifstream(dir.file("r.txt")).good());
#endif
}

// Many PV names and many states but few records: the PV values take the room of the
// records read, not of every PV in every state (50000 x 50000 pairs would be 40 GB).
TEST(ProgramLimits, ManyPVNamesWithoutRecordsNeedNoMemoryOfTheirProduct)
{
#ifdef VELMAR_SANITIZE_BUILD
    GTEST_SKIP() << "the sanitizers' shadow memory needs an unlimited address space";
#else
    TempDir dir;
    const int n = 50000;
    std::string arm = "1 " + std::to_string(n) + "\n", var;
    for (int i = 1; i <= n; ++i) {
        arm += std::to_string(i);
        if (i < n) arm += " " + std::to_string(i + 1) + " 1";
        if (i > 1) arm += " " + std::to_string(i - 1) + " 2";
        arm += " 0\n";
    }
    for (int p = 1; p <= n; ++p) var += "V" + std::to_string(p) + "\n";
    dir.write("many.arm", arm);
    dir.write("many.var", var);
    ProgramResult r = run_dss({"-P", "p", "-S", "s", "-E", "many", "-G", dir.path + "/", "-s",
                                   dir.path + "/", "-o", dir.file("r.txt")},
                                  "", {}, rlim_t(512) << 20);
    // no .pvtype: the PVs are not evaluated, which is a failure, but not of memory
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("memory requirement"), std::string::npos) << r.err.substr(0, 300);
    EXPECT_EQ(r.err.rfind("Warning: " + dir.file("many.var") + " holds no state records", 0), 0u)
        << r.err.substr(0, 300);
    std::string report = slurp(dir.file("r.txt"));
    EXPECT_NE(report.find("Warning: not evaluated, since the PV type file gives them no type: V1, V2,"),
              std::string::npos);
    EXPECT_NE(report.find("Finished: "), std::string::npos);
#endif
}

TEST(ProgramLimits, MemoryRunningOutAtAnyPointOfTheArmLoadGivesTheMemoryLines)
{
#ifdef VELMAR_SANITIZE_BUILD
    GTEST_SKIP() << "the sanitizers' shadow memory needs an unlimited address space";
#else
    if (under_mpi()) GTEST_SKIP() << "Open MPI and PETSc map more than this limit at their start";
    // 10^6 states without transitions: the row storage takes 20 MB in three
    // arrays; limits 1 MB apart run out before, between and after each of them
    // (running out between the second and the third once crashed the release)
    TempDir dir;
    std::string arm = "1 1000000\n";
    arm.reserve(10000000);
    for (int i = 1; i <= 1000000; ++i) arm += std::to_string(i) + " 0\n";
    dir.write("big.arm", arm);
    for (rlim_t mb = 12; mb <= 36; ++mb) {
        ProgramResult r = run_dss({"-P", "p", "-S", "s", "-E", "big", "-G", dir.dir(), "-s",
                                       dir.dir(), "-o", dir.file("r.txt")},
                                      "", {}, mb << 20);
        EXPECT_EQ(r.status, 1) << mb << " MB";
        EXPECT_EQ(r.err,
                  "The solver's memory requirement is more than the available RAM.\n"
                  "Either reduce the size of the state space or install more RAM.\n")
            << mb << " MB";
        EXPECT_FALSE(std::ifstream(dir.file("r.txt")).good()) << mb << " MB";
    }
#endif
}

// A name longer than a directory entry may be is refused before the chain is read (the
// temporary file, whose name is cut to fit, would have been written and only the final
// rename refused, after the whole solve).
TEST(ProgramLimits, OutputNameTooLongForItsDirectoryIsRefusedBeforeTheSolve)
{
    TempDir model, out;
    write_two_state_model(model);
    std::string name = out.file(std::string(300, 'x') + ".txt");
    std::vector<std::string> args = args_for(model, out.path + "/");
    for (std::string option : {"-o", "-O"}) {
        std::vector<std::string> run = args;
        run.insert(run.end(), {option, name});
        ProgramResult r = run_dss(run);
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_EQ(r.err, "Error: " + option + " " + name + ": the " +
                             (option == "-o" ? "report file" : "state probability file") +
                             " cannot be written: File name too long; nothing was written.\n")
            << option;
        EXPECT_EQ(r.out, "") << option;
        EXPECT_EQ(files_in(out.path), 0u) << option;
    }
}
