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
    // Reads `block` bytes at a time (at least 1) instead of a mebibyte.
    explicit FlatTokenReader(size_t block) : block(block > 0 ? block : 1) {}
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
        return c == -1 || isBlank(c);
    }
    // The unread part of the loaded block, which a '\0' ends (no digit, sign, point, exponent
    // or blank: it stops every scan), and how many bytes of it there are; a caller that scans
    // it in place moves on with moveTo.
    const char* inBlock() const { return buffer.data() + pos; }
    size_t leftInBlock() const { return len - pos; }
    void moveTo(const char* p) { pos = (size_t)(p - buffer.data()); }
    // The characters of the last number readDouble took ('E' written as 'e').
    const std::string& lastNumber()
    {
        if (numberInBlock) keepNumber();
        return number;
    }

private:
    // The blanks of the C locale.
    static bool isBlank(int c) { return c == ' ' || (unsigned)(c - '\t') <= 4u; }
    // Current character, or -1 at the end of the file.
    int peek()
    {
        if (pos == len && !refill()) return -1;
        return (unsigned char)buffer[pos];
    }
    bool refill();
    void skipSpace()
    {
        if (pos < len) {  // up to the '\0' after the block
            const char* const base = buffer.data();
            const char* p = base + pos;
            while (isBlank((unsigned char)*p)) ++p;
            pos = (size_t)(p - base);
            if (pos < len) return;
        }
        skipSpaceAcrossBlocks();
    }
    void skipSpaceAcrossBlocks();
    // Appends a run of digits to `number`; returns how many there were.
    size_t takeDigits();
    // Character by character through peek(), for a word that may go on past the loaded
    // block; the quick paths, which read the block in place, hand those words over to them.
    bool readIntByChar(int& v);
    bool readDigitsByChar(long long& v);
    bool readDoubleByChar(double& v);
    // The value of the well-formed decimal in `number`, as strtod reads it; false when it
    // overflows.
    bool readText(double& v) const;

    size_t block = 1 << 20;
    FILE* file = nullptr;
    // the loaded block, then one '\0' after its last byte: no digit, sign, point, exponent
    // or blank, it ends every scan of the block without a test of the length
    std::vector<char> buffer;
    size_t pos = 0;
    size_t len = 0;
    long long size = -1;  // of a regular file
    long long loaded = 0; // bytes brought into the buffer so far
    std::string number;  // the characters of the number being read, reused
    // readDouble's last number, read in place, is buffer[numberFrom, numberTo): it is copied
    // into `number` when asked for or before the block is replaced
    bool numberInBlock = false;
    size_t numberFrom = 0, numberTo = 0;
    void keepNumber();
};

#endif
