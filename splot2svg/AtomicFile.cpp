#include "splot2svg/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The directory part of a path, with its slash ("" for the current directory).
std::string directoryOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Writes every byte to fd; false with errno set when the system refuses.
bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The permissions a newly created file gets under the process's umask.
mode_t newFileMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

// Writes the bytes to a fresh temporary file beside `path` and renames it over `path`.
std::string replaceFile(const std::string& path, const std::string& bytes)
{
    std::string pattern = directoryOf(path) + ".splot2svg-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());  // O_CREAT | O_EXCL: never an existing file or link
    if (fd < 0) return std::string("cannot create a temporary file beside it: ") + std::strerror(errno);
    std::string temporary = name.data();
    bool written = writeAll(fd, bytes) && fchmod(fd, newFileMode()) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return "";
    if (written) savedErrno = errno;
    ::unlink(temporary.c_str());
    return std::string("cannot write: ") + std::strerror(savedErrno);
}
