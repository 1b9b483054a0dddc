// Results are written to a temporary file beside their name; a finished file is
// held, and all the held files of a run take their names together in one final
// step once the run has written every one of them. This registry holds the
// temporary files, so that every way the program ends before that step (exit,
// SIGINT, SIGTERM, SIGHUP) removes them and the previous results stay as they
// were. It is the program's one piece of signal-time state: the handler reads
// a list that only grows and needs nothing but async-signal-safe calls.
#ifndef VELMAR_PENDINGOUTPUTS_H
#define VELMAR_PENDINGOUTPUTS_H

#include <string>

// Installs the handlers of SIGINT, SIGTERM and SIGHUP (remove the pending
// files, say on standard error which results were complete, end with status
// 128 + the signal), ignores SIGXFSZ so that a write past the file-size limit
// fails with EFBIG like any other write error, and removes the pending files
// at exit. Called once, at the start of the program.
void install_output_guards();

// The interrupt handlers of this process end it without a word: for the processes of a
// parallel run other than the first, which says it for all.
void quiet_interrupt();

// Creates a new temporary file beside `path` (O_EXCL: nothing existing is
// opened) with the permissions a new file gets, and registers it. The
// descriptor, or -1 with errno set; `temporary` receives its name.
int create_pending(const std::string& path, std::string& temporary);

// Renames the temporary file over `path` and notes the result complete; with
// the signals held so that an interrupt sees it either pending or done. False
// with errno set (and the temporary file removed) when the rename fails.
bool commit_pending(const std::string& temporary, const std::string& path);

// Notes the finished temporary file to take the name `path` when commit_held runs;
// `shown` names it in a message.
void hold_pending(const std::string& temporary, const std::string& path, const std::string& shown);

// Gives every held file its name, all in one step with the signals held, once the run has
// written all of them: a failure at any point before leaves every previous result as it
// was. 0, or the reason of a rename that failed, whose file's name goes to `failed`; the
// files not yet renamed are then removed.
int commit_held(std::string& failed);

// Removes the temporary file and forgets it.
void discard_pending(const std::string& temporary);

// Removes every temporary file still registered.
void discard_all_pending();

// True while `temporary` is registered.
bool is_pending(const std::string& temporary);

#endif
