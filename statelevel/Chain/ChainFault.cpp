// The text of a refused chain file's message.
#include "statelevel/Chain/chain_file_fault.h"

// Longest token shown in a message; longer ones are cut and marked.
static const size_t SHOWN_TOKEN = 40;

// The token as the message shows it: printable characters only, at most SHOWN_TOKEN of them.
static std::string shown(const std::string& token)
{
    std::string s;
    for (size_t i = 0; i < token.size() && i < SHOWN_TOKEN; ++i) {
        unsigned char c = (unsigned char)token[i];
        s.push_back(c >= 32 && c < 127 ? (char)c : '?');
    }
    if (token.size() > SHOWN_TOKEN) s += "...";
    return s;
}

std::string ChainFault::place() const
{
    std::string m = file;
    if (line > 0) m += ", line " + std::to_string(line);
    if (!token.empty()) m += ", at \"" + shown(token) + "\"";
    return m + (reason.empty() ? "" : ": " + reason) + ".";
}

std::string ChainFault::message() const { return "Error reading state space file " + place(); }
