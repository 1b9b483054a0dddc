#include "splot2svg/SplotParser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "splot2svg/Font.h"

namespace {

// A line split into words, each remembered with where it starts.
struct Words {
    std::string line;
    std::vector<std::string> lower;
    std::vector<size_t> start;

    explicit Words(const std::string& text) : line(text)
    {
        for (size_t i = 0; i < line.size();) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
            if (i == line.size()) break;
            size_t j = i;
            while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
            std::string w = line.substr(i, j - i);
            for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            lower.push_back(w);
            start.push_back(i);
            i = j;
        }
    }
    size_t size() const { return lower.size(); }
    bool is(size_t k, const char* w) const { return k < lower.size() && lower[k] == w; }
    // The line from word k on, as written; empty past the last word.
    std::string rest(size_t k) const
    {
        if (k >= start.size()) return "";
        std::string r = line.substr(start[k]);
        while (!r.empty() && std::isspace(static_cast<unsigned char>(r.back()))) r.pop_back();
        return r;
    }
};

bool isBlank(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
}

const char* skipSpaces(const char* p)
{
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    return p;
}

// The one number that makes up the text, or nothing.
std::optional<double> parseNumber(const std::string& text)
{
    const char* p = skipSpaces(text.c_str());
    char* end = nullptr;
    double v = std::strtod(p, &end);
    if (end == p || *skipSpaces(end) != '\0') return std::nullopt;
    return v;
}

// Two numbers separated by a comma or spaces ("1.5, 0.25"), or nothing.
std::optional<Point> parsePair(const std::string& text)
{
    const char* p = skipSpaces(text.c_str());
    char* end = nullptr;
    double x = std::strtod(p, &end);
    if (end == p) return std::nullopt;
    p = skipSpaces(end);
    if (*p == ',') p = skipSpaces(p + 1);
    double y = std::strtod(p, &end);
    if (end == p || *skipSpaces(end) != '\0') return std::nullopt;
    return Point{x, y};
}

// The words that begin a command; a points list ends at a line starting with one.
bool startsCommand(const Words& w)
{
    static const char* const first[] = {"new", "size", "graph", "text", "curve", "x", "y"};
    for (const char* f : first) {
        if (w.is(0, f)) return true;
    }
    return false;
}

class Parser {
public:
    Parser(const std::string& source, std::ostream& warnings, size_t maxPoints)
        : source_(source), warnings_(warnings), maxPoints_(maxPoints) {}

    // Takes one line; false once the rest of the file is to be ignored.
    bool line(std::string text)
    {
        ++lineNumber_;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (mode_ == Mode::Text) return textLine(text);
        if (mode_ == Mode::Points && pointLine(text)) return true;
        mode_ = Mode::Commands;
        if (isBlank(text) || text[0] == ';') return true;
        Words w(text);
        if (!result_.isSplot) return beginGraph(w);
        return command(w);
    }

    ParsedPlot result() { return std::move(result_); }

private:
    enum class Mode { Commands, Text, Points };

    void warn(const std::string& what, const std::string& text)
    {
        std::string shown = text.size() > 80 ? text.substr(0, 77) + "..." : text;
        warnings_ << "splot2svg: " << source_ << ":" << lineNumber_ << ": warning: " << what;
        if (!shown.empty()) warnings_ << ": " << shown;
        warnings_ << "\n";
    }

    bool beginGraph(const Words& w)
    {
        if (w.size() != 2 || !w.is(0, "new") || !w.is(1, "graph")) return false;
        result_.isSplot = true;
        return true;
    }

    bool textLine(const std::string& text)
    {
        if (isBlank(text)) mode_ = Mode::Commands;
        else result_.plot.texts.back().lines.push_back(text);
        return true;
    }

    // Takes a point line; false when the line is no point but a command or a blank.
    bool pointLine(const std::string& text)
    {
        if (isBlank(text)) return false;
        std::optional<Point> p = parsePair(text);
        if (!p) {
            if (startsCommand(Words(text))) return false;
            warn("malformed point skipped", text);
            return true;
        }
        if (!std::isfinite(p->x) || !std::isfinite(p->y)) {
            warn("point that is not finite skipped", text);
            return true;
        }
        if (pointCount_ == maxPoints_) warn("more than " + std::to_string(maxPoints_) + " points; the rest are skipped", "");
        if (pointCount_++ >= maxPoints_) return true;
        result_.plot.curves.back().points.push_back(*p);
        return true;
    }

    bool command(const Words& w)
    {
        Plot& plot = result_.plot;
        if (w.is(0, "new") && w.is(1, "graph")) {
            warn("only the first graph is drawn; the rest of the file is skipped", "");
            return false;
        }
        if (w.is(0, "new") && w.is(1, "text") && w.size() >= 3) return newText(w.rest(2));
        if (w.is(0, "new") && w.is(1, "curve") && w.size() == 2) return plot.curves.emplace_back(), true;
        if (w.is(0, "new") && w.is(1, "points") && w.size() == 2) {
            if (plot.curves.empty()) plot.curves.emplace_back();
            mode_ = Mode::Points;
            return true;
        }
        if (w.is(0, "size") && w.size() == 4 && w.is(2, "by")) return size(w);
        if (w.is(0, "graph") && w.is(1, "title")) {
            plot.titleLine = lineNumber_;
            return plot.title = w.rest(2), true;
        }
        if (w.is(0, "graph") && w.is(1, "font") && w.size() == 3) return font(w, plot.graphFont);
        if (w.is(0, "text") && w.is(1, "font") && w.size() == 3) {
            return font(w, plot.texts.empty() ? textFont_ : plot.texts.back().font);
        }
        if (w.is(0, "curve") && w.size() >= 2) return curve(w);
        if (w.is(0, "x") && w.size() >= 2) return axis(w, plot.x);
        if (w.is(0, "y") && w.size() >= 2) return axis(w, plot.y);
        warn("unknown command skipped", w.line);
        return true;
    }

    bool newText(const std::string& position)
    {
        TextBlock block;
        block.font = textFont_;
        std::optional<Point> at = parsePair(position);
        if (at && std::isfinite(at->x) && std::isfinite(at->y)) block.at = at;
        else warn("malformed text position; the text goes to the top left", position);
        result_.plot.texts.push_back(block);
        mode_ = Mode::Text;
        return true;
    }

    bool size(const Words& w)
    {
        std::optional<double> width = parseNumber(w.rest(1).substr(0, w.start[2] - w.start[1]));
        std::optional<double> height = parseNumber(w.rest(3));
        auto sound = [](std::optional<double> v) { return v && *v >= 0.5 && *v <= 50; };
        if (!sound(width) || !sound(height)) {
            warn("graph size must be 0.5 to 50 inches; kept at 5 by 5", w.line);
            return true;
        }
        result_.plot.widthInches = *width;
        result_.plot.heightInches = *height;
        return true;
    }

    bool font(const Words& w, Font& target)
    {
        std::optional<Font> f = parseFontName(w.rest(2));
        if (f) target = *f;
        else warn("unknown font name skipped", w.line);
        return true;
    }

    bool curve(const Words& w)
    {
        Plot& plot = result_.plot;
        if (plot.curves.empty()) plot.curves.emplace_back();
        Curve& c = plot.curves.back();
        if (w.is(1, "symbol") && w.is(2, "none") && w.size() == 3) return c.diamonds = false, true;
        if (w.is(1, "symbol") && w.is(2, "diamond") && w.size() == 3) return c.diamonds = true, true;
        if (w.is(1, "symbol") && w.is(2, "diamond") && w.is(3, "size") && w.size() == 5) {
            std::optional<double> s = parseNumber(w.rest(4));
            if (!s || !(*s >= 0 && *s <= 72)) return warn("marker size must be 0 to 72; kept", w.line), true;
            c.diamonds = true;
            c.markerSize = *s;
            return true;
        }
        if (w.is(1, "gray") && w.size() == 3) {
            std::optional<double> g = parseNumber(w.rest(2));
            if (!g || !(*g >= 0 && *g <= 1)) return warn("gray level must be 0 to 1; kept", w.line), true;
            c.gray = *g;
            return true;
        }
        if (w.is(1, "type") && w.size() == 3) {
            if (w.is(2, "solid")) c.line = LineType::Solid;
            else if (w.is(2, "dashed")) c.line = LineType::Dashed;
            else if (w.is(2, "dotted")) c.line = LineType::Dotted;
            else if (w.is(2, "none")) c.line = LineType::None;
            else warn("unknown curve type skipped", w.line);
            return true;
        }
        if (w.is(1, "interpolation") && w.size() == 3) {
            if (w.is(2, "yhistogram")) c.interpolation = Interpolation::YHistogram;
            else if (w.is(2, "linear")) c.interpolation = Interpolation::Linear;
            else warn("unknown interpolation skipped", w.line);
            return true;
        }
        warn("unknown command skipped", w.line);
        return true;
    }

    bool axis(const Words& w, Axis& a)
    {
        if (w.is(1, "label")) return a.label = w.rest(2), true;
        if (w.is(1, "font") && w.size() == 3) return font(w, a.font);
        if (w.is(1, "numberstyle") && w.is(2, "floating") && w.size() == 4) {
            std::optional<double> d = parseNumber(w.rest(3));
            if (!d || !(*d >= 0 && *d <= 12) || *d != std::floor(*d)) {
                return warn("number style digits must be 0 to 12; kept", w.line), true;
            }
            a.decimals = static_cast<int>(*d);
            return true;
        }
        std::optional<double>* target = nullptr;
        if (w.is(1, "maximum")) target = &a.maximum;
        else if (w.is(1, "minimum")) target = &a.minimum;
        else if (w.is(1, "interval")) target = &a.interval;
        if (!target || w.size() != 3) return warn("unknown command skipped", w.line), true;
        std::optional<double> v = parseNumber(w.rest(2));
        if (!v || !std::isfinite(*v)) return warn("malformed number ignored", w.line), true;
        if (target == &a.interval && !(*v > 0)) return warn("interval must be positive; ignored", w.line), true;
        *target = v;
        return true;
    }

    std::string source_;
    std::ostream& warnings_;
    size_t maxPoints_;
    size_t lineNumber_ = 0;
    size_t pointCount_ = 0;
    Mode mode_ = Mode::Commands;
    Font textFont_;
    ParsedPlot result_;
};

}  // namespace

// Reads a plot file into a plot description.
ParsedPlot parseSplot(std::istream& in, const std::string& source, std::ostream& warnings, size_t maxPoints)
{
    Parser parser(source, warnings, maxPoints);
    std::string text;
    while (std::getline(in, text)) {
        if (!parser.line(text)) break;
    }
    return parser.result();
}
