// Every result must reach its file: a write, flush or close that fails ends
// the run with a message naming the file and the system's reason.
#ifndef VELMAR_OUTPUTCHECK_H
#define VELMAR_OUTPUTCHECK_H

#include <cstdio>

// The file descriptor behind a stream made by open_output, and the reason
// (an errno value) of the stream's first failed write; 0 while none has.
struct OutputSink {
    int fd = -1;
    int reason = 0;
};

// Opens `name` for writing as fopen(name, "w") does; the stream writes through
// *sink, which must outlive it, and notes there the reason of its first failed
// write. Null, with errno set, when the file cannot be opened.
FILE* open_output(const char* name, OutputSink* sink);

// Flushes the stream; false when it or any earlier write to it failed, with
// the reason in errno (the noted one when the stream keeps it).
bool output_intact(FILE* f, const OutputSink* failure = nullptr);

// Writes "Error writing file NAME: REASON" to standard error and ends the run with status 1.
[[noreturn]] void write_failed(const char* name, int reason);

// Ends the run as write_failed does unless every write to the stream succeeded.
void check_output(FILE* f, const char* name, const OutputSink* failure = nullptr);

// Flushes and closes the stream, ending the run as write_failed does when a
// write, the flush or the close failed.
void close_output(FILE* f, const char* name, const OutputSink* failure = nullptr);

#endif
