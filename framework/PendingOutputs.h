// Results are written to a temporary file beside their name and renamed into
// place only when complete. This registry holds the temporary files of the
// outputs still being written, so that every way the program ends (exit,
// SIGINT, SIGTERM, SIGHUP) removes them and the previous results stay as they
// were. It is the program's one piece of signal-time state, kept in fixed
// storage so the handler needs nothing but async-signal-safe calls.
#ifndef VELMAR_PENDINGOUTPUTS_H
#define VELMAR_PENDINGOUTPUTS_H

#include <string>

// Installs the handlers of SIGINT, SIGTERM and SIGHUP (remove the pending
// files, say on standard error which results were complete, end with status
// 128 + the signal), ignores SIGXFSZ so that a write past the file-size limit
// fails with EFBIG like any other write error, and removes the pending files
// at exit. Called once, at the start of the program.
void install_output_guards();

// Creates a new temporary file beside `path` (O_EXCL: nothing existing is
// opened) with the permissions a new file gets, and registers it. The
// descriptor, or -1 with errno set; `temporary` receives its name.
int create_pending(const std::string& path, std::string& temporary);

// Renames the temporary file over `path` and notes the result complete; with
// the signals held so that an interrupt sees it either pending or done. False
// with errno set (and the temporary file removed) when the rename fails.
bool commit_pending(const std::string& temporary, const std::string& path);

// Removes the temporary file and forgets it.
void discard_pending(const std::string& temporary);

// Removes every temporary file still registered.
void discard_all_pending();

// True while `temporary` is registered.
bool is_pending(const std::string& temporary);

#endif
