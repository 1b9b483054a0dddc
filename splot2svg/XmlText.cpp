#include "splot2svg/XmlText.h"

namespace {

const char REPLACEMENT[] = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one.
size_t sequenceLength(const std::string& s, size_t i)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len;
    unsigned long cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else return 0;
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    bool nonchar = cp == 0xFFFE || cp == 0xFFFF || cp > 0x10FFFF;
    return overlong || surrogate || nonchar ? 0 : len;
}

}  // namespace

// The text as valid UTF-8 without the control characters XML forbids.
std::string cleanUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t len = sequenceLength(text, i);
        if (len == 0) {
            out += REPLACEMENT;
            ++i;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (len == 1 && c < 0x20 && c != '\t' && c != '\n' && c != '\r') out += ' ';
        else out.append(text, i, len);
        i += len;
    }
    return out;
}

// The text cleaned and escaped for XML character data and attribute values.
std::string xmlEscape(const std::string& text)
{
    std::string out;
    for (char c : cleanUtf8(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\t': case '\n': case '\r': out += ' '; break;
        default: out += c;
        }
    }
    return out;
}
