#include "splot2svg/AtomicFile.h"

#include "framework/PendingOutputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

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

}  // namespace

// Writes the bytes to a fresh temporary file beside `path` and renames it over `path`.
std::string replaceFile(const std::string& path, const std::string& bytes)
{
    std::string temporary;
    int fd = create_pending(path, temporary);  // O_EXCL: never an existing file or link
    if (fd < 0) return std::string("cannot create a temporary file beside it: ") + std::strerror(errno);
    bool written = writeAll(fd, bytes);
    int savedErrno = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        savedErrno = errno;
    }
    if (!written) {
        discard_pending(temporary);
        return std::string("cannot write: ") + std::strerror(savedErrno);
    }
    if (commit_pending(temporary, path)) return "";
    return std::string("cannot write: ") + std::strerror(errno);
}
