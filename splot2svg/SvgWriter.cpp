#include "splot2svg/SvgWriter.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "splot2svg/AxisPlan.h"
#include "splot2svg/AxisScale.h"
#include "splot2svg/Font.h"
#include "splot2svg/TextMetrics.h"
#include "splot2svg/XmlText.h"

namespace {

const double POINTS_PER_INCH = 72;
const double PAD = 8;
const double TICK_LENGTH = 4;
const double TICK_FONT = 10;
const double LABEL_FONT = 12;
const double TITLE_FONT = 13;
const double CAPTION_FONT = 8;
const double LEGEND_FONT = 10;
const double SMALLEST_FONT = 7;  // titles, labels and legends shrink no further
const double BAND_FONT = 7;
const char* const BAND_LABEL = "below resolution";
const double SMALLEST_TITLE_FONT = 10;
const double LEGEND_ROW = 1.4;      // a legend row's height, in font sizes
const double LEGEND_INSET = 18;     // the legend box's distance from the frame, both sides, and its padding
const double LEGEND_SAMPLE = 6 + 24 + 5 + 6;  // a legend row's width besides its name
const double LINE_SPACING = 1.2;  // baseline to baseline, in font sizes
const double MIN_FRAME = 72;  // the graph frame is never under an inch
const double MARKER_RADIUS = 2.5;
const size_t MARKER_LIMIT = 60;  // a series of more points gets no markers
// Drawn coordinates are kept within this many points of the frame.
const double FAR = 5 * 72 * 10;
// Colours a reader with any colour vision tells apart, and dashes for grey print.
const char* const COLOURS[] = {"#000000", "#D55E00", "#0072B2", "#009E73", "#CC79A7", "#E69F00", "#56B4E9"};
const char* const DASHES[] = {"", "6 3", "2 2", "8 3 2 3"};

// A number as an SVG coordinate, in points.
std::string num(double v)
{
    char text[32];
    double shown = std::clamp(v, -FAR, FAR);
    std::snprintf(text, sizeof text, "%.2f", std::fabs(shown) < 0.005 ? 0.0 : shown);  // never "-0.00"
    return text;
}

// A data value as written in data-* attributes: exact enough to compare.
std::string exact(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

// The attributes of text in the picture's one family at a size.
std::string fontAttributes(double size)
{
    return " font-family=\"" + cssFontFamily("Helvetica") + "\" font-size=\"" + num(size) + "\"";
}

// An SVG colour for a gray level (0 black, 1 white).
std::string grayColour(double gray)
{
    int level = static_cast<int>(std::lround(std::clamp(gray, 0.0, 1.0) * 255));
    return "rgb(" + std::to_string(level) + "," + std::to_string(level) + "," + std::to_string(level) + ")";
}

// The line without its trailing spaces.
std::string trimmed(std::string line)
{
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

// Caption lines no wider than `width`, broken after the commas of the text, and
// inside a piece between commas only when it alone is wider.
std::vector<std::string> wrap(const std::vector<std::string>& lines, double width, double size)
{
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        std::string current;
        size_t from = 0;
        while (from < line.size()) {
            size_t comma = line.find(", ", from);
            size_t to = comma == std::string::npos ? line.size() : comma + 2;
            std::string piece = line.substr(from, to - from);
            from = to;
            if (!current.empty() && textWidth(trimmed(current + piece), size) > width) {
                out.push_back(trimmed(current));
                current.clear();
            }
            if (textWidth(trimmed(piece), size) <= width) {
                current += piece;
                continue;
            }
            std::vector<std::string> parts = wrapText(trimmed(piece), width, size);
            out.insert(out.end(), parts.begin(), parts.end() - 1);
            current = parts.back() + (piece.back() == ' ' ? " " : "");
        }
        out.push_back(trimmed(current));
    }
    return out;
}

// The estimated width of a tick label, a power's smaller exponent included.
double tickLabelWidth(const Tick& t)
{
    return textWidth(t.label, TICK_FONT) + textWidth(t.exponent, TICK_FONT * 0.75);
}

class SvgFigure {
public:
    explicit SvgFigure(const Figure& f) : f_(f), x_(planX(f)), y_(planY(f)) { layout(); }

    // The whole document: title, graph with axes, series and legend, caption.
    PictureSize write(std::ostream& out)
    {
        std::string family = cssFontFamily("Helvetica");
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << num(width_) << "pt\" height=\""
            << num(height_) << "pt\" viewBox=\"0 0 " << num(width_) << " " << num(height_) << "\">\n"
            << "<title>" << xmlEscape(f_.title) << "</title>\n"
            << "<rect width=\"" << num(width_) << "\" height=\"" << num(height_) << "\" fill=\"white\"/>\n"
            << "<defs><clipPath id=\"plot-area\"><rect x=\"" << num(-clipX()) << "\" y=\"" << num(-clip())
            << "\" width=\"" << num(w_ + 2 * clipX()) << "\" height=\"" << num(h_ + 2 * clip())
            << "\"/></clipPath></defs>\n";
        title(out);
        out << "<g id=\"graph\" transform=\"translate(" << num(left_) << " " << num(top_) << ")\">\n";
        band(out);
        grid(out);
        xAxis(out);
        yAxis(out);
        for (size_t i = 0; i < f_.series.size(); ++i) series(out, i);
        out << "<rect id=\"frame\" x=\"0\" y=\"0\" width=\"" << num(w_) << "\" height=\"" << num(h_)
            << "\" fill=\"none\" stroke=\"black\" stroke-width=\"0.8\"/>\n";
        legend(out);
        out << "</g>\n";
        caption(out);
        out << "</svg>\n";
        return PictureSize{width_, height_};
    }

private:
    // Data to frame coordinates (points from the frame's top left).
    double sx(double x) const { return w_ * (x - x_.range.lo) / (x_.range.hi - x_.range.lo); }
    double sy(double y) const
    {
        if (!y_.log) return h_ - h_ * (y - y_.range.lo) / (y_.range.hi - y_.range.lo);
        double lo = std::log10(y_.range.lo), hi = std::log10(y_.range.hi);
        double v = y > 0 ? std::log10(y) : lo - (hi - lo);  // zero lies below the axis
        return h_ - h_ * (v - lo) / (hi - lo);
    }
    double baseline() const { return y_.log ? h_ : std::clamp(sy(0), 0.0, h_); }
    double clip() const { return MARKER_RADIUS + 1; }
    // Across the frame only, when the X range is the user's: what lies outside is cut off there.
    double clipX() const { return f_.options.xRange ? 0 : clip(); }
    // A Y value drawn as data: on a log axis only over zero, the rounding of a complement and the floor.
    bool shown(double y) const { return !y_.log || y > smallestShown(f_); }
    // Where a value is drawn: a value that is not data lies below the axis, as zero does.
    double drawnY(double y) const { return sy(shown(y) ? y : 0); }
    // One mass function alone is drawn as stems; several share lines with markers.
    bool stems() const { return f_.kind == PlotKind::Mass && f_.series.size() == 1; }
    // Whether the points of a curve get markers.
    bool markers(const Curve& c) const
    {
        if (c.points.empty()) return false;
        if (f_.kind == PlotKind::Other) return c.diamonds && c.markerSize > 0;
        return f_.kind == PlotKind::Mass && c.points.size() <= MARKER_LIMIT;
    }

    // Margins around the graph frame for the title, tick labels, axis labels and
    // caption, and every text fitted to the picture.
    void layout()
    {
        double yTicks = 0;
        for (const Tick& t : y_.ticks) yTicks = std::max(yTicks, tickLabelWidth(t));
        double xFirst = x_.ticks.empty() ? 0 : tickLabelWidth(x_.ticks.front()) / 2;
        double xLast = x_.ticks.empty() ? 0 : tickLabelWidth(x_.ticks.back()) / 2;
        left_ = std::max(PAD + LABEL_FONT + 6 + yTicks + 3 + TICK_LENGTH, PAD + xFirst);
        double right = PAD + std::max(xLast, 4.0);
        const Plot& first = f_.series.front().plot;
        width_ = f_.options.widthInches.value_or(first.widthInches) * POINTS_PER_INCH;
        height_ = f_.options.heightInches.value_or(first.heightInches) * POINTS_PER_INCH;
        w_ = std::max(width_ - left_ - right, MIN_FRAME);
        width_ = left_ + w_ + right;
        fitTitle();
        xLabelSize_ = fittingSize(f_.xLabel, width_ - 2 * PAD, LABEL_FONT, SMALLEST_FONT);
        xLabel_ = shortenText(f_.xLabel, width_ - 2 * PAD, xLabelSize_);
        captionLines_ = wrap(f_.caption, width_ - 2 * PAD, CAPTION_FONT);
        double bottom = TICK_LENGTH + 3 + TICK_FONT + 6 + LABEL_FONT + PAD;
        if (!captionLines_.empty()) bottom += 6 + static_cast<double>(captionLines_.size()) * CAPTION_FONT * 1.3;
        h_ = std::max(height_ - top_ - bottom, MIN_FRAME);
        height_ = top_ + h_ + bottom;
        yLabelSize_ = fittingSize(f_.yLabel, h_, LABEL_FONT, SMALLEST_FONT);
        yLabel_ = shortenText(f_.yLabel, h_, yLabelSize_);
    }

    // The title on one line, smaller when it is too wide, else wrapped at the
    // smallest size; the frame starts under it.
    void fitTitle()
    {
        double room = width_ - 2 * PAD;
        titleSize_ = fittingSize(f_.title, room, TITLE_FONT, SMALLEST_TITLE_FONT);
        titleLines_ = wrapText(f_.title, room, titleSize_);
        if (f_.title.empty()) titleLines_.clear();
        double lines = static_cast<double>(titleLines_.size());
        top_ = PAD + (lines == 0 ? TICK_FONT / 2 : titleSize_ + (lines - 1) * titleSize_ * LINE_SPACING + 10);
    }

    // The centre of a line of the given width near `wanted`, moved so that the
    // line stays within the picture (`origin` is where the picture starts).
    double centred(double wanted, double width, double origin) const
    {
        double lo = PAD + width / 2 - origin, hi = width_ - PAD - width / 2 - origin;
        return lo > hi ? (lo + hi) / 2 : std::clamp(wanted, lo, hi);
    }

    // The title over the frame, each line of it within the picture.
    void title(std::ostream& out) const
    {
        if (titleLines_.empty()) return;
        if (titleLines_.size() == 1) {
            double x = centred(left_ + w_ / 2, textWidth(titleLines_[0], titleSize_), 0);
            text(out, titleLines_[0], x, PAD + titleSize_, titleSize_, "middle", " id=\"graph-title\"");
            return;
        }
        out << "<text id=\"graph-title\"" << fontAttributes(titleSize_) << " text-anchor=\"middle\">";
        for (size_t k = 0; k < titleLines_.size(); ++k) {
            double x = centred(left_ + w_ / 2, textWidth(titleLines_[k], titleSize_), 0);
            double y = PAD + titleSize_ + static_cast<double>(k) * titleSize_ * LINE_SPACING;
            out << "<tspan x=\"" << num(x) << "\" y=\"" << num(y) << "\">" << xmlEscape(titleLines_[k]) << "</tspan>";
        }
        out << "</text>\n";
    }

    // With a floor on a log axis: a grey band from the axis's bottom up to it, labelled.
    void band(std::ostream& out) const
    {
        if (!y_.log || !f_.options.floor) return;
        double top = std::clamp(sy(*f_.options.floor), 0.0, h_);
        out << "<g id=\"floor-band\" data-floor=\"" << exact(*f_.options.floor) << "\">\n<rect x=\"0\" y=\""
            << num(top) << "\" width=\"" << num(w_) << "\" height=\"" << num(h_ - top)
            << "\" fill=\"#e4e4e4\" stroke=\"none\"/>\n";
        Point at = bandLabelAt();
        text(out, BAND_LABEL, at.x, at.y, BAND_FONT, "end", " id=\"floor-label\" fill=\"#555555\"");
        out << "</g>\n";
    }

    // The baseline's right end of the band's label: inside the band's bottom right corner.
    Point bandLabelAt() const { return {w_ - 3, h_ - 3}; }

    // One line of text; anchor is "start", "middle" or "end".
    void text(std::ostream& out, const std::string& line, double x, double y, double size, const char* anchor,
              const std::string& extra = "") const
    {
        out << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\"" << fontAttributes(size) << " text-anchor=\""
            << anchor << "\"" << extra << ">" << xmlEscape(line) << "</text>\n";
    }

    // A tick label carrying its value, with a raised exponent for a power of ten.
    void tickLabel(std::ostream& out, const Tick& t, double x, double y, const char* anchor) const
    {
        out << "<text class=\"tick-label\" data-value=\"" << exact(t.value) << "\" x=\"" << num(x) << "\" y=\""
            << num(y) << "\"" << fontAttributes(TICK_FONT) << " text-anchor=\"" << anchor << "\">"
            << xmlEscape(t.label);
        if (!t.exponent.empty()) {
            out << "<tspan dy=\"-4\" font-size=\"" << num(TICK_FONT * 0.75) << "\">" << xmlEscape(t.exponent)
                << "</tspan>";
        }
        out << "</text>\n";
    }

    // Every `stride`-th tick is labelled, so that labels do not run into each other.
    static size_t labelStride(double spacing, double need)
    {
        size_t stride = 1;
        while (stride < 100 && spacing * static_cast<double>(stride) < need) ++stride;
        return stride;
    }

    // Faint lines across the frame at the Y ticks.
    void grid(std::ostream& out) const
    {
        out << "<path id=\"grid\" fill=\"none\" stroke=\"#dddddd\" stroke-width=\"0.5\" d=\"";
        for (const Tick& t : y_.ticks) {
            double y = sy(t.value);
            if (y > 0.5 && y < h_ - 0.5) out << "M0," << num(y) << "H" << num(w_);
        }
        out << "\"/>\n";
    }

    // Ticks below the frame, their labels (thinned when crowded) and the X label.
    void xAxis(std::ostream& out) const
    {
        double widest = 0;
        for (const Tick& t : x_.ticks) widest = std::max(widest, tickLabelWidth(t));
        double spacing = x_.ticks.size() > 1 ? sx(x_.ticks[1].value) - sx(x_.ticks[0].value) : w_;
        size_t stride = labelStride(spacing, widest + 6);
        out << "<g id=\"x-axis\" data-min=\"" << exact(x_.range.lo) << "\" data-max=\"" << exact(x_.range.hi)
            << "\" data-scale=\"linear\">\n";
        for (size_t i = 0; i < x_.ticks.size(); ++i) {
            double x = sx(x_.ticks[i].value);
            out << "<line class=\"tick\" x1=\"" << num(x) << "\" y1=\"" << num(h_) << "\" x2=\"" << num(x)
                << "\" y2=\"" << num(h_ + TICK_LENGTH) << "\" stroke=\"black\" stroke-width=\"0.8\"/>\n";
            if (i % stride == 0) tickLabel(out, x_.ticks[i], x, h_ + TICK_LENGTH + 3 + TICK_FONT * 0.8, "middle");
        }
        double x = centred(w_ / 2, textWidth(xLabel_, xLabelSize_), left_);
        text(out, xLabel_, x, h_ + TICK_LENGTH + 3 + TICK_FONT + 6 + LABEL_FONT * 0.8, xLabelSize_, "middle",
             " id=\"x-label\"");
        out << "</g>\n";
    }

    // Ticks left of the frame, their labels and the Y label turned upright.
    void yAxis(std::ostream& out) const
    {
        double widest = 0;
        for (const Tick& t : y_.ticks) widest = std::max(widest, tickLabelWidth(t));
        double spacing = y_.ticks.size() > 1 ? sy(y_.ticks[0].value) - sy(y_.ticks[1].value) : h_;
        size_t stride = labelStride(spacing, TICK_FONT + 2);
        out << "<g id=\"y-axis\" data-min=\"" << exact(y_.range.lo) << "\" data-max=\"" << exact(y_.range.hi)
            << "\" data-scale=\"" << (y_.log ? "log" : "linear") << "\">\n";
        for (size_t i = 0; i < y_.ticks.size(); ++i) {
            double y = sy(y_.ticks[i].value);
            out << "<line class=\"tick\" x1=\"" << num(-TICK_LENGTH) << "\" y1=\"" << num(y) << "\" x2=\"0\" y2=\""
                << num(y) << "\" stroke=\"black\" stroke-width=\"0.8\"/>\n";
            if (i % stride == 0) tickLabel(out, y_.ticks[i], -TICK_LENGTH - 3, y + TICK_FONT * 0.35, "end");
        }
        double labelX = -TICK_LENGTH - 3 - widest - 6;
        std::string rotate = " id=\"y-label\" transform=\"rotate(-90 " + num(labelX) + " " + num(h_ / 2) + ")\"";
        text(out, yLabel_, labelX, h_ / 2, yLabelSize_, "middle", rotate);
        out << "</g>\n";
    }

    // The colour of series i and, when there are several, its dash pattern.
    std::string strokeOf(size_t i) const
    {
        std::string s = std::string(" stroke=\"") + COLOURS[i % 7] + "\"";
        const char* dash = DASHES[i % 4];
        if (f_.series.size() > 1 && *dash) s += std::string(" stroke-dasharray=\"") + dash + "\"";
        return s;
    }

    // Series i as its kind is drawn, cut at the frame.
    void series(std::ostream& out, size_t i) const
    {
        const Series& s = f_.series[i];
        const char* kind = f_.kind == PlotKind::Other ? "curve" : stems() ? "stems" : f_.kind == PlotKind::Mass ? "line" : "steps";
        out << "<g id=\"series-" << i + 1 << "\" class=\"" << kind << "\" data-label=\"" << xmlEscape(s.label)
            << "\" clip-path=\"url(#plot-area)\">\n";
        for (const Curve& c : s.plot.curves) {
            if (f_.kind == PlotKind::Other) fileCurve(out, c);
            else if (stems() && !c.points.empty()) stemLines(out, c);
            else if (f_.kind == PlotKind::Mass) polyline(out, joined(c), strokeOf(i), "line");
            else polyline(out, steps(c), strokeOf(i), "steps");
            if (markers(c)) dots(out, c, f_.kind == PlotKind::Other ? grayColour(c.gray) : COLOURS[i % 7], i);
        }
        out << "</g>\n";
    }

    // A vertical line from the base to each probability, as wide as the points' spacing allows.
    void stemLines(std::ostream& out, const Curve& c) const
    {
        double gap = w_;
        for (size_t k = 1; k < c.points.size(); ++k) {
            double d = std::fabs(sx(c.points[k].x) - sx(c.points[k - 1].x));
            if (d > 0) gap = std::min(gap, d);
        }
        double width = std::clamp(gap * 0.6, 0.5, 1.5);
        out << "<path class=\"stems\" fill=\"none\" stroke=\"" << COLOURS[0] << "\" stroke-width=\"" << num(width)
            << "\" d=\"";
        for (const Point& p : c.points) {
            if (!shown(p.y)) continue;
            out << "M" << num(sx(p.x)) << "," << num(baseline()) << "V" << num(sy(p.y));
        }
        out << "\"/>\n";
    }

    // The points of a curve in frame coordinates, joined in order.
    std::vector<Point> joined(const Curve& c) const
    {
        std::vector<Point> v;
        for (const Point& p : c.points) v.push_back({sx(p.x), drawnY(p.y)});
        return v;
    }

    // The staircase of a distribution: from the left edge at the value it has
    // before the first point (0, or 1 for the complement), up or down at each point.
    std::vector<Point> steps(const Curve& c) const
    {
        std::vector<Point> v;
        if (c.points.empty()) return v;
        double before = f_.kind == PlotKind::Complementary ? 1 : 0;
        v.push_back({0, sy(before)});
        for (size_t k = 0; k < c.points.size(); ++k) {
            double x = sx(c.points[k].x);
            v.push_back({x, v.back().y});
            v.push_back({x, drawnY(c.points[k].y)});
        }
        v.push_back({w_, v.back().y});
        return v;
    }

    // One line through the vertices.
    void polyline(std::ostream& out, const std::vector<Point>& v, const std::string& stroke, const char* cls) const
    {
        if (v.empty()) return;
        out << "<polyline class=\"" << cls << "\" fill=\"none\"" << stroke << " stroke-width=\"1.2\" points=\"";
        for (size_t k = 0; k < v.size(); ++k) {
            out << (k ? " " : "") << num(std::clamp(v[k].x, -FAR, FAR)) << ","
                << num(std::clamp(v[k].y, -h_ - 10, 2 * h_ + 10));
        }
        out << "\"/>\n";
    }

    // A curve of a graph of no known kind, drawn as the file says.
    void fileCurve(std::ostream& out, const Curve& c) const
    {
        if (c.line == LineType::None) return;
        std::vector<Point> v;
        for (size_t k = 0; k < c.points.size(); ++k) {
            const Point& p = c.points[k];
            v.push_back({sx(p.x), drawnY(p.y)});
            if (c.interpolation != Interpolation::YHistogram) continue;
            double nextX = k + 1 < c.points.size() ? sx(c.points[k + 1].x) : w_;
            v.push_back({std::max(nextX, sx(p.x)), drawnY(p.y)});
        }
        std::string stroke = " stroke=\"black\"";
        if (c.line == LineType::Dashed) stroke += " stroke-dasharray=\"6 3\"";
        if (c.line == LineType::Dotted) stroke += " stroke-dasharray=\"1 2\"";
        polyline(out, v, stroke, "curve");
    }

    // A marker of the series' shape (circle, square, diamond, triangle in turn) at (x, y).
    static std::string marker(size_t shape, double x, double y, double r)
    {
        std::string R = num(r), D = num(2 * r);
        switch (shape % 4) {
        case 1: return "M" + num(x - r) + "," + num(y - r) + "h" + D + "v" + D + "h-" + D + "z";
        case 2: return "M" + num(x) + "," + num(y - r) + "l" + R + "," + R + " -" + R + "," + R + " -" + R + ",-" + R + "z";
        case 3: return "M" + num(x) + "," + num(y - r) + "l" + R + "," + D + "h-" + D + "z";
        default: return "M" + num(x - r) + "," + num(y) + "a" + R + "," + R + " 0 1,0 " + D + ",0a" + R + "," + R +
                        " 0 1,0 -" + D + ",0z";
        }
    }

    // A marker on each point that the Y axis can show.
    void dots(std::ostream& out, const Curve& c, const std::string& colour, size_t shape) const
    {
        bool fileDiamonds = f_.kind == PlotKind::Other;
        double r = fileDiamonds ? c.markerSize : MARKER_RADIUS;
        out << "<path class=\"markers\" fill=\"" << colour << "\" stroke=\"" << (fileDiamonds ? "black" : "none")
            << "\" stroke-width=\"0.6\" d=\"";
        for (const Point& p : c.points) {
            if (!shown(p.y)) continue;
            out << marker(fileDiamonds ? 2 : shape, sx(p.x), sy(p.y), r);
        }
        out << "\"/>\n";
    }

    // Every line drawn for the series, in frame coordinates.
    std::vector<std::pair<Point, Point>> segments() const
    {
        std::vector<std::pair<Point, Point>> all;
        for (const Series& s : f_.series) {
            for (const Curve& c : s.plot.curves) {
                if (stems()) {
                    for (const Point& p : c.points) all.push_back({{sx(p.x), baseline()}, {sx(p.x), sy(p.y)}});
                    continue;
                }
                std::vector<Point> v = f_.kind == PlotKind::Mass || f_.kind == PlotKind::Other ? joined(c) : steps(c);
                for (size_t k = 1; k < v.size(); ++k) all.push_back({v[k - 1], v[k]});
                if (v.size() == 1) all.push_back({v[0], v[0]});
            }
        }
        return all;
    }

    // How much of the drawing a box would hide: points along every line that fall inside it.
    static size_t covered(const std::vector<std::pair<Point, Point>>& lines, double x0, double y0, double x1, double y1)
    {
        size_t n = 0;
        for (const auto& [a, b] : lines) {
            for (int k = 0; k <= 16; ++k) {
                double t = k / 16.0, x = a.x + (b.x - a.x) * t, y = a.y + (b.y - a.y) * t;
                if (x >= x0 && x <= x1 && y >= y0 && y <= y1) ++n;
            }
        }
        return n;
    }

    // The legend's font size: its rows within the frame's height and its names
    // within the frame's width, as far as the smallest size allows.
    double legendSize() const
    {
        double rows = static_cast<double>(f_.series.size());
        double size = std::min(LEGEND_FONT, (h_ - LEGEND_INSET) / (LEGEND_ROW * rows));
        for (const Series& s : f_.series) {
            size = std::min(size, fittingSize(s.label, w_ - LEGEND_INSET - LEGEND_SAMPLE, LEGEND_FONT, SMALLEST_FONT));
        }
        return std::max(size, SMALLEST_FONT);
    }

    // Whether the band's label lies within the box.
    bool hidesBandLabel(double x0, double y0, double x1, double y1) const
    {
        if (!y_.log || !f_.options.floor) return false;
        Point at = bandLabelAt();
        double left = at.x - textWidth(BAND_LABEL, BAND_FONT), top = at.y - BAND_FONT;
        return x0 < at.x && x1 > left && y0 < at.y && y1 > top;
    }

    // Each series' line and name in a box, in the corner of the frame where it hides
    // least of the curves (top right when several hide nothing), never on the band's label.
    void legend(std::ostream& out) const
    {
        if (f_.series.size() < 2) return;
        double size = legendSize();
        std::vector<std::string> labels;
        double widest = 0;
        for (const Series& s : f_.series) {
            labels.push_back(shortenText(s.label, w_ - LEGEND_INSET - LEGEND_SAMPLE, size));
            widest = std::max(widest, textWidth(labels.back(), size));
        }
        double row = size * LEGEND_ROW;
        double bw = LEGEND_SAMPLE + widest, bh = row * static_cast<double>(f_.series.size()) + 6;
        std::vector<std::pair<Point, Point>> lines = segments();
        const Point corners[] = {{w_ - bw - 6, 6}, {w_ - bw - 6, h_ - bh - 6}, {6, 6}, {6, h_ - bh - 6}};
        Point best = corners[0];
        size_t least = SIZE_MAX;
        for (const Point& c : corners) {
            size_t n = covered(lines, c.x - 2, c.y - 2, c.x + bw + 2, c.y + bh + 2);
            if (hidesBandLabel(c.x, c.y, c.x + bw, c.y + bh)) n += 1000000;
            if (n < least) least = n, best = c;
        }
        double x0 = best.x, y0 = best.y;
        out << "<g id=\"legend\">\n<rect x=\"" << num(x0) << "\" y=\"" << num(y0) << "\" width=\"" << num(bw)
            << "\" height=\"" << num(bh) << "\" fill=\"white\" fill-opacity=\"0.9\" stroke=\"#999999\" stroke-width=\"0.5\"/>\n";
        for (size_t i = 0; i < f_.series.size(); ++i) {
            double y = y0 + 3 + row * (static_cast<double>(i) + 0.5);
            out << "<g class=\"legend-entry\">\n<line x1=\"" << num(x0 + 6) << "\" y1=\"" << num(y) << "\" x2=\""
                << num(x0 + 30) << "\" y2=\"" << num(y) << "\"" << strokeOf(i) << " stroke-width=\"1.2\"/>\n";
            if (f_.kind == PlotKind::Mass) {
                out << "<path fill=\"" << COLOURS[i % 7] << "\" d=\"" << marker(i, x0 + 18, y, MARKER_RADIUS) << "\"/>\n";
            }
            text(out, labels[i], x0 + 35, y + size * 0.35, size, "start");
            out << "</g>\n";
        }
        out << "</g>\n";
    }

    // The files' names and statistics in small grey type under the graph.
    void caption(std::ostream& out) const
    {
        if (captionLines_.empty()) return;
        out << "<g id=\"caption\" fill=\"#444444\">\n";
        double y = top_ + h_ + TICK_LENGTH + 3 + TICK_FONT + 6 + LABEL_FONT + 6 + CAPTION_FONT;
        for (const std::string& line : captionLines_) {
            text(out, line, PAD, y, CAPTION_FONT, "start");
            y += CAPTION_FONT * 1.3;
        }
        out << "</g>\n";
    }

    const Figure& f_;
    AxisPlan x_;
    AxisPlan y_;
    double width_ = 0, height_ = 0;  // the picture
    double left_ = 0, top_ = 0;      // where the frame starts
    double w_ = 0, h_ = 0;           // the frame
    std::vector<std::string> captionLines_;
    std::vector<std::string> titleLines_;
    double titleSize_ = TITLE_FONT;
    std::string xLabel_, yLabel_;  // the axis labels as they fit
    double xLabelSize_ = LABEL_FONT, yLabelSize_ = LABEL_FONT;
};

}  // namespace

// Writes the figure as a standalone SVG document.
PictureSize writeSvg(const Figure& figure, std::ostream& out)
{
    return SvgFigure(figure).write(out);
}
