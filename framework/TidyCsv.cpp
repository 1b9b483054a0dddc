// The tidy CSV file.
#include "framework/TidyCsv.h"

#include <charconv>
#include <cmath>

std::string csvField(const std::string& text)
{
    // leading or trailing blanks are quoted too, so that no reader trims them away
    bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                 (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return text;
    std::string field = "\"";
    for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

std::string csvNumber(double x)
{
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
    if (x == 0.0) return "0";  // -0 too
    char text[40];
    std::to_chars_result r = std::to_chars(text, text + sizeof text, x);
    return std::string(text, r.ptr);
}

std::string tidyCsvText(const std::vector<PVResult>& pvs)
{
    std::string text = "pv,value,probability\n";
    for (const PVResult& pv : pvs) {
        const std::string name = csvField(pv.name) + ",";
        for (size_t k = 0; k < pv.x.size() && k < pv.p.size(); ++k)
            text += name + csvNumber(pv.x[k]) + "," + csvNumber(pv.p[k]) + "\n";
        text += name + "mean," + csvNumber(pv.mean) + "\n";
        text += name + "variance," + csvNumber(pv.variance) + "\n";
    }
    return text;
}
