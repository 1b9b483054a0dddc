// The build's layer check: an include that points up the layers fails it, naming the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/run_program.h"

namespace fs = std::filesystem;

namespace {

// Writes text to root/path, making its folders.
void put(const fs::path& root, const std::string& path, const std::string& text)
{
    fs::create_directories((root / path).parent_path());
    std::ofstream(root / path) << text;
}

ProgramResult checkLayers(const fs::path& root)
{
    return run_program(CMAKE_BINARY, {"-DROOT=" + root.string(), "-P", std::string(VELMAR_SOURCE_DIR) + "/cmake/LayerCheck.cmake"});
}

}  // namespace

TEST(LayerCheck, TheTreeAsItStandsPasses)
{
    ProgramResult r = checkLayers(VELMAR_SOURCE_DIR);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(LayerCheck, AnIncludeUpTheLayersFailsNamingTheFileAndWhatItMayUse)
{
    TempDir tree;
    const fs::path root = tree.path;
    put(root, "framework/Names.h", "#include \"framework/Other.h\"\n#include <vector>\n");
    put(root, "chain/Blocks.cpp", "#include \"statelevel/BaseStateLevel.h\"\n#include \"chain/Blocks.h\"\n");
    put(root, "lu/Factors.cpp", "#include \"lu/Matrix.h\"\n");
    ProgramResult clean = checkLayers(root);
    EXPECT_EQ(clean.status, 0) << clean.err;

    // a kernel that reaches the driver, and the lowest layer that reaches the state level
    put(root, "lu/Factors.cpp", "#include \"lu/Matrix.h\"\n  #  include \"dss/DSSSolver.h\"\n");
    put(root, "framework/Names.h", "#include \"statelevel/BaseStateLevel.h\"\n");
    ProgramResult r = checkLayers(root);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("lu/Factors.cpp: #  include \"dss/DSSSolver.h\" (lu may include only: lu)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("framework/Names.h: #include \"statelevel/BaseStateLevel.h\""), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("chain/Blocks.cpp"), std::string::npos) << r.err;
}
