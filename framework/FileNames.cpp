// Resolution of file names to the files they reach.
#include "framework/FileNames.h"

#include <climits>
#include <cstdlib>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/InputError.h"

// Symbolic links followed before a name is taken as it stands.
static const int MAX_LINKS = 40;

std::string directory_value(const std::string& value)
{
    if (value.empty() || value.back() == '/') return value;
    struct stat st;
    if (stat(value.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return value + "/";
    return value;
}

// The directory part of a path ("." when it has none) and its last component.
static void split_path(const std::string& path, std::string& dir, std::string& last)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        dir = ".";
        last = path;
        return;
    }
    dir = slash == 0 ? "/" : path.substr(0, slash);
    last = path.substr(slash + 1);
}

// file_identity with a bound on the links followed.
static std::string identity(const std::string& path, int links)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
        return "#" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    std::string dir, last;
    split_path(path, dir, last);
    char target[PATH_MAX];
    ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n > 0 && links < MAX_LINKS) {
        target[n] = '\0';
        std::string next = target[0] == '/' ? std::string(target) : dir + "/" + target;
        return identity(next, links + 1);
    }
    char* real = realpath(dir.c_str(), nullptr);
    std::string base = real != nullptr ? real : dir;
    free(real);
    return base + "/" + last;
}

std::string file_identity(const std::string& path) { return identity(path, 0); }

// True for an existing file that is not a regular file (a device, a pipe).
static bool existing_special(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

void refuse_shared_files(const std::vector<NamedFile>& outputs,
                         const std::vector<NamedFile>& inputs)
{
    std::map<std::string, const NamedFile*> written;
    for (const NamedFile& out : outputs) {
        if (existing_special(out.path)) continue;
        auto placed = written.emplace(file_identity(out.path), &out);
        if (placed.second) continue;
        const NamedFile& first = *placed.first->second;
        throw InputError("Error: the " + first.role + " " + first.path + " and the " + out.role +
                             " " + out.path + " are the same file; nothing was written.\n",
                         InputError::STANDARD_ERROR);
    }
    for (const NamedFile& in : inputs) {
        auto hit = written.find(file_identity(in.path));
        if (hit == written.end()) continue;
        const NamedFile& out = *hit->second;
        throw InputError("Error: the " + out.role + " " + out.path + " is the " + in.role + " " +
                             in.path + "; nothing was written.\n",
                         InputError::STANDARD_ERROR);
    }
}
