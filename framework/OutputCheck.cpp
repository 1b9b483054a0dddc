// Checks of the output streams. The C library forgets why a buffered write
// failed once a flush has dropped the data, so the solver's files write
// through a stream that notes the first reason.
#include "framework/OutputCheck.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/PendingOutputs.h"

namespace {

// Writes the whole buffer; on failure notes the first reason and returns the bytes written.
ssize_t sink_write(void* cookie, const char* buf, size_t size)
{
    OutputSink* sink = static_cast<OutputSink*>(cookie);
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(sink->fd, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            if (sink->reason == 0) sink->reason = errno;
            break;
        }
        done += (size_t)n;
    }
    return (ssize_t)done;
}

// Closes the descriptor, noting the reason when that fails.
int sink_close(void* cookie)
{
    OutputSink* sink = static_cast<OutputSink*>(cookie);
    int result = close(sink->fd);
    if (result != 0 && sink->reason == 0) sink->reason = errno;
    sink->fd = -1;
    return result;
}

OutputSink standardOutput;
FILE* guardedOutput = nullptr;
bool holdingOutputs = false;

}  // namespace

void guard_standard_output()
{
    if (guardedOutput != nullptr) return;
    standardOutput.fd = STDOUT_FILENO;
    // no close function: the descriptor stays open for whatever is written at exit
    cookie_io_functions_t io = {nullptr, sink_write, nullptr, nullptr};
    FILE* f = fopencookie(&standardOutput, "w", io);
    if (f == nullptr) return;
    fflush(stdout);
    setvbuf(f, nullptr, isatty(STDOUT_FILENO) == 1 ? _IOLBF : _IOFBF, BUFSIZ);
    stdout = f;
    guardedOutput = f;
}

const OutputSink* sink_of(FILE* f, const OutputSink* other)
{
    return f != nullptr && f == guardedOutput ? &standardOutput : other;
}

// Opens the file the output goes to, noting in *sink the temporary file when there is one.
static int open_target(const char* name, OutputSink* sink)
{
    std::string target = name;
    struct stat st;
    if (lstat(name, &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = realpath(name, nullptr);  // the result replaces the link's target
        if (real != nullptr) target = real;
        free(real);
    }
    bool exists = stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return -1;
    }
    if (exists && !S_ISREG(st.st_mode))  // a device or a pipe takes the data as it comes
        return open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (exists && access(target.c_str(), W_OK) != 0) return -1;
    sink->path = target;
    int fd = create_pending(target, sink->temporary);
    if (fd >= 0 || errno != EACCES || !exists) return fd;
    // a file the user may write in a directory he may not: written in place, as ever
    sink->path = name;
    return open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

FILE* open_output(const char* name, OutputSink* sink)
{
    sink->path = name;
    sink->shown = name;
    sink->temporary.clear();
    sink->reason = 0;
    sink->fd = -1;
    int fd = open_target(name, sink);
    if (fd < 0) return nullptr;
    sink->fd = fd;
    cookie_io_functions_t io = {nullptr, sink_write, nullptr, sink_close};
    FILE* f = fopencookie(sink, "w", io);
    if (f != nullptr) return f;
    int reason = errno;
    close(fd);
    sink->fd = -1;
    if (!sink->temporary.empty()) discard_pending(sink->temporary);
    sink->temporary.clear();
    errno = reason;
    return nullptr;
}

int finish_output(FILE* f, OutputSink* sink)
{
    int reason = 0;
    if (!output_intact(f, sink)) reason = errno;
    errno = 0;
    if (fclose(f) != 0 && reason == 0) {
        reason = sink != nullptr && sink->reason != 0 ? sink->reason : errno;
        if (reason == 0) reason = EIO;
    }
    if (reason != 0 && sink != nullptr && !sink->temporary.empty()) {
        discard_pending(sink->temporary);
        sink->temporary.clear();
    }
    return reason;
}

int commit_output(OutputSink* sink)
{
    if (sink == nullptr || sink->temporary.empty()) return 0;
    std::string temporary;
    temporary.swap(sink->temporary);
    if (!holdingOutputs) return commit_pending(temporary, sink->path) ? 0 : errno;
    hold_pending(temporary, sink->path, sink->shown);
    return 0;
}

void hold_outputs_to_the_end() { holdingOutputs = true; }

void commit_outputs()
{
    std::string failed;
    int reason = commit_held(failed);
    if (reason != 0) write_failed(failed.c_str(), reason);
}

bool output_intact(FILE* f, const OutputSink* failure)
{
    errno = 0;
    bool flushed = fflush(f) == 0;
    if (flushed && !ferror(f)) return true;
    if (failure != nullptr && failure->reason != 0) errno = failure->reason;
    if (errno == 0) errno = EIO;  // an earlier write failed and its reason is gone
    return false;
}

void open_failed(const char* name)
{
    int reason = errno != 0 ? errno : EIO;
    fprintf(stderr, "Error: cannot create %s: %s\n", name, strerror(reason));
    fflush(stderr);
    errno = reason;
}

void write_failed(const char* name, int reason)
{
    fprintf(stderr, "Error writing file %s: %s\n", name, strerror(reason));
    fflush(stderr);
    exit(1);
}

void check_output(FILE* f, const char* name, const OutputSink* failure)
{
    if (!output_intact(f, sink_of(f, failure))) write_failed(name, errno);
}

void close_output(FILE* f, const char* name, OutputSink* sink)
{
    int reason = finish_output(f, sink);
    if (reason == 0) reason = commit_output(sink);
    if (reason != 0) write_failed(name, reason);
}
