// Refusal of inputs that are not regular files.
#include "framework/InputFiles.h"

#include <sys/stat.h>

#include "framework/InputError.h"

// What a file of this mode is, in words.
static const char* kind_of(mode_t mode)
{
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a plain file";
}

void require_regular_file(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return;
    throw InputError("Error reading file " + path + ": it is " + kind_of(st.st_mode) +
                         ", not a regular file.\n",
                     InputError::STANDARD_ERROR);
}
