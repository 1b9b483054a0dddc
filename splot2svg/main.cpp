// splot2svg: draws the solver's ".splot" plot files as SVG pictures.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "splot2svg/Convert.h"

namespace {

const char USAGE[] =
    "usage: splot2svg [-] FILE.splot...\n"
    "Writes FILE.svg beside each FILE.splot; with -, writes the SVG to standard output.\n";

}  // namespace

// Converts every file named; status 1 when any of them failed.
int main(int argc, char** argv)
{
    bool toStdout = false;
    bool optionsDone = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (optionsDone || a.empty() || a[0] != '-') files.push_back(a);
        else if (a == "-") toStdout = true;
        else if (a == "--") optionsDone = true;
        else if (a == "-h" || a == "--help") return std::cout << USAGE, 0;
        else return std::cerr << "splot2svg: unknown option " << a << "\n" << USAGE, 1;
    }
    if (files.empty()) return std::cerr << USAGE, 1;
    int status = 0;
    for (const std::string& f : files) {
        if (convertSplotFile(f, toStdout ? &std::cout : nullptr, std::cerr) != 0) status = 1;
    }
    std::cout.flush();
    return status;
}
