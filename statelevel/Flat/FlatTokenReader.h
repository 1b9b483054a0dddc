// Buffered reading of white-space separated numbers and words from a file,
// accepting the numbers that formatted stream extraction accepts.
#ifndef VELMAR_FLATTOKENREADER_H
#define VELMAR_FLATTOKENREADER_H

#include <cstdio>
#include <string>
#include <vector>

class FlatTokenReader {
public:
    FlatTokenReader() = default;
    FlatTokenReader(const FlatTokenReader&) = delete;
    FlatTokenReader& operator=(const FlatTokenReader&) = delete;
    ~FlatTokenReader() { close(); }

    // Opens the file for reading; false when it cannot be opened.
    bool open(const char* path);
    void close();
    // Bytes not yet read of a regular file; -1 when the size is not known.
    long long bytesLeft() const;
    // Moves to byte offset `offset` of a regular file; false when it cannot.
    bool seek(long long offset);
    // Byte offset of the next character not yet read.
    long long tell() const { return loaded - (long long)(len - pos); }
    // True when only white space is left.
    bool atEnd();
    // An int: optional sign and digits; false without digits or on overflow.
    bool readInt(int& v);
    // Digits alone, at most 18 of them (no sign); false when there are none or more.
    bool readDigits(long long& v);
    // A double: [sign] digits [. digits] [e [sign] digits]; false when that
    // shape is broken or the value overflows.
    bool readDouble(double& v);
    // The next run of non-blank characters; false at the end of the file.
    bool readWord(std::string& w);
    // True when a blank or the end of the file follows: the number just read was a whole word.
    bool atWordEnd()
    {
        int c = peek();
        return c == -1 || c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }
    // The characters of the last number readDouble took ('E' written as 'e').
    const std::string& lastNumber() const { return number; }

private:
    // Current character, or -1 at the end of the file.
    int peek()
    {
        if (pos == len && !refill()) return -1;
        return (unsigned char)buffer[pos];
    }
    bool refill();
    void skipSpace();
    // Appends a run of digits to `number`; returns how many there were.
    size_t takeDigits();

    FILE* file = nullptr;
    std::vector<char> buffer;
    size_t pos = 0;
    size_t len = 0;
    long long size = -1;  // of a regular file
    long long loaded = 0; // bytes brought into the buffer so far
    std::string number;  // the characters of the number being read, reused
};

#endif
