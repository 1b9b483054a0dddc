// File names resolve to files: outputs that would meet in one file, or in an
// input, are refused before anything is written; the CSV file sits beside the
// report; -G and -s values that name directories are directories.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/BaseStateLevelSolver.h"
#include "framework/FileNames.h"
#include "framework/InputError.h"
#include "tests/support/program_under_test.h"

namespace {

const char* const ARM = "1 2\n1 2 1.0 0\n2 1 3.0 0\n";

// A two-state chain with one PV, experiment "two" in dir.
void write_two_state_model(const TempDir& dir)
{
    dir.write("two.arm", ARM);
    dir.write("two.var", "Up\n1 0 1\n2 0 0\n");
    dir.write("two.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
}

std::vector<std::string> args_for(const TempDir& model, const std::string& solver,
                                  std::vector<std::string> more)
{
    std::vector<std::string> args = {"-P", "p", "-S", "s", "-E", "two", "-G", model.dir(), "-s",
                                     solver};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::vector<std::string> files_in(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Expects a refusal with exactly this message that writes nothing at all.
void expect_refused(const TempDir& model, const TempDir& out, std::vector<std::string> more,
                    const std::string& err)
{
    ProgramResult r = run_dss(args_for(model, out.dir(), more));
    EXPECT_EQ(r.status, 1) << err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, err);
    EXPECT_TRUE(files_in(out.path).empty()) << err;
    EXPECT_EQ(files_in(model.path), (std::vector<std::string>{"two.arm", "two.pvtype", "two.var"}));
    EXPECT_EQ(slurp(model.file("two.arm")), ARM);
}

}  // namespace

TEST(FileIdentity, NamesOfOneFileResolveAlike)
{
    TempDir dir;
    dir.write("a.txt", "x");
    std::filesystem::create_directory(dir.file("sub"));
    std::string a = file_identity(dir.file("a.txt"));
    EXPECT_EQ(file_identity(dir.file("sub/../a.txt")), a);
    ASSERT_EQ(link(dir.file("a.txt").c_str(), dir.file("hard.txt").c_str()), 0);
    EXPECT_EQ(file_identity(dir.file("hard.txt")), a);
    // files not made yet: the same directory and name, or the target of a dangling link
    EXPECT_EQ(file_identity(dir.file("sub/../new.txt")), file_identity(dir.file("new.txt")));
    ASSERT_EQ(symlink("sub/later.txt", dir.file("link.txt").c_str()), 0);
    EXPECT_EQ(file_identity(dir.file("link.txt")), file_identity(dir.file("sub/later.txt")));
    EXPECT_NE(file_identity(dir.file("new.txt")), file_identity(dir.file("sub/new.txt")));
}

TEST(FileIdentity, DevicesMayBeSharedButNotRegularFiles)
{
    EXPECT_NO_THROW(refuse_shared_files({{"/dev/null", "report file"}, {"/dev/null", "debug file"}},
                                        {}));
    try {
        refuse_shared_files({{"r.txt", "report file"}, {"./r.txt", "debug file"}}, {});
        ADD_FAILURE() << "r.txt twice was accepted";
    } catch (const InputError& e) {
        EXPECT_EQ(e.text(), "Error: the report file r.txt and the debug file ./r.txt are the "
                            "same file; nothing was written.\n");
        EXPECT_EQ(e.where(), InputError::STANDARD_ERROR);
    }
}

TEST(FileNames, OutputsThatMeetInOneFileAreRefusedBeforeAnythingIsWritten)
{
    TempDir model, out;
    write_two_state_model(model);
    std::string r = out.file("r.txt"), c = out.file("r.csv");
    expect_refused(model, out, {"-o", r, "-O", c},
                   "Error: the CSV file " + c + " and the state probability file " + c +
                       " are the same file; nothing was written.\n");
    expect_refused(model, out, {"-o", r, "-d", out.dir() + "./r.txt"},
                   "Error: the report file " + r + " and the debug file " + out.dir() +
                       "./r.txt are the same file; nothing was written.\n");
    std::string plot = out.file("two.dss.Up.pdf.splot");
    expect_refused(model, out, {"-o", r, "-O", plot},
                   "Error: the state probability file " + plot + " and the plot file " + plot +
                       " are the same file; nothing was written.\n");
}

// The tidy CSV file is an output like the others: never another output, an input or a file
// in a directory that is not there, and refused before anything is read or written.
TEST(FileNames, TidyFileIsGuardedLikeEveryOutput)
{
    TempDir model, out;
    write_two_state_model(model);
    std::string r = out.file("r.txt"), t = out.file("t.csv");
    expect_refused(model, out, {"-o", r, "-T", r},
                   "Error: the report file " + r + " and the tidy CSV file " + r +
                       " are the same file; nothing was written.\n");
    expect_refused(model, out, {"-o", r, "-T", out.file("r.csv")},
                   "Error: the CSV file " + out.file("r.csv") + " and the tidy CSV file " + out.file("r.csv") +
                       " are the same file; nothing was written.\n");
    expect_refused(model, out, {"-T", t, "-O", out.dir() + "./t.csv"},
                   "Error: the tidy CSV file " + t + " and the state probability file " + out.dir() +
                       "./t.csv are the same file; nothing was written.\n");
    expect_refused(model, out, {"-T", model.file("two.var")},
                   "Error: the tidy CSV file " + model.file("two.var") + " is the PV value file " +
                       model.dir() + "two.var; nothing was written.\n");
    expect_refused(model, out, {"-T", out.file("no/t.csv")},
                   "Error: -T " + out.file("no/t.csv") + ": the tidy CSV file cannot be written: the directory " +
                       out.file("no") + ": No such file or directory; nothing was written.\n");
    expect_refused(model, out, {"-T", ""}, "Error: option -T: the value \"\" is not a file name.\n");
    expect_refused(model, out, {"-T", "t\x1b.csv"},
                   "Error: -T \"t\\x1b.csv\": the value holds a control character; nothing was written.\n");
}

TEST(FileNames, AnExistingFileReachedByTwoNamesIsOneFile)
{
    TempDir model, out;
    write_two_state_model(model);
    out.write("r.txt", "old report\n");
    ASSERT_EQ(link(out.file("r.txt").c_str(), out.file("h.txt").c_str()), 0);
    ProgramResult r = run_dss(args_for(model, out.dir(), {"-o", out.file("r.txt"), "-O", out.file("h.txt")}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: the report file " + out.file("r.txt") +
                         " and the state probability file " + out.file("h.txt") +
                         " are the same file; nothing was written.\n");
    EXPECT_EQ(slurp(out.file("r.txt")), "old report\n");
    EXPECT_EQ(files_in(out.path), (std::vector<std::string>{"h.txt", "r.txt"}));
}

TEST(FileNames, OutputsThatAreInputsAreRefused)
{
    TempDir model, out;
    write_two_state_model(model);
    expect_refused(model, out, {"-o", model.file("two.arm")},
                   "Error: the report file " + model.file("two.arm") +
                       " is the state-space file " + model.dir() + "two.arm; nothing was written.\n");
    // the global-variable file does not exist: the report must not become it
    expect_refused(model, out, {"-o", out.file("r.txt"), "-d", model.file("two.parm")},
                   "Error: the debug file " + model.file("two.parm") +
                       " is the global-variable file " + model.dir() +
                       "two.parm; nothing was written.\n");
    out.write("notes", "a comment\n");
    ProgramResult r = run_dss(args_for(model, out.dir(),
                                                       {"-K", "notes", "-O", out.file("notes")}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: the state probability file " + out.file("notes") +
                         " is the comments file " + out.dir() + "notes; nothing was written.\n");
    EXPECT_EQ(slurp(out.file("notes")), "a comment\n");
}

TEST(FileNames, ReportSentByTheShellIntoAnOutputIsRefused)
{
    TempDir model, out;
    write_two_state_model(model);
    if (under_mpi()) GTEST_SKIP() << "the processes write standard output into a pipe to mpiexec";
    std::string command = dss_shell_command();
    for (const std::string& a : args_for(model, out.dir(), {"-O", out.file("s.txt")}))
        command += " '" + a + "'";
    ProgramResult r = run_program("/bin/sh", {"-c", command + " >'" + out.file("s.txt") + "'"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: the report (standard output) /dev/fd/1 and the state probability "
                     "file " + out.file("s.txt") + " are the same file; nothing was written.\n");
    EXPECT_EQ(slurp(out.file("s.txt")), "");
}

TEST(FileNames, CsvFileSitsBesideTheReport)
{
    EXPECT_EQ(csv_file_name("notes.txt.d/run1.txt"), "notes.txt.d/run1.csv");
    EXPECT_EQ(csv_file_name("a.txt/b"), "a.txt/b.csv");
    EXPECT_EQ(csv_file_name("a.txt/run.txt.old"), "a.txt/run.csv");
    TempDir model, out;
    write_two_state_model(model);
    out.write("notes.csv", "keep\n");
    std::filesystem::create_directory(out.file("notes.txt.d"));
    std::string report = out.file("notes.txt.d/run1.txt");
    ProgramResult r = run_dss(args_for(model, out.dir(), {"-o", report}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(out.file("notes.csv")), "keep\n");
    EXPECT_NE(slurp(out.file("notes.txt.d/run1.csv")).find("0,0,Up,"), std::string::npos);
}

TEST(FileNames, DirectoryValuesWithoutTheirSlashAreDirectories)
{
    TempDir model, out;
    write_two_state_model(model);
    model.write("two.parm", "Rate=2.5\n");
    std::string solver = out.file("plots");
    std::filesystem::create_directory(solver);
    ProgramResult r = run_dss({"-P", "p", "-S", "s", "-E", "two", "-G",
                                               model.path, "-s", solver, "-o", out.file("r.txt")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(files_in(solver), (std::vector<std::string>{"two.dss.Up.cdf.splot",
                                                          "two.dss.Up.pdf.splot"}));
    EXPECT_EQ(files_in(out.path), (std::vector<std::string>{"plots", "r.csv", "r.txt"}));
    std::string report = slurp(out.file("r.txt"));
    EXPECT_NE(report.find("Plot files    (pdf)  :  two.dss.Up.pdf.splot\n"), std::string::npos);
    // the global-variable file is found inside the -G directory
    EXPECT_NE(report.find("\nRate=2.5\n"), std::string::npos);
    // a directory followed by a name prefix keeps working
    r = run_dss({"-P", "p", "-S", "s", "-E", "two", "-G", model.dir(), "-s",
                                 solver + "/pre", "-o", out.file("r.txt")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(std::filesystem::exists(solver + "/pretwo.dss.Up.pdf.splot"));
}

// The files of the other formats are inputs too: no output may take their names, whichever
// format the run reads. The refusal comes before the model is read.
TEST(FileNames, PrismAndDrnFilesAreInputsToo)
{
    TempDir model, out;
    const std::string tra = "2 2\n0 1 1.0\n1 0 3.0\n", sta = "(x)\n0:(0)\n1:(1)\n";
    model.write("m.tra", tra);
    model.write("m.sta", sta);
    model.write("m1.srew", "2 1\n0 1\n");
    model.write("d.drn", "@type: CTMC\n");
    std::vector<std::string> base = {"-P", "p", "-S", "s", "-G", model.dir(), "-s", out.dir()};
    struct Case {
        std::string experiment, option, file, role;
    };
    for (const Case& c : {Case{"m", "-O", "m.sta", "PRISM state file"},
                          Case{"m", "-o", "m.tra", "PRISM transition file"},
                          Case{"m", "-d", "m1.srew", "PRISM state reward file"},
                          Case{"d", "-O", "d.drn", "DRN model file"},
                          Case{"d", "-d", "d.arm", "state-space file"}}) {
        std::vector<std::string> args = base;
        args.insert(args.end(), {"-E", c.experiment, c.option, model.file(c.file)});
        ProgramResult r = run_dss(args);
        EXPECT_EQ(r.status, 1) << c.file;
        EXPECT_EQ(r.out, "") << c.file;
        std::string role = c.option == "-o" ? "report file" : c.option == "-O" ? "state probability file" : "debug file";
        EXPECT_EQ(r.err, "Error: the " + role + " " + model.file(c.file) + " is the " + c.role + " " +
                             model.dir() + c.file + "; nothing was written.\n")
            << c.file;
        EXPECT_TRUE(files_in(out.path).empty()) << c.file;
    }
    EXPECT_EQ(slurp(model.file("m.tra")), tra);
    EXPECT_EQ(slurp(model.file("m.sta")), sta);
    EXPECT_EQ(files_in(model.path), (std::vector<std::string>{"d.drn", "m.sta", "m.tra", "m1.srew"}));
}

// An experiment name that would put the plot files outside the solver directory is refused.
TEST(FileNames, ExperimentNameThatLeavesTheSolverDirectoryIsRefused)
{
    TempDir top;
    std::filesystem::create_directory(top.file("model"));
    std::filesystem::create_directory(top.file("out"));
    top.write("two.arm", ARM);
    top.write("two.var", "Up\n1 0 1\n2 0 0\n");
    top.write("two.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
    for (std::string e : {"../two", ".."}) {
        ProgramResult r = run_dss({"-P", "p", "-S", "s", "-E", e, "-G", top.file("model/"),
                                                   "-s", top.file("out/")});
        EXPECT_EQ(r.status, 1) << e;
        EXPECT_EQ(r.err.rfind("Error: -E " + e + ": an experiment name may not", 0), 0u) << r.err;
        EXPECT_EQ(files_in(top.path), (std::vector<std::string>{"model", "out", "two.arm", "two.pvtype",
                                                                 "two.var"}));
        EXPECT_TRUE(files_in(top.file("out")).empty());
    }
}

// A control character in a name would start a line of the report or a plot file (a
// "Finished:" line the run never wrote) or move the terminal's cursor: the value is
// refused, shown escaped, before anything is read or written.
TEST(FileNames, ControlCharactersInNamesAreRefusedAndShownEscaped)
{
    TempDir model, out;
    write_two_state_model(model);
    struct Case {
        std::string option, value, shown;
    };
    for (const Case& c : {Case{"-P", "p\nFinished: fake", "p\\nFinished: fake"},
                          Case{"-S", "s\rx", "s\\rx"},
                          Case{"-o", out.file("r\x1b[2J.txt"), out.file("r\\x1b[2J.txt")}}) {
        std::vector<std::string> args = args_for(model, out.dir(), {c.option, c.value});
        ProgramResult r = run_dss(args);
        EXPECT_EQ(r.status, 1) << c.shown;
        EXPECT_EQ(r.out, "") << c.shown;
        EXPECT_EQ(r.err, "Error: " + c.option + " \"" + c.shown +
                             "\": the value holds a control character; nothing was written.\n");
        EXPECT_TRUE(files_in(out.path).empty()) << c.shown;
    }
    // a PV name with an escape sequence
    model.write("two.var", "U\x1b[2Jp\n1 0 1\n2 0 0\n");
    ProgramResult r = run_dss(args_for(model, out.dir(), {}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error reading performance variable file (.var file): the PV name U\\x1b[2Jp holds a "
                     "control character.\n" + model.file("two.var") + ", line 1.\n");
    EXPECT_TRUE(files_in(out.path).empty());
}
