// Report header, comments block, global-variable copy and the fatal exit.
#include "framework/report_functions.h"
#include <cerrno>
#include <cstdio>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

static const char* const OWNERSHIP_NOTICE =
    "\nCopyright (c) 2026 the Velmar developers. Distributed with the Velmar tools.";

const char* getAsciiTime()
{
    time_t now = time(nullptr);
    const char* text = now == (time_t)-1 ? nullptr : ctime(&now);
    if (text == nullptr) return "getAsciiTime: Could not get a time stamp from this system.\n";
    return text;
}

char* strDup(const char* s)
{
    if (s == nullptr) return nullptr;
    size_t n = std::strlen(s);
    char* copy = new char[n + 1];
    std::memcpy(copy, s, n + 1);
    return copy;
}

const char* getVelmarRelease()
{
    return "2.5";
}

const char* getVelmarVersion()
{
    static const std::string version = std::string("Version ") + getVelmarRelease();
    return version.c_str();
}

char* getVelmarName()
{
    static char name[] = "Velmar";
    return name;
}

// One title line centred in 76 columns; over-long titles get no padding.
void print_centered_title(const char* a, const char* b, const char* c, FILE* out)
{
    long total = (long)(std::strlen(a) + std::strlen(b) + std::strlen(c));
    long pad = total >= 76 ? 0 : (76 - total) / 2;
    std::string spaces((size_t)pad, ' ');
    if (*a != '\0')
        fprintf(out, "%s%s %s %s\n", spaces.c_str(), a, b, c);
    else
        fprintf(out, "%s%s %s\n", spaces.c_str(), b, c);
}

// Last component of a path, after dropping one trailing separator.
static std::string state_space_name(const char* ssgPath)
{
    char* copy = strDup(ssgPath ? ssgPath : "");
    size_t n = std::strlen(copy);
    if (n > 0 && (copy[n - 1] == '/' || copy[n - 1] == '\\')) copy[n - 1] = '\0';
    char* rest = copy;
    char* piece = copy;
    char* token;
    while ((token = strsep(&rest, "/\\")) != nullptr) piece = token;
    std::string name = piece;
    delete[] copy;
    return name;
}

void solver_banner(const char* solverName, const char* title, const char* resultsWord,
                   const char* project, const char* study, const char* ssgPath,
                   const char* experiment, const char* commentsFile, FILE* out)
{
    std::string name = state_space_name(ssgPath);
    fprintf(out, "%s %s %s, %s\n\n", getVelmarName(), solverName, getVelmarVersion(), OWNERSHIP_NOTICE);
    fprintf(out, "***************************************");
    fprintf(out, "***************************************\n");
    print_centered_title(getVelmarName(), title, "", out);
    fprintf(out, "\n");
    print_centered_title("", title, resultsWord, out);
    fprintf(out, "***************************************");
    fprintf(out, "***************************************\n\n");
    fprintf(out, "Started: %s\n", getAsciiTime());
    fprintf(out, "Project name: %s\n", project ? project : "");
    fprintf(out, "Study name: %s\n", study ? study : "");
    fprintf(out, "State space name: %s\n", name.c_str());
    fprintf(out, "Experiment name: %s\n", experiment ? experiment : "");
    if (commentsFile && *commentsFile) {
        annotate(commentsFile, out);
        fprintf(out, "\n\n");
    }
    copy_globals(solverName, project, ssgPath, experiment, out);
}

void annotate(const char* commentsFile, FILE* out)
{
    fprintf(out, "Comments:\n");
    FILE* in = fopen(commentsFile, "r");
    if (in == nullptr) {
        int reason = errno;
        fprintf(out, "     Could not open comments file:\n");
        fprintf(out, "     %s\n", commentsFile);
        // the report names the file; the reason goes beside it to standard error
        fprintf(stderr, "Warning: cannot open comments file %s: %s.\n", commentsFile, strerror(reason));
        fflush(stderr);
        return;
    }
    char piece[512];
    while (fgets(piece, sizeof piece, in) != nullptr) fprintf(out, "     %s", piece);
    fclose(in);
}

void copy_globals(const char* solverName, const char*, const char* ssgPath,
                  const char* experiment, FILE* out)
{
    std::string name = std::string(ssgPath ? ssgPath : "") + (experiment ? experiment : "") + ".parm";
    fprintf(out, "\n");
    FILE* in = fopen(name.c_str(), "rb");
    if (in == nullptr) {
        // a missing global-variable file is common and needs no more words; any other reason is told
        if (errno != ENOENT) {
            fprintf(stderr, "Warning: cannot open global-variable file %s: %s.\n", name.c_str(), strerror(errno));
            fflush(stderr);
        }
        fprintf(out, "%s: Could not open file %s.\n", solverName, name.c_str());
        fprintf(out, "Global variable values not available\n");
        return;
    }
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, in)) > 0) fwrite(block, 1, n, out);
    fclose(in);
}

void fatal_error(FILE* out, const char* message)
{
    fprintf(out, "%s\n", message);
    fprintf(out, "fatal_error: program is being terminated\n");
    fflush(out);
    fclose(out);
    // a report file is not complete and is not kept: the lines go to standard error too
    if (out != stdout && out != stderr) {
        fprintf(stderr, "%s\nfatal_error: program is being terminated\n", message);
        fflush(stderr);
    }
    exit(1);
}
