// Line-by-line reading of a chain file that knows where it is, so that every
// refusal names the file, the line and the token.
#ifndef VELMAR_CHAINLINEREADER_H
#define VELMAR_CHAINLINEREADER_H

#include <cstdio>
#include <string>

// A file, or the lines first..last of it (a section of a file that holds
// several): a reader of one sees only those lines, numbered as in the file.
struct FileLines {
    std::string path;
    long first = 1;
    long last = -1; // -1: to the end of the file

    FileLines(std::string p) : path(std::move(p)) {}
    FileLines(const char* p) : path(p) {}
    FileLines(std::string p, long from, long to) : path(std::move(p)), first(from), last(to) {}
    operator const std::string&() const { return path; }
};

class ChainLineReader
{
public:
    explicit ChainLineReader(std::string path) : name(std::move(path)) {}
    explicit ChainLineReader(const FileLines& lines)
        : name(lines.path), first_line(lines.first), last_line(lines.last)
    {
    }
    ChainLineReader(const ChainLineReader&) = delete;
    ChainLineReader& operator=(const ChainLineReader&) = delete;
    ~ChainLineReader();

    // Opens the file; false (errno set) when it cannot be opened.
    bool open();
    // Opens the file or refuses it with the system's reason.
    void openOrFault();
    // Opens a file that may be absent: false when it does not exist; refuses
    // one that exists but cannot be opened.
    bool openIfPresent();
    // Reads the next line (without its line break); false at the end of the file.
    bool next();
    // Reads lines until one holds more than blanks and does not start with
    // `comment` (when given); false at the end of the file.
    bool nextContent(const char* comment = nullptr);
    // Bytes of the file not read yet; -1 when the size is not known.
    long long bytesLeft() const;

    const std::string& text() const { return line; }
    long number() const { return line_number; }
    const std::string& path() const { return name; }

    // Refuses the file at the current line and token.
    [[noreturn]] void fault(const std::string& token, const std::string& reason) const;
    // Refuses the file at its end (the line after the last one).
    [[noreturn]] void faultAtEnd(const std::string& reason) const;

private:
    std::string name;
    FILE* file = nullptr;
    std::string line;
    long line_number = 0;
    long first_line = 1;
    long last_line = -1;
    long long size = -1;
    long long consumed = 0;
};

// Splits a line into words separated by blanks.
class LineWords
{
public:
    explicit LineWords(const std::string& s, size_t from = 0) : text(s), pos(from) {}
    // The next word; false when only blanks are left.
    bool next(std::string& word);
    // The rest of the line after the words taken, without leading blanks.
    std::string rest();

private:
    const std::string& text;
    size_t pos;
};

// A state index or count: decimal digits only, within int.
bool parse_index(const std::string& token, int& value);
// A finite real number in decimal notation ([sign] digits [. digits] [e [sign] digits]).
bool parse_real(const std::string& token, double& value);
// A PV name that can become part of a plot file name: not empty, at most 103
// characters, no blanks, no path separators.
bool usable_pv_name(const std::string& name);
// The string without blanks at either end.
std::string trim(const std::string& s);

#endif
