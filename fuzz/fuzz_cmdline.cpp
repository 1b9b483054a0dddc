// Fuzzes the option parses of one command line and its check: the input is split at
// NUL bytes into the words after the program name. Each parse must leave argv in
// the order it was received, and a letter that takes a value never comes without one.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dss/DSSSolver.h"
#include "framework/BaseStateLevelSolver.h"
#include "framework/ProgramFace.h"
#include "framework/CommandLine.h"
#include "framework/InputError.h"
#include "framework/ModelFile.h"
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

    // every parse of the option table, each value handed over as its letter takes it
    for (OptionParse parse : allOptionParses) {
        velmar_parse(argc, argv.data(), parse, [&](int c, const char* value) {
            if (value == nullptr && velmar_option_arity((char)c) == 1) abort();
        });
        check_order(std::vector<char*>(argv.begin(), argv.end() - 1), received);
    }
    CommandLineCheck check = checkCommandLine(argc, argv.data());
    check_order(std::vector<char*>(argv.begin(), argv.end() - 1), received);
    // a one-file run names its model by -G and -E, and only so
    if (check.model >= 0) {
        if (check.model >= argc || check.letters.find_first_of("GE") != std::string::npos) abort();
        try {
            std::vector<std::string> run = one_file_words(argc, argv.data(), check.model, check.letters);
            if (run.size() < (size_t)argc + 3) abort();
        } catch (const InputError&) {
        }
    }
    optind = 0;
    ProgramFace face;
    face.createSolver = createDssSolver;
    setProgramFace(face);
    BaseStateLevelSolver* solver = BaseStateLevelSolver::createStateLevelSolver(nullptr, argc, argv.data());
    check_order(std::vector<char*>(argv.begin(), argv.end() - 1), received);
    delete solver;
    return 0;
}
