// Every result must reach its file: a write, flush or close that fails ends
// the run with a message naming the file and the system's reason. A result
// file is written under a temporary name beside it and takes its own name
// only when it is complete, so a run that fails or is interrupted leaves the
// previous file as it was (framework/PendingOutputs.h).
#ifndef VELMAR_OUTPUTCHECK_H
#define VELMAR_OUTPUTCHECK_H

#include <cstdio>
#include <string>

// The file descriptor behind a stream made by open_output, and the reason
// (an errno value) of the stream's first failed write; 0 while none has.
// `path` is the file the result is to become (a symbolic link's target) and
// `temporary` the file being written, empty when the output is written in place
// (a device, a pipe, or a writable file in a directory that is not).
struct OutputSink {
    int fd = -1;
    int reason = 0;
    std::string path;
    std::string temporary;
    std::string shown;  // the name the output was asked for, for messages
};

// Opens `name` for writing: a new temporary file beside it, or, for a device
// or a pipe, the name itself. The stream writes through *sink, which must
// outlive it, and notes there the reason of its first failed write. Null, with
// errno set, when the file cannot be created (a directory gives EISDIR, an
// existing file the user may not write EACCES, as opening it would).
FILE* open_output(const char* name, OutputSink* sink);

// Flushes and closes the stream; 0, or the reason it failed, in which case the
// temporary file is removed.
int finish_output(FILE* f, OutputSink* sink);

// Gives the finished output its name; 0, or the reason (the temporary file is then
// removed). After hold_outputs_to_the_end the output is only held, and takes its
// name with all the others in commit_outputs.
int commit_output(OutputSink* sink);

// Makes the outputs of the run take their names together at its end: called by a
// program before it opens any.
void hold_outputs_to_the_end();

// Gives every held output its name in one final step, ending the run as write_failed
// does when a rename fails (the outputs not yet renamed are then removed).
void commit_outputs();

// Sends standard output through a stream that notes the reason of its first failed
// write, so that a full disk behind standard output is reported by its own reason
// (ENOSPC, not EIO). Called at the start of a program that writes with stdio only.
void guard_standard_output();

// The sink of the guarded standard output when `f` is it, else `other`.
const OutputSink* sink_of(FILE* f, const OutputSink* other);

// Writes "Error: cannot create NAME: REASON" (errno's words) to standard error, the
// place and the reason of an output that could not be opened.
void open_failed(const char* name);

// Flushes the stream; false when it or any earlier write to it failed, with
// the reason in errno (the noted one when the stream keeps it).
bool output_intact(FILE* f, const OutputSink* failure = nullptr);

// Writes "Error writing file NAME: REASON" to standard error and ends the run with status 1.
[[noreturn]] void write_failed(const char* name, int reason);

// Ends the run as write_failed does unless every write to the stream succeeded.
void check_output(FILE* f, const char* name, const OutputSink* failure = nullptr);

// Flushes and closes the stream and holds the file for its name, ending the run as
// write_failed does when a write, the flush or the close failed.
void close_output(FILE* f, const char* name, OutputSink* sink = nullptr);

#endif
