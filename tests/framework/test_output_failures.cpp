// Results that cannot be written are never reported as written: a write,
// flush or close that fails ends the run with status 1 and a message naming
// the file and the system's reason, and no "Finished:" line claims the report
// complete. Full disks are made without privileges: a full device and a
// lowered file-size limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

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

}  // namespace

TEST(OutputFailures, ReportOnAFullDiskEndsWithItsNameAndReason)
{
    TempDir model, out;
    write_chain(model, 2);
    std::string full = full_device(out);
    if (full.empty()) GTEST_SKIP() << "no full device";
    ASSERT_EQ(symlink(full.c_str(), out.file("r.txt").c_str()), 0);
    ProgramResult r = run_program(DSS_BINARY, with(args_for(model, out), {"-o", out.file("r.txt")}));
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
    ProgramResult r = run_program(DSS_BINARY, with(args_for(model, out), {"-o", "/dev/full"}));
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
    for (std::string option : {"-O", "-d"}) {
        ProgramResult r = run_program(
            DSS_BINARY, with(args_for(model, out), {"-o", out.file("r.txt"), option, full}));
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_EQ(r.out, "") << option;
        EXPECT_EQ(r.err, "Error writing file " + full + NO_SPACE) << option;
        EXPECT_EQ(slurp(out.file("r.txt")).find("Finished: "), std::string::npos) << option;
    }
}

TEST(OutputFailures, ReportOnStandardOutputIntoAFullDisk)
{
    TempDir model, out;
    write_chain(model, 2);
    std::string full = full_device(out);
    if (full.empty()) GTEST_SKIP() << "no full device";
    std::string command = std::string(DSS_BINARY);
    for (const std::string& a : args_for(model, out)) command += " '" + a + "'";
    ProgramResult r = run_program("/bin/sh", {"-c", command + " >'" + full + "'"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("Error writing file (standard output): "), 0u) << r.err;
}

TEST(OutputFailures, FileSizeLimitCutsAPlotFileWhichIsRemoved)
{
    // the report fits in 4096 bytes, the plot of 400 distinct values does not
    TempDir model, out;
    write_chain(model, 400);
    ProgramResult r = run_program(DSS_BINARY,
                                  with(args_for(model, out), {"-o", out.file("r.txt")}), "", {},
                                  0, 4096);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error writing file " + out.file("bd.dss.Up.cdf.splot") +
                         ": File too large\n");
    EXPECT_FALSE(exists(out.file("bd.dss.Up.cdf.splot")));
    EXPECT_FALSE(exists(out.file("bd.dss.Up.pdf.splot")));
    std::string report = slurp(out.file("r.txt"));
    const std::string tail =
        "plot_pdf: cannot write plot file\nfatal_error: program is being terminated\n";
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
    EXPECT_EQ(slurp(out.file("r.csv")), "");  // no block for the PV whose plot was lost
}

TEST(OutputFailures, FileSizeLimitCutsTheStateFile)
{
    // no PV is evaluated (type 1): the state table is the only large output
    TempDir model, out;
    write_chain(model, 400, 1);
    ProgramResult r = run_program(
        DSS_BINARY,
        with(args_for(model, out), {"-o", out.file("r.txt"), "-O", out.file("states.txt")}), "",
        {}, 0, 2048);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error writing file " + out.file("states.txt") + ": File too large\n");
    EXPECT_EQ(slurp(out.file("states.txt")).size(), 2048u);
    std::string report = slurp(out.file("r.txt"));
    EXPECT_NE(report.find("DSSSolver done\n"), std::string::npos);
    EXPECT_EQ(report.find("Finished: "), std::string::npos);
}
