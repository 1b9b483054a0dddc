// Output names checked before the chain is read.
#include "framework/OutputPlaces.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "framework/BaseStateLevelSolver.h"
#include "framework/FileNames.h"
#include "framework/InputError.h"
#include "framework/velmar_getopt.h"
#include "framework/StateSpaceFiles.h"

std::string output_place_problem(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st;
    if (path.empty() || path.back() == '/') return strerror(EISDIR);
    if (stat(dir.c_str(), &st) != 0) return "the directory " + dir + ": " + strerror(errno);
    if (!S_ISDIR(st.st_mode)) return dir + " is not a directory";
    // a name the directory cannot hold would be found only when the finished file is renamed
    long longest = pathconf(dir.c_str(), _PC_NAME_MAX);
    if (longest > 0 && path.size() - (slash == std::string::npos ? 0 : slash + 1) > (size_t)longest)
        return strerror(ENAMETOOLONG);
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return strerror(EISDIR);
        if (!S_ISREG(st.st_mode)) return "";  // a device or a pipe
        if (access(path.c_str(), W_OK) != 0) return strerror(errno);
        return "";  // written in place when its directory may not be written
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) return "the directory " + dir + ": " + strerror(errno);
    return "";
}

std::string experiment_name_problem(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return "an experiment name may not contain '/': the plot files would leave the solver directory";
    if (name == "..") return "an experiment name may not be \"..\"";
    return "";
}

namespace {

// An output with the option that names it.
struct Planned {
    std::string path;
    std::string role;
    std::string option;
};

[[noreturn]] void refuse(const std::string& option, const std::string& path, const std::string& why)
{
    throw InputError("Error: " + option + " " + path + ": " + why + "; nothing was written.\n",
                     InputError::STANDARD_ERROR);
}

}  // namespace

void check_output_places(int argc, char** argv)
{
    std::string ssg, solver, experiment, comments;
    bool haveSsg = false, haveSolver = false, haveExperiment = false, plots = true;
    std::vector<Planned> outputs;
    velmar_parse(argc, argv, OptionParse::OutputPlaces, [&](int c, const char* value) {
        std::string v = value != nullptr ? value : "";
        switch (c) {
        case 'G': ssg = v, haveSsg = true; break;
        case 's': solver = v, haveSolver = true; break;
        case 'E': experiment = v, haveExperiment = true; break;
        case 'K': comments = v; break;
        case 'N': plots = false; break;
        case 'o':
            outputs.erase(std::remove_if(outputs.begin(), outputs.end(),
                                         [](const Planned& p) { return p.option == "-o"; }),
                          outputs.end());
            outputs.push_back({v, "report file", "-o"});
            outputs.push_back({csv_file_name(v.c_str()), "CSV file", "-o"});
            break;
        case 'd': outputs.push_back({v, "debug file", "-d"}); break;
        case 'O': outputs.push_back({v, "state probability file", "-O"}); break;
        case 'j': outputs.push_back({v, "JSON results file", "-j"}); break;
        case 'T': outputs.push_back({v, "tidy CSV file", "-T"}); break;
        default: break;
        }
    });
    // a later -d, -O, -j or -T takes the place of an earlier one, as the solver reads them
    std::vector<Planned> kept;
    for (size_t i = 0; i < outputs.size(); ++i) {
        bool later = false;
        for (size_t k = i + 1; k < outputs.size() && !later; ++k)
            later = outputs[k].role == outputs[i].role;
        if (!later) kept.push_back(outputs[i]);
    }
    // a value with a control character would start a line of the report or of a plot file,
    // or move the terminal's cursor when shown
    velmar_parse(argc, argv, OptionParse::Names, [&](int c, const char* value) {
        if (value == nullptr || !has_control_character(value)) return;
        throw InputError(std::string("Error: -") + (char)c + " \"" + shown_escaped(value) +
                             "\": the value holds a control character; nothing was written.\n",
                         InputError::STANDARD_ERROR);
    });
    if (haveExperiment) {
        std::string why = experiment_name_problem(experiment);
        if (!why.empty()) refuse("-E", experiment, why);
    }
    for (const Planned& p : kept) {
        std::string why = output_place_problem(p.path);
        if (!why.empty()) refuse(p.option, p.path, "the " + p.role + " cannot be written: " + why);
    }
    if (haveSolver && haveExperiment && plots) {
        std::string dirValue = directory_value(solver);
        std::string plot = dirValue + experiment + ".dss.pdf.splot";
        std::string why = output_place_problem(plot);
        if (!why.empty()) refuse("-s", solver, "the plot files cannot be written there: " + why);
    }
    std::vector<NamedFile> written, read;
    for (const Planned& p : kept) written.push_back({p.path, p.role});
    if (haveSsg && haveExperiment) {
        std::string base = directory_value(ssg) + experiment;
        read = state_space_files(base);
        read.push_back({base + ".parm", "global-variable file"});
    }
    if (!comments.empty() && comments[0] == '/') read.push_back({comments, "comments file"});
    else if (!comments.empty() && haveSolver)
        read.push_back({directory_value(solver) + comments, "comments file"});
    refuse_shared_files(written, read);
}
