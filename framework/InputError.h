// Bad input: a state-space file, a command-line value or a file name the run
// cannot use. Readers throw it with the message the user is to see and the
// stream it belongs on; the program entry writes it there and ends with status 1.
#ifndef VELMAR_INPUTERROR_H
#define VELMAR_INPUTERROR_H

#include <cstdio>
#include <exception>
#include <string>

// True when the text holds a control character (below 32, or 127).
bool has_control_character(const std::string& text);

// The text with its control characters written as \n, \t, \r or \xHH, so that a
// name shown in a message cannot start a line or move the terminal's cursor.
std::string shown_escaped(const std::string& text);

class InputError : public std::exception {
public:
    enum Stream { STANDARD_OUTPUT, STANDARD_ERROR };

    // `text` is written exactly as given, line ends included; `detail` (the place
    // and the reason of a message that goes to standard output) follows it on
    // standard error.
    InputError(std::string text, Stream where, std::string detail = "")
        : message(std::move(text)), stream(where), extra(std::move(detail))
    {
    }

    const char* what() const noexcept override { return message.c_str(); }
    const std::string& text() const { return message; }
    Stream where() const { return stream; }
    const std::string& detail() const { return extra; }
    // Writes the message to its stream and the detail to standard error, and flushes them.
    void report() const;

private:
    std::string message;
    Stream stream;
    std::string extra;
};

#endif
