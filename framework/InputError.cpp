// Writing a bad-input message where it belongs.
#include "framework/InputError.h"

void InputError::report() const
{
    FILE* to = stream == STANDARD_OUTPUT ? stdout : stderr;
    fputs(message.c_str(), to);
    fflush(to);
    if (extra.empty()) return;
    fputs(extra.c_str(), stderr);
    fflush(stderr);
}

bool has_control_character(const std::string& text)
{
    for (char c : text)
        if ((unsigned char)c < 32 || (unsigned char)c == 127) return true;
    return false;
}

std::string shown_escaped(const std::string& text)
{
    static const char* const hex = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        unsigned char u = (unsigned char)c;
        if (u >= 32 && u != 127) out += c;
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}
