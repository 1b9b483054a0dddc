#include "splot2svg/Font.h"

#include <cctype>

namespace {

std::string lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool isAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

// The font a name stands for, or nothing when the name is not of that shape.
std::optional<Font> parseFontName(const std::string& name)
{
    size_t i = 0;
    while (i < name.size() && isAlpha(name[i])) ++i;
    if (i == 0 || i == name.size() || !isDigit(name[i])) return std::nullopt;
    Font font;
    std::string family = lower(name.substr(0, i));
    family[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(family[0])));
    font.family = family;
    double size = 0;
    for (; i < name.size() && isDigit(name[i]); ++i) {
        if (size < 1000) size = size * 10 + (name[i] - '0');
    }
    if (size < 1 || size > 200) return std::nullopt;
    font.size = size;
    for (; i < name.size(); ++i) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
        if (c == 'B') font.bold = true;
        else if (c == 'I') font.italic = true;
        else return std::nullopt;
    }
    return font;
}

// The CSS font-family list that draws a family with fonts found on most systems.
std::string cssFontFamily(const std::string& family)
{
    std::string f = lower(family);
    if (f.rfind("times", 0) == 0) return "Times, 'Liberation Serif', 'DejaVu Serif', serif";
    if (f.rfind("courier", 0) == 0) return "Courier, 'Liberation Mono', 'DejaVu Sans Mono', monospace";
    return "Helvetica, Arial, 'Liberation Sans', 'DejaVu Sans', sans-serif";
}
