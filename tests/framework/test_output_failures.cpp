// Results that cannot be written are never reported as written: a write,
// flush or close that fails ends the run with status 1 and a message naming
// the file and the system's reason, and the previous results stay as they
// were, byte for byte, with no temporary file left beside them. Full disks are
// made without privileges: a full device and a lowered file-size limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/program_under_test.h"

namespace {

// A birth-death chain of n states with one PV "Up" of type `type` whose value is
// the state number, experiment "bd" in dir: its plot files grow with n.
void write_chain(const TempDir& dir, int n, int type = 3)
{
    std::string arm = "1 " + std::to_string(n) + "\n", var = "Up\n";
    for (int i = 1; i <= n; ++i) {
        arm += std::to_string(i);
        if (i < n) arm += " " + std::to_string(i + 1) + " 1.0";
        if (i > 1) arm += " " + std::to_string(i - 1) + " 1.5";
        arm += " 0\n";
        var += std::to_string(i) + " 0 " + std::to_string(i) + "\n";
    }
    dir.write("bd.arm", arm);
    dir.write("bd.var", var);
    dir.write("bd.pvtype", "Version:1\nNumPV:1\nName:Up\nType:" + std::to_string(type) +
                               "\nNumTimes:0\n");
}

std::vector<std::string> args_for(const TempDir& model, const TempDir& out)
{
    return {"-P", "p", "-S", "s", "-E", "bd", "-G", model.dir(), "-s", out.dir()};
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// True when a write to path fails for want of space.
bool is_full(const std::string& path)
{
    int fd = open(path.c_str(), O_WRONLY);
    if (fd < 0) return false;
    bool full = write(fd, "x", 1) < 0 && errno == ENOSPC;
    close(fd);
    return full;
}

// A device that takes no data, as a file "full" in dir: made with mknod where
// that is allowed, else a link to /dev/full; empty when neither works.
std::string full_device(const TempDir& dir)
{
    std::string path = dir.file("full");
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0 && is_full(path)) return path;
    unlink(path.c_str());
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) return "";
    if (symlink("/dev/full", path.c_str()) == 0 && is_full(path)) return path;
    unlink(path.c_str());
    return "";
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

const std::string NO_SPACE = ": No space left on device\n";

// Every file in dir with its bytes.
std::map<std::string, std::string> contents(const TempDir& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir.path))
        files[e.path().filename().string()] =
            e.is_regular_file() ? slurp(e.path().string()) : std::string("(not a file)");
    return files;
}

// Results of an earlier run in dir, one file per name.
void write_previous(const TempDir& dir, const std::vector<std::string>& names)
{
    for (const std::string& n : names) dir.write(n, "previous " + n + "\n");
}

}  // namespace

TEST(OutputFailures, ReportOnAFullDiskEndsWithItsNameAndReason)
{
    TempDir model, out;
    write_chain(model, 2);
    std::string full = full_device(out);
    if (full.empty()) GTEST_SKIP() << "no full device";
    ASSERT_EQ(symlink(full.c_str(), out.file("r.txt").c_str()), 0);
    ProgramResult r = run_dss(with(args_for(model, out), {"-o", out.file("r.txt")}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error writing file " + out.file("r.txt") + NO_SPACE);
    // found before the solve: no CSV block, no plot file
    EXPECT_EQ(slurp(out.file("r.csv")), "");
    EXPECT_FALSE(exists(out.file("bd.dss.Up.pdf.splot")));
    EXPECT_FALSE(exists(out.file("bd.dss.Up.cdf.splot")));
}

TEST(OutputFailures, DevFullAsTheReportIsAFailure)
{
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full";
    bool csvBefore = exists("/dev/full.csv");
    TempDir model, out;
    write_chain(model, 2);
    ProgramResult r = run_dss(with(args_for(model, out), {"-o", "/dev/full"}));
    if (!csvBefore) std::filesystem::remove("/dev/full.csv");  // the CSV beside the report
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error writing file /dev/full" + NO_SPACE);
    EXPECT_TRUE(std::filesystem::is_empty(out.path));
}

TEST(OutputFailures, StateAndDebugFilesOnAFullDisk)
{
    TempDir model, out;
    write_chain(model, 2);
    std::string full = full_device(out);
    if (full.empty()) GTEST_SKIP() << "no full device";
    write_previous(out, {"r.txt", "r.csv", "bd.dss.Up.pdf.splot", "bd.dss.Up.cdf.splot"});
    auto before = contents(out);
    for (std::string option : {"-O", "-d"}) {
        ProgramResult r = run_dss(with(args_for(model, out), {"-o", out.file("r.txt"), option, full}));
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_EQ(r.out, "") << option;
        EXPECT_EQ(r.err, "Error writing file " + full + NO_SPACE) << option;
        // the plot files were complete before the state or debug file failed, but the
        // outputs of a run take their names together: every previous result stays, and
        // no temporary file is left
        EXPECT_EQ(contents(out), before) << option;
    }
    // the same run with room for everything replaces all of them
    ProgramResult r = run_dss(with(args_for(model, out), {"-o", out.file("r.txt")}));
    EXPECT_EQ(r.status, 0) << r.err;
    auto after = contents(out);
    for (const char* name : {"r.txt", "r.csv", "bd.dss.Up.pdf.splot", "bd.dss.Up.cdf.splot"})
        EXPECT_NE(after[name], before[name]) << name;
    EXPECT_EQ(after.size(), before.size());
}

TEST(OutputFailures, ReportOnStandardOutputIntoAFullDisk)
{
    TempDir model, out;
    write_chain(model, 2);
    std::string full = full_device(out);
    if (full.empty()) GTEST_SKIP() << "no full device";
    if (under_mpi()) GTEST_SKIP() << "the processes write standard output into a pipe to mpiexec";
    std::string command = dss_shell_command();
    for (const std::string& a : args_for(model, out)) command += " '" + a + "'";
    ProgramResult r = run_program("/bin/sh", {"-c", command + " >'" + full + "'"});
    EXPECT_EQ(r.status, 1);
    // the reason is the disk's own, not a generic input/output error
    EXPECT_EQ(r.err, "Error writing file (standard output)" + NO_SPACE);
}

TEST(OutputFailures, FileSizeLimitCutsAPlotFileAndEveryPreviousResultStays)
{
    // the report fits in 4096 bytes, the plot of 400 distinct values does not
    TempDir model, out;
    write_chain(model, 400);
    write_previous(out, {"r.txt", "r.csv", "bd.dss.Up.pdf.splot", "bd.dss.Up.cdf.splot"});
    auto before = contents(out);
    ProgramResult r = run_dss(with(args_for(model, out), {"-o", out.file("r.txt")}), "", {},
                                  0, 4096);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    // the report's last lines are on standard error, as the report is not kept
    EXPECT_EQ(r.err, "Error writing file " + out.file("bd.dss.Up.cdf.splot") +
                         ": File too large\n"
                         "plot_pdf: cannot write plot file\nfatal_error: program is being terminated\n");
    EXPECT_EQ(contents(out), before);
}

TEST(OutputFailures, FileSizeLimitCutsTheStateFileAndEveryPreviousResultStays)
{
    // no PV is evaluated (type 1): the state table is the only large output
    TempDir model, out;
    write_chain(model, 400, 1);
    write_previous(out, {"r.txt", "r.csv", "states.txt"});
    auto before = contents(out);
    ProgramResult r = run_dss(with(args_for(model, out), {"-o", out.file("r.txt"), "-O", out.file("states.txt")}), "",
        {}, 0, 2048);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error writing file " + out.file("states.txt") + ": File too large\n");
    EXPECT_EQ(contents(out), before);
}

TEST(OutputFailures, SigxfszIsAWriteErrorNotTheEndOfTheProgram)
{
    // the signal's own disposition would end the program with a core and leave the
    // temporary files behind
    TempDir model, out;
    write_chain(model, 400, 1);
    write_previous(out, {"r.txt", "r.csv", "states.txt"});
    auto before = contents(out);
    int signal = 0;
    ProgramResult r = finish_program(
        start_dss(with(args_for(model, out), {"-o", out.file("r.txt"), "-O", out.file("states.txt")}),
                      "", {}, 0, 2048, true),
        &signal);
    EXPECT_EQ(signal, 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error writing file " + out.file("states.txt") + ": File too large\n");
    EXPECT_EQ(contents(out), before);
}

TEST(OutputFailures, CompleteRunReplacesThePreviousResultsAndLeavesNoTemporaryFile)
{
    TempDir model, out;
    write_chain(model, 3);
    write_previous(out, {"r.txt", "r.csv", "states.txt", "bd.dss.Up.pdf.splot"});
    ASSERT_EQ(chmod(out.file("r.txt").c_str(), 0640), 0);
    ProgramResult r = run_dss(with(args_for(model, out), {"-o", out.file("r.txt"), "-O", out.file("states.txt")}));
    EXPECT_EQ(r.status, 0) << r.err;
    auto after = contents(out);
    std::vector<std::string> names;
    for (const auto& f : after) names.push_back(f.first);
    EXPECT_EQ(names, (std::vector<std::string>{"bd.dss.Up.cdf.splot", "bd.dss.Up.pdf.splot",
                                                "r.csv", "r.txt", "states.txt"}));
    EXPECT_NE(after["r.txt"].find("Finished: "), std::string::npos);
    EXPECT_EQ(after["states.txt"].find("previous"), std::string::npos);
    EXPECT_EQ(after["bd.dss.Up.pdf.splot"].find("previous"), std::string::npos);
}

// A result reached through a symbolic link is written to the link's target; the link stays.
TEST(OutputFailures, ResultThroughASymbolicLinkReplacesItsTarget)
{
    TempDir model, out, elsewhere;
    write_chain(model, 2);
    elsewhere.write("kept.txt", "previous\n");
    ASSERT_EQ(symlink(elsewhere.file("kept.txt").c_str(), out.file("r.txt").c_str()), 0);
    ProgramResult r = run_dss(with(args_for(model, out), {"-o", out.file("r.txt")}));
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat st;
    ASSERT_EQ(lstat(out.file("r.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(slurp(elsewhere.file("kept.txt")).find("Finished: "), std::string::npos);
    EXPECT_EQ(contents(elsewhere).size(), 1u);
}

namespace {

// Starts dss with its state file a named pipe nobody reads: the program stops in
// opening it, after the report and the CSV file have been begun, until a signal
// ends it. The temporary report's name is seen before the signal is sent.
ProgramResult interrupted_run(const TempDir& model, const TempDir& out, int signal, int& ended_by)
{
    std::string pipe = out.file("pipe");
    EXPECT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    StartedProgram p = start_dss(with(args_for(model, out), {"-o", out.file("r.txt"), "-O", pipe}));
    bool begun = false;
    for (int i = 0; i < 6000 && !begun; ++i) {  // the wait is bounded only so a fault ends it
        for (const auto& e : std::filesystem::directory_iterator(out.path))
            if (e.path().filename().string().rfind(".r.txt.", 0) == 0 &&
                std::filesystem::file_size(e.path()) > 0)
                begun = true;
        if (!begun) usleep(10000);
    }
    EXPECT_TRUE(begun);
    signal_dss(p, signal);
    ProgramResult r = finish_program(p, &ended_by);
    unlink(pipe.c_str());
    return r;
}

}  // namespace

TEST(OutputFailures, InterruptMidWriteLeavesThePreviousResults)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        TempDir model, out;
        write_chain(model, 3);
        write_previous(out, {"r.txt", "r.csv"});
        auto before = contents(out);
        int ended_by = -1;
        ProgramResult r = interrupted_run(model, out, signal, ended_by);
        EXPECT_EQ(ended_by, 0) << signal;
        EXPECT_EQ(r.status, 128 + signal);
        EXPECT_EQ(r.err, "Interrupted: no results were written\n");
        EXPECT_EQ(contents(out), before) << signal;
    }
}

// A tidy CSV file that cannot be written fails the run in the same way: status 1, its name and
// the system's reason, and every previous result left as it was.
TEST(OutputFailures, TidyFileOnAFullDiskLeavesThePreviousReport)
{
    TempDir model, out;
    write_chain(model, 2);
    std::string full = full_device(out);
    if (full.empty()) GTEST_SKIP() << "no full device";
    write_previous(out, {"r.txt", "r.csv", "s.txt"});
    ProgramResult r =
        run_dss(with(args_for(model, out), {"-o", out.file("r.txt"), "-O", out.file("s.txt"), "-T", full}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: could not write the tidy CSV file " + full + NO_SPACE);
    for (const char* f : {"r.txt", "r.csv", "s.txt"})
        EXPECT_EQ(slurp(out.file(f)), std::string("previous ") + f + "\n") << f;
}

#ifdef VELMAR_HAVE_JSON
// A JSON results file that cannot be written fails the run: no report claims it finished,
// and the previous report and CSV file stay.
TEST(OutputFailures, JsonFileOnAFullDiskLeavesThePreviousReport)
{
    TempDir model, out;
    write_chain(model, 2);
    std::string full = full_device(out);
    if (full.empty()) GTEST_SKIP() << "no full device";
    write_previous(out, {"r.txt", "r.csv"});
    ProgramResult r = run_dss(with(args_for(model, out), {"-o", out.file("r.txt"), "-j", full}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: could not write the JSON results file " + full + NO_SPACE);
    EXPECT_EQ(slurp(out.file("r.txt")), "previous r.txt\n");
    EXPECT_EQ(slurp(out.file("r.csv")), "previous r.csv\n");
}
#endif
