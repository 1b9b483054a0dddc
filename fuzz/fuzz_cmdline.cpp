// Fuzzes the three option parses of one command line: the input is split at
// NUL bytes into the words after the program name. Each parse must leave
// argv in the order it was received.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/BaseStateLevelSolver.h"
#include "framework/velmar_getopt.h"

static void check_order(const std::vector<char*>& argv, const std::vector<char*>& received)
{
    if (argv != received) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words{"dss"};
    std::string word;
    for (size_t k = 0; k < size && words.size() < 64; ++k) {
        if (data[k] != 0) {
            word.push_back((char)data[k]);
            continue;
        }
        words.push_back(word);
        word.clear();
    }
    if (!word.empty() && words.size() < 64) words.push_back(word);

    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    const std::vector<char*> received = argv;
    argv.push_back(nullptr);
    int argc = (int)words.size();

    std::string path, experiment;
    velmar_parse(argc, argv.data(), "G:E:F:", [&](int c, const char* value) {
        if (c == 'G') path = value;
        else if (c == 'E') experiment = value;
    });
    check_order(std::vector<char*>(argv.begin(), argv.end() - 1), received);
    optind = 0;
    BaseStateLevelSolver* solver = BaseStateLevelSolver::createStateLevelSolver(nullptr, argc, argv.data());
    check_order(std::vector<char*>(argv.begin(), argv.end() - 1), received);
    delete solver;
    return 0;
}
