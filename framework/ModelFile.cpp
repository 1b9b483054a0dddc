// The words a one-file run stands for.
#include "framework/ModelFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "framework/InputError.h"
#include "framework/StateSpaceFiles.h"

namespace {

struct Ending {
    const char* suffix;
    const char* format;
};

const Ending endings[] = {{".arm", "flat"}, {".tra", "prism"}, {".pexp", "prism"}, {".drn", "drn"}};

bool endsWith(const std::string& word, const std::string& suffix)
{
    return word.size() > suffix.size() && word.compare(word.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

// The ending of the model file the word names, or null.
static const Ending* endingOf(const std::string& word)
{
    for (const Ending& e : endings)
        if (endsWith(word, e.suffix)) return &e;
    return nullptr;
}

std::string model_file_format(const std::string& word)
{
    const Ending* e = endingOf(word);
    return e != nullptr ? e->format : "";
}

// Throws InputError when the model file the word names cannot be read as named: a missing file
// (with every format's file looked for), or PRISM's single file beside the B.tra that PRISM's
// level would read first.
static void requireModelFile(const std::string& word, const Ending& ending, const std::string& base)
{
    struct stat st;
    if (stat(word.c_str(), &st) != 0) {
        const std::string reason = strerror(errno);
        throw InputError("Error: the model file " + shown_escaped(word) + ": " + reason + ".\nLooked for the model " +
                             shown_escaped(base) + " in every format:\n" + model_search_lines(base),
                         InputError::STANDARD_ERROR);
    }
    if (std::strcmp(ending.suffix, ".pexp") == 0 && stat((base + ".tra").c_str(), &st) == 0)
        throw InputError("Error: the model file " + shown_escaped(word) + " is not read while " + shown_escaped(base) +
                             ".tra is there: name that file, or move one of them.\n",
                         InputError::STANDARD_ERROR);
}

std::vector<std::string> one_file_words(int argc, char** argv, int model, const std::string& letters)
{
    const std::string word = argv[model];
    const Ending* ending = endingOf(word);
    const std::string base = ending != nullptr ? word.substr(0, word.size() - strlen(ending->suffix)) : word;
    const size_t slash = base.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "./" : base.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? base : base.substr(slash + 1);
    if (name.empty())
        throw InputError("Error: the model \"" + shown_escaped(word) +
                             "\" names a directory, not a model file (E.arm, E.tra, E.pexp or E.drn).\n",
                         InputError::STANDARD_ERROR);
    if (ending != nullptr) requireModelFile(word, *ending, dir + name);
    std::vector<std::string> words(argv, argv + model);
    words.insert(words.end(), {"-G", dir, "-E", name});
    if (ending != nullptr && letters.find('F') == std::string::npos) words.insert(words.end(), {"-F", ending->format});
    words.insert(words.end(), argv + model + 1, argv + argc);
    if (letters.find('P') == std::string::npos) words.insert(words.end(), {"-P", name});
    if (letters.find('S') == std::string::npos) words.insert(words.end(), {"-S", name});
    if (letters.find('s') == std::string::npos) words.insert(words.end(), {"-s", "./"});
    return words;
}
