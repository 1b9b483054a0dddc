// The description of one graph read from a ".splot" file: what is to be drawn,
// in the graph's own data coordinates.
#ifndef SPLOT2SVG_PLOT_H
#define SPLOT2SVG_PLOT_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct Font {
    std::string family = "Helvetica";
    double size = 12;  // points
    bool bold = false;
    bool italic = false;
};

struct Point {
    double x = 0;
    double y = 0;
};

// Lines of text whose first baseline starts at a data position.
struct TextBlock {
    std::optional<Point> at;  // absent when the position could not be read
    std::vector<std::string> lines;
    Font font;
};

enum class Interpolation { YHistogram, Linear };
enum class LineType { Solid, Dashed, Dotted, None };

struct Curve {
    bool diamonds = true;
    double markerSize = 3;  // half the diamond's width, in points
    double gray = 0;        // 0 black, 1 white
    LineType line = LineType::Solid;
    Interpolation interpolation = Interpolation::YHistogram;
    std::vector<Point> points;
};

struct Axis {
    std::string label;
    Font font;
    std::optional<double> minimum;
    std::optional<double> maximum;
    std::optional<double> interval;
    int decimals = -1;  // tick label digits after the point; -1: general form
};

struct Plot {
    double widthInches = 5;
    double heightInches = 5;
    Font graphFont;
    std::string title;
    size_t titleLine = 0;  // the line of "Graph Title" in the file; 0 when there is none
    std::vector<TextBlock> texts;
    std::vector<Curve> curves;
    Axis x;
    Axis y;
};

#endif
