// Every command the documentation shows is run against this build and must succeed: a page
// at a time, its blocks in order in one fresh directory that holds copies of examples/ and
// tests/data/, with dss, splot2svg, ssgen (and dss-mpi when it is built) first on PATH.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/doc/ShownBlocks.h"
#include "tests/support/TempDir.h"
#include "tests/support/run_program.h"

namespace fs = std::filesystem;

namespace {

// The pages, as paths relative to the source tree: the README first, then doc/ in order.
std::vector<std::string> pages()
{
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(fs::path(VELMAR_SOURCE_DIR) / "doc"))
        if (e.path().extension() == ".md") found.push_back("doc/" + e.path().filename().string());
    std::sort(found.begin(), found.end());
    found.insert(found.begin(), "README.md");
    return found;
}

std::string pageText(const std::string& page)
{
    return slurp(std::string(VELMAR_SOURCE_DIR) + "/" + page);
}

// The built programs under the names the pages use.
void linkPrograms(const TempDir& bin)
{
    std::vector<std::pair<std::string, std::string>> programs = {
        {"dss", DSS_BINARY}, {"splot2svg", SPLOT2SVG_BINARY}, {"ssgen", SSGEN_BINARY}};
#ifdef DSS_MPI_BINARY
    programs.push_back({"dss-mpi", DSS_MPI_BINARY});
#endif
    for (const auto& p : programs) fs::create_symlink(p.second, bin.file(p.first));
}

// dss-mpi's commands run where it is built, and not in a sanitizer build, whose suite runs
// the commands of dss once (dss-mpi's shared guard tests run under mpiexec in the plain build).
bool mpiBuilt()
{
#if defined(DSS_MPI_BINARY) && !defined(VELMAR_SANITIZE_BUILD)
    return true;
#else
    return false;
#endif
}

// What a page's commands run with: the programs first on PATH; under mpirun, Open MPI allowed
// to run as root and on more processes than cores, over shared memory only, and its
// allocations, kept until the end, not counted as leaks by a sanitizer build.
std::vector<std::string> environment(const TempDir& bin, bool mpi)
{
    const char* path = std::getenv("PATH");
    std::vector<std::string> env = {"PATH=" + bin.path + ":" + (path ? path : "/usr/bin:/bin")};
    if (mpi)
        env.insert(env.end(), {"OMPI_ALLOW_RUN_AS_ROOT=1", "OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1",
                               "OMPI_MCA_rmaps_base_oversubscribe=1",
                               "OMPI_MCA_btl_vader_single_copy_mechanism=none",
                               "OMPI_MCA_btl=self,vader", "OMPI_MCA_pml=ob1", "ASAN_OPTIONS=detect_leaks=0"});
    return env;
}

std::string name(std::string page)
{
    for (char& c : page)
        if (!std::isalnum((unsigned char)c)) c = '_';
    return page;
}

class ShownCommands : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(ShownCommands, RunAndSucceed)
{
    const std::string page = GetParam();
    ShownPage shown = shownBlocks(pageText(page), page == "README.md");
    for (const std::string& fault : shown.faults) ADD_FAILURE() << page << ", " << fault;

    TempDir work, bin;
    fs::copy(fs::path(VELMAR_SOURCE_DIR) / "examples", work.file("examples"), fs::copy_options::recursive);
    fs::create_directory(work.file("tests"));
    fs::copy(VELMAR_TEST_DATA, work.file("tests/data"), fs::copy_options::recursive);
    linkPrograms(bin);
    for (const ShownBlock& block : shown.blocks) {
        if (!block.runs()) continue;
        bool mpi = block.text.find("dss-mpi") != std::string::npos;
        if (mpi && !mpiBuilt()) continue;
        ProgramResult r = run_program("/bin/bash", {"-e", "-o", "pipefail", "-c", block.text},
                                      work.path, environment(bin, mpi));
        EXPECT_EQ(r.status, 0) << page << ", line " << block.line << ":\n" << block.text
                               << "--- standard output:\n" << r.out.substr(0, 4000)
                               << "--- standard error:\n" << r.err.substr(0, 4000);
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, ShownCommands, ::testing::ValuesIn(pages()),
                         [](const ::testing::TestParamInfo<std::string>& p) { return name(p.param); });

// The pages show commands at all, and every link from one page to another reaches a file.
TEST(ShownPages, HaveCommandsAndLinksThatReachTheirFiles)
{
    size_t commands = 0;
    std::regex link(R"(\]\(([^)#:\s]+)(#[^)]*)?\))");
    for (const std::string& page : pages()) {
        std::string text = pageText(page);
        for (const ShownBlock& b : shownBlocks(text, page == "README.md").blocks) commands += b.runs();
        fs::path dir = (fs::path(VELMAR_SOURCE_DIR) / page).parent_path();
        for (auto m = std::sregex_iterator(text.begin(), text.end(), link); m != std::sregex_iterator(); ++m)
            EXPECT_TRUE(fs::exists(dir / (*m)[1].str())) << page << " links to " << (*m)[1];
    }
    EXPECT_GE(commands, 10u);
}

// The convention itself: only plain sh blocks run, the README's build commands stay out, and
// a block that does not say its kind is a fault rather than a command silently left out.
TEST(ShownPages, ConventionPicksTheCommands)
{
    std::string readme = "# t\n```sh\nbuild\n```\n## Use\n```sh\ndss a\n```\n```text\nout\n```\n"
                         "```sh not-run\nsudo x\n```\n";
    ShownPage p = shownBlocks(readme, true);
    ASSERT_EQ(p.blocks.size(), 3u);
    EXPECT_TRUE(p.blocks[0].runs());
    EXPECT_EQ(p.blocks[0].text, "dss a\n");
    EXPECT_EQ(p.blocks[0].line, 6);
    EXPECT_FALSE(p.blocks[1].runs());
    EXPECT_FALSE(p.blocks[2].runs());
    EXPECT_TRUE(p.faults.empty());
    EXPECT_EQ(shownBlocks(readme, false).blocks.size(), 4u);

    EXPECT_EQ(shownBlocks("```\ndss\n```\n", false).faults.size(), 1u);
    EXPECT_EQ(shownBlocks("- item\n  ```sh\n  dss\n  ```\n", false).faults.size(), 2u);
    EXPECT_EQ(shownBlocks("```sh\ndss\n", false).faults.size(), 1u);
}
