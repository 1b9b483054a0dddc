#include "splot2svg/TextMetrics.h"

#include <cstdint>

#include "splot2svg/XmlText.h"

namespace {

// Advances in thousandths of an em of the printable ASCII characters, from the space on.
const uint16_t ASCII_ADVANCE[95] = {
    318, 401, 460, 838, 636, 950, 780, 275, 390, 390, 500, 838, 318, 361, 318, 337,
    636, 636, 636, 636, 636, 636, 636, 636, 636, 636, 337, 337, 838, 838, 838, 556,
    1015, 684, 686, 722, 770, 667, 611, 778, 752, 295, 500, 667, 557, 863, 748, 787,
    667, 787, 722, 667, 611, 732, 684, 989, 685, 667, 685, 390, 337, 390, 838, 556,
    500, 613, 635, 550, 635, 615, 352, 635, 634, 278, 278, 579, 278, 974, 634, 612,
    635, 635, 411, 521, 392, 634, 592, 818, 592, 592, 525, 636, 337, 636, 838,
};

const char* const ELLIPSIS = "\xE2\x80\xA6";

// The code point starting at text[i] of well-formed UTF-8 and the number of bytes it takes.
uint32_t codePoint(const std::string& text, size_t i, size_t& bytes)
{
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    bytes = n;
    return cp;
}

// One character's advance in thousandths of an em.
double advance(uint32_t cp)
{
    if (cp >= 32 && cp < 127) return ASCII_ADVANCE[cp - 32];
    if (cp == 0x2212 || cp == 0x2264 || cp == 0x2265) return 838;  // minus, less and greater or equal
    return 1000;
}

// The first characters of text that fit in width, at least one; their length in bytes.
size_t fittingPrefix(const std::string& text, double width, double size)
{
    double used = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t bytes = 1;
        double w = advance(codePoint(text, i, bytes)) * size / 1000;
        if (i > 0 && used + w > width) break;
        used += w;
        i += bytes;
    }
    return i;
}

// Breaks one word wider than the width into pieces that fit.
void breakWord(const std::string& word, double width, double size, std::vector<std::string>& lines)
{
    size_t from = 0;
    while (from < word.size()) {
        size_t n = fittingPrefix(word.substr(from), width, size);
        lines.push_back(word.substr(from, n));
        from += n;
    }
}

}  // namespace

// The width of the text, as drawn (repaired UTF-8), at a font size.
double textWidth(const std::string& drawn, double size)
{
    const std::string text = cleanUtf8(drawn);
    double sum = 0;
    for (size_t i = 0; i < text.size();) {
        size_t bytes = 1;
        sum += advance(codePoint(text, i, bytes));
        i += bytes;
    }
    return sum * size / 1000;
}

// The text broken into lines no wider than width.
std::vector<std::string> wrapText(const std::string& drawn, double width, double size)
{
    const std::string text = cleanUtf8(drawn);
    std::vector<std::string> lines;
    std::string current;
    size_t from = 0;
    while (from < text.size()) {
        size_t space = text.find(' ', from);
        size_t to = space == std::string::npos ? text.size() : space;
        std::string word = text.substr(from, to - from);
        from = to + 1;
        if (word.empty()) continue;
        std::string joined = current.empty() ? word : current + " " + word;
        if (textWidth(joined, size) <= width) {
            current = joined;
            continue;
        }
        if (!current.empty()) lines.push_back(current);
        current.clear();
        if (textWidth(word, size) <= width) {
            current = word;
            continue;
        }
        breakWord(word, width, size, lines);
        current = lines.back();
        lines.pop_back();
    }
    if (!current.empty() || lines.empty()) lines.push_back(current);
    return lines;
}

// The largest size, in half points, at which the text fits the width.
double fittingSize(const std::string& text, double width, double largest, double smallest)
{
    for (double size = largest; size > smallest; size -= 0.5) {
        if (textWidth(text, size) <= width) return size;
    }
    return smallest;
}

// The text shortened with an ellipsis to fit the width.
std::string shortenText(const std::string& drawn, double width, double size)
{
    const std::string text = cleanUtf8(drawn);
    if (textWidth(text, size) <= width) return text;
    double room = width - textWidth(ELLIPSIS, size);
    if (room <= 0) return ELLIPSIS;
    size_t n = fittingPrefix(text, room, size);
    if (textWidth(text.substr(0, n), size) > room) n = 0;
    return text.substr(0, n) + ELLIPSIS;
}
