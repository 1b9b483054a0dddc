// The report header every solver shares, time stamps and the fatal exit.
#ifndef VELMAR_REPORT_FUNCTIONS_H
#define VELMAR_REPORT_FUNCTIONS_H

#include <cstdio>

// Current local time in ctime form, newline included; valid until the next call.
const char* getAsciiTime();
// New[]-allocated copy of s; null for null.
char* strDup(const char* s);
char* getVelmarName();
// The release the banner and --version name: "Version 2.5".
const char* getVelmarVersion();
// The release alone: "2.5".
const char* getVelmarRelease();
void print_centered_title(const char* a, const char* b, const char* c, FILE* out);
void solver_banner(const char* solverName, const char* title, const char* resultsWord,
                   const char* project, const char* study, const char* ssgPath,
                   const char* experiment, const char* commentsFile, FILE* out);
void annotate(const char* commentsFile, FILE* out);
void copy_globals(const char* solverName, const char* project, const char* ssgPath,
                  const char* experiment, FILE* out);
// Writes the message and a termination line, closes the stream, exits with status 1.
[[noreturn]] void fatal_error(FILE* out, const char* message);

#endif
