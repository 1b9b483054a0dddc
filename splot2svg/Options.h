// The command line of splot2svg: which plot files, which pictures, drawn how.
#ifndef SPLOT2SVG_OPTIONS_H
#define SPLOT2SVG_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

#include "splot2svg/AxisScale.h"

// How a picture is drawn.
struct DrawOptions {
    bool logY = false;                   // Y on a logarithmic scale
    std::optional<double> widthInches;   // the whole picture; default: the file's size
    std::optional<double> heightInches;
    bool fileRanges = false;             // the file's own X and Y ranges and intervals
    bool text = true;                    // the small caption of names and statistics
    std::optional<std::string> title;    // replaces the title made from the plot kind
    double dpi = 150;                    // pixels per inch of a PNG picture
    std::optional<Range> xRange;         // the X axis's range instead of a fitted one
    std::optional<double> floor;         // with logY: probabilities under it are shaded, not drawn
};

struct CommandLine {
    enum class Action { Draw, Help, Version, Fail };
    Action action = Action::Draw;
    std::string error;                 // for Fail: what is wrong, without the usage
    DrawOptions draw;
    std::vector<std::string> files;
    std::string output;                // -o: one picture of every file, overlaid
    bool toStdout = false;             // -: each SVG to standard output
    bool png = false;                  // --png: X.png beside each X.splot
};

// The usage text shown by --help and after a mistake on the command line.
extern const char USAGE[];

// The line --version prints.
std::string versionText();

// Reads the arguments (without the program name).
CommandLine parseCommandLine(const std::vector<std::string>& args);

#endif
