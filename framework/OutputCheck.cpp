// Checks of the output streams. The C library forgets why a buffered write
// failed once a flush has dropped the data, so the solver's files write
// through a stream that notes the first reason.
#include "framework/OutputCheck.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

}  // namespace

FILE* open_output(const char* name, OutputSink* sink)
{
    int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    sink->fd = fd;
    sink->reason = 0;
    cookie_io_functions_t io = {nullptr, sink_write, nullptr, sink_close};
    FILE* f = fopencookie(sink, "w", io);
    if (f != nullptr) return f;
    int reason = errno;
    close(fd);
    sink->fd = -1;
    errno = reason;
    return nullptr;
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

void write_failed(const char* name, int reason)
{
    fprintf(stderr, "Error writing file %s: %s\n", name, strerror(reason));
    fflush(stderr);
    exit(1);
}

void check_output(FILE* f, const char* name, const OutputSink* failure)
{
    if (!output_intact(f, failure)) write_failed(name, errno);
}

void close_output(FILE* f, const char* name, const OutputSink* failure)
{
    check_output(f, name, failure);
    errno = 0;
    if (fclose(f) == 0) return;
    int reason = failure != nullptr && failure->reason != 0 ? failure->reason : errno;
    write_failed(name, reason != 0 ? reason : EIO);
}
