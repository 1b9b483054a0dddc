#include "splot2svg/SvgWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "splot2svg/AxisScale.h"
#include "splot2svg/Font.h"
#include "splot2svg/XmlText.h"

namespace {

const double POINTS_PER_INCH = 72;
const double TICK_LENGTH = 5;
const double TICK_FONT = 10;
const double PADDING = 12;
// Drawn coordinates are kept within this many points of the frame.
const double FAR = 5 * 72 * 10;

// A number as an SVG coordinate, in points.
std::string num(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", std::clamp(v, -FAR, FAR));
    return text;
}

// A data value as written in data-* attributes: exact enough to compare.
std::string exact(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

// Width of a text line, estimated from its characters (no font metrics at hand).
double textWidth(const std::string& text, const Font& font)
{
    return static_cast<double>(utf8Length(text)) * font.size * (font.bold ? 0.62 : 0.56);
}

std::string fontAttributes(const Font& font)
{
    std::string a = " font-family=\"" + cssFontFamily(font.family) + "\" font-size=\"" + num(font.size) + "\"";
    if (font.bold) a += " font-weight=\"bold\"";
    if (font.italic) a += " font-style=\"italic\"";
    return a;
}

std::string grayColour(double gray)
{
    int level = static_cast<int>(std::lround(std::clamp(gray, 0.0, 1.0) * 255));
    return "rgb(" + std::to_string(level) + "," + std::to_string(level) + "," + std::to_string(level) + ")";
}

// The region everything drawn occupies, grown item by item.
struct Box {
    double left = 0, top = 0, right = 0, bottom = 0;
    void add(double x0, double y0, double x1, double y1)
    {
        left = std::min(left, std::clamp(std::min(x0, x1), -FAR, FAR));
        right = std::max(right, std::clamp(std::max(x0, x1), -FAR, FAR));
        top = std::min(top, std::clamp(std::min(y0, y1), -FAR, FAR));
        bottom = std::max(bottom, std::clamp(std::max(y0, y1), -FAR, FAR));
    }
};

// The data extent of all curves' points on one coordinate.
Range dataExtent(const Plot& plot, bool alongX)
{
    double lo = INFINITY, hi = -INFINITY;
    for (const Curve& c : plot.curves) {
        for (const Point& p : c.points) {
            double v = alongX ? p.x : p.y;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    return lo <= hi ? Range{lo, hi} : Range{0, 1};
}

class SvgPlot {
public:
    explicit SvgPlot(const Plot& plot)
        : plot_(plot),
          width_(plot.widthInches * POINTS_PER_INCH),
          height_(plot.heightInches * POINTS_PER_INCH),
          x_(axisRange(plot.x.minimum, plot.x.maximum, dataExtent(plot, true))),
          y_(axisRange(plot.y.minimum, plot.y.maximum, dataExtent(plot, false))) {}

    void write(std::ostream& out)
    {
        box_.add(0, 0, width_, height_);
        xAxis();
        yAxis();
        title();
        texts();
        for (size_t i = 0; i < plot_.curves.size(); ++i) curve(plot_.curves[i], i + 1);
        double left = box_.left - PADDING, top = box_.top - PADDING;
        double w = box_.right - box_.left + 2 * PADDING, h = box_.bottom - box_.top + 2 * PADDING;
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << num(w) << "pt\" height=\""
            << num(h) << "pt\" viewBox=\"" << num(left) << " " << num(top) << " " << num(w) << " " << num(h)
            << "\">\n"
            << "<title>" << xmlEscape(plot_.title) << "</title>\n"
            << "<rect x=\"" << num(left) << "\" y=\"" << num(top) << "\" width=\"" << num(w) << "\" height=\""
            << num(h) << "\" fill=\"white\"/>\n"
            << "<defs><clipPath id=\"plot-area\"><rect x=\"" << num(-clipMargin()) << "\" y=\"" << num(-clipMargin())
            << "\" width=\"" << num(width_ + 2 * clipMargin()) << "\" height=\"" << num(height_ + 2 * clipMargin())
            << "\"/></clipPath></defs>\n"
            << body_.str()
            << "<rect id=\"frame\" x=\"0\" y=\"0\" width=\"" << num(width_) << "\" height=\"" << num(height_)
            << "\" fill=\"none\" stroke=\"black\" stroke-width=\"1\"/>\n"
            << "</svg>\n";
    }

private:
    double sx(double x) const { return width_ * (x - x_.lo) / (x_.hi - x_.lo); }
    double sy(double y) const { return height_ - height_ * (y - y_.lo) / (y_.hi - y_.lo); }

    // Markers on the frame's edges stay whole; anything further out is cut.
    double clipMargin() const
    {
        double m = 0;
        for (const Curve& c : plot_.curves) m = std::max(m, c.markerSize);
        return m + 1;
    }

    // One line of text; anchor is "start", "middle" or "end".
    // Unless rotated, its estimated extent joins the drawn region.
    void text(const std::string& line, double x, double y, const Font& font, const char* anchor,
              const std::string& extra = "", bool rotated = false)
    {
        body_ << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\"" << fontAttributes(font)
              << " text-anchor=\"" << anchor << "\"" << extra << ">" << xmlEscape(line) << "</text>\n";
        double w = textWidth(line, font);
        double x0 = anchor[0] == 's' ? x : anchor[0] == 'm' ? x - w / 2 : x - w;
        if (!rotated) box_.add(x0, y - font.size, x0 + w, y + font.size * 0.3);
    }

    // Every `stride`-th tick is labelled, so that labels do not run into each other.
    static size_t labelStride(const std::vector<std::string>& labels, double spacing, double labelSize)
    {
        double widest = 0;
        Font f;
        f.size = TICK_FONT;
        for (const std::string& l : labels) widest = std::max(widest, textWidth(l, f));
        double need = std::max(widest, labelSize) + 4;
        size_t stride = 1;
        while (stride < labels.size() && spacing * static_cast<double>(stride) < need) ++stride;
        return stride;
    }

    void xAxis()
    {
        const Axis& a = plot_.x;
        std::vector<double> ticks = tickValues(x_, a.interval);
        std::vector<std::string> labels;
        for (double t : ticks) labels.push_back(tickLabel(t, a.decimals));
        double spacing = ticks.size() > 1 ? sx(ticks[1]) - sx(ticks[0]) : width_;
        size_t stride = labelStride(labels, spacing, 0);
        body_ << "<g id=\"x-axis\" data-min=\"" << exact(x_.lo) << "\" data-max=\"" << exact(x_.hi) << "\">\n"
              << "<line x1=\"0\" y1=\"" << num(height_) << "\" x2=\"" << num(width_) << "\" y2=\"" << num(height_)
              << "\" stroke=\"black\"/>\n";
        Font tickFont;
        tickFont.size = TICK_FONT;
        for (size_t i = 0; i < ticks.size(); ++i) {
            double x = sx(ticks[i]);
            body_ << "<line class=\"tick\" x1=\"" << num(x) << "\" y1=\"" << num(height_) << "\" x2=\"" << num(x)
                  << "\" y2=\"" << num(height_ + TICK_LENGTH) << "\" stroke=\"black\"/>\n";
            if (i % stride == 0) text(labels[i], x, height_ + TICK_LENGTH + 3 + TICK_FONT, tickFont, "middle");
        }
        double labelY = height_ + TICK_LENGTH + 3 + TICK_FONT + 8 + a.font.size;
        text(a.label, width_ / 2, labelY, a.font, "middle", " id=\"x-label\"");
        body_ << "</g>\n";
    }

    void yAxis()
    {
        const Axis& a = plot_.y;
        std::vector<double> ticks = tickValues(y_, a.interval);
        std::vector<std::string> labels;
        double widest = 0;
        Font tickFont;
        tickFont.size = TICK_FONT;
        for (double t : ticks) {
            labels.push_back(tickLabel(t, a.decimals));
            widest = std::max(widest, textWidth(labels.back(), tickFont));
        }
        double spacing = ticks.size() > 1 ? sy(ticks[0]) - sy(ticks[1]) : height_;
        size_t stride = labelStride({}, spacing, TICK_FONT);
        body_ << "<g id=\"y-axis\" data-min=\"" << exact(y_.lo) << "\" data-max=\"" << exact(y_.hi) << "\">\n"
              << "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"" << num(height_) << "\" stroke=\"black\"/>\n";
        for (size_t i = 0; i < ticks.size(); ++i) {
            double y = sy(ticks[i]);
            body_ << "<line class=\"tick\" x1=\"" << num(-TICK_LENGTH) << "\" y1=\"" << num(y) << "\" x2=\"0\" y2=\""
                  << num(y) << "\" stroke=\"black\"/>\n";
            if (i % stride == 0) text(labels[i], -TICK_LENGTH - 3, y + TICK_FONT * 0.35, tickFont, "end");
        }
        double labelX = -TICK_LENGTH - 3 - widest - 8;
        std::string rotate = " id=\"y-label\" transform=\"rotate(-90 " + num(labelX) + " " + num(height_ / 2) + ")\"";
        text(a.label, labelX, height_ / 2, a.font, "middle", rotate, true);
        double w = textWidth(a.label, a.font);
        box_.add(labelX - a.font.size, height_ / 2 - w / 2, labelX + a.font.size * 0.3, height_ / 2 + w / 2);
        body_ << "</g>\n";
    }

    void title()
    {
        const Font& f = plot_.graphFont;
        text(plot_.title, width_ / 2, -f.size * 0.8, f, "middle", " id=\"graph-title\"");
    }

    void texts()
    {
        for (size_t i = 0; i < plot_.texts.size(); ++i) {
            const TextBlock& b = plot_.texts[i];
            double x = b.at ? std::clamp(sx(b.at->x), -FAR / 2, FAR / 2) : 0;
            double y = b.at ? std::clamp(sy(b.at->y), -FAR / 2, FAR / 2) : -3 * plot_.graphFont.size;
            body_ << "<g class=\"text-block\" id=\"text-" << i + 1 << "\">\n";
            for (size_t k = 0; k < b.lines.size(); ++k) {
                text(b.lines[k], x, y + static_cast<double>(k) * b.font.size * 1.2, b.font, "start");
            }
            body_ << "</g>\n";
        }
    }

    void curve(const Curve& c, size_t number)
    {
        std::vector<Point> vertices;
        for (size_t k = 0; k < c.points.size(); ++k) {
            const Point& p = c.points[k];
            vertices.push_back({sx(p.x), sy(p.y)});
            if (c.interpolation != Interpolation::YHistogram) continue;
            double nextX = k + 1 < c.points.size() ? sx(c.points[k + 1].x) : width_;
            vertices.push_back({std::max(nextX, sx(p.x)), sy(p.y)});
        }
        std::string colour = grayColour(c.gray);
        body_ << "<g id=\"curve-" << number << "\" clip-path=\"url(#plot-area)\">\n";
        if (c.line != LineType::None && !vertices.empty()) {
            body_ << "<polyline class=\"curve\" fill=\"none\" stroke=\"black\" stroke-width=\"1\"";
            if (c.line == LineType::Dashed) body_ << " stroke-dasharray=\"6 3\"";
            if (c.line == LineType::Dotted) body_ << " stroke-dasharray=\"1 2\"";
            body_ << " points=\"";
            for (size_t k = 0; k < vertices.size(); ++k) {
                body_ << (k ? " " : "") << num(vertices[k].x) << "," << num(vertices[k].y);
            }
            body_ << "\"/>\n";
        }
        if (c.diamonds && c.markerSize > 0 && !c.points.empty()) {
            std::string s = num(c.markerSize);
            body_ << "<path class=\"markers\" fill=\"" << colour << "\" stroke=\"black\" stroke-width=\"0.6\" d=\"";
            for (const Point& p : c.points) {
                body_ << "M" << num(sx(p.x)) << "," << num(sy(p.y) - c.markerSize) << "l" << s << "," << s << " -"
                      << s << "," << s << " -" << s << ",-" << s << "z";
            }
            body_ << "\"/>\n";
        }
        body_ << "</g>\n";
    }

    const Plot& plot_;
    double width_;
    double height_;
    Range x_;
    Range y_;
    Box box_;
    std::ostringstream body_;
};

}  // namespace

// Writes the plot as a standalone SVG document.
void writeSvg(const Plot& plot, std::ostream& out)
{
    SvgPlot(plot).write(out);
}
