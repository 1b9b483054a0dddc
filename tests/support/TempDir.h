// A fresh temporary directory for one test, removed with everything in it when the object
// goes, so that tests running side by side (ctest -j) never share a file name.
#ifndef VELMAR_TESTS_SUPPORT_TEMPDIR_H
#define VELMAR_TESTS_SUPPORT_TEMPDIR_H

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

struct TempDir {
    std::string path;
    TempDir()
    {
        std::string name = (std::filesystem::temp_directory_path() / "velmar_testXXXXXX").string();
        if (mkdtemp(&name[0]) == nullptr)
            throw std::filesystem::filesystem_error("mkdtemp", name, std::error_code(errno, std::generic_category()));
        path = name;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The path with a trailing slash, as the -G and -s options want it.
    std::string dir() const { return path + "/"; }
    std::string file(const std::string& name) const { return path + "/" + name; }
    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(file(name), std::ios::binary) << text;
    }
};

#endif
