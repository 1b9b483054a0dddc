#include "splot2svg/Options.h"

#include <cmath>
#include <cstdlib>

#include "splot2svg/PngRender.h"

const char USAGE[] =
    "usage: splot2svg [OPTION]... FILE.splot...\n"
    "Draws the solver's plot files as pictures: FILE.svg beside each FILE.splot.\n"
    "  -o PICTURE     one picture of all the files (of one kind), overlaid with a legend;\n"
    "                 PICTURE ending in .png gives a PNG, ending in .svg an SVG\n"
    "  --png          FILE.png beside each FILE.splot instead of FILE.svg\n"
    "  -              each SVG to standard output instead\n"
    "  --log-y        logarithmic Y axis (probabilities over many decades) up to the\n"
    "                 power of ten at or over the largest value (1 for probabilities)\n"
    "  --size WxH     picture size in inches (default: the plot file's, 5x5); from\n"
    "                 2.5 inches wide every text fits (a long title shrinks or wraps)\n"
    "  --dpi N        pixels per inch of a PNG picture (default 150)\n"
    "  --file-ranges  the plot file's own axis ranges and intervals instead of fitted ones\n"
    "  --x-range A:B  the X axis from A to B (numbers, A < B); values outside are cut\n"
    "  --floor P      with --log-y: shade the probabilities under P (0 < P < 1, e.g.\n"
    "                 the resolution floor the solver reports) grey, labelled \"below\n"
    "                 resolution\", instead of drawing them as data\n"
    "  --no-text      no caption of names and statistics under the graph\n"
    "  --title TEXT   this title instead of the one made from the plot kind (\"\" for none)\n"
    "  --help         this text\n"
    "  --version      the program's version\n";

// The line --version prints.
std::string versionText()
{
    return std::string("splot2svg 2.0 (PNG output ") + (pngAvailable() ? "with librsvg and cairo" : "not built in") +
           ")\n";
}

namespace {

// A number that is all of the text and finite, or nothing.
std::optional<double> number(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Reads "WxH" into the options; false when it is not two sizes of 1 to 50 inches.
bool readSize(const std::string& text, DrawOptions& d)
{
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    std::optional<double> w = number(text.substr(0, x));
    std::optional<double> h = number(text.substr(x + 1));
    auto sound = [](std::optional<double> v) { return v && *v >= 1 && *v <= 50; };
    if (!sound(w) || !sound(h)) return false;
    d.widthInches = w;
    d.heightInches = h;
    return true;
}

// Reads "A:B" into the options; false when they are not two numbers with A < B.
bool readXRange(const std::string& text, DrawOptions& d)
{
    size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    std::optional<double> a = number(text.substr(0, colon));
    std::optional<double> b = number(text.substr(colon + 1));
    if (!a || !b || !(*a < *b) || !std::isfinite(*b - *a)) return false;
    d.xRange = Range{*a, *b};
    return true;
}

// A command line refused for the reason given.
CommandLine failed(const std::string& why)
{
    CommandLine c;
    c.action = CommandLine::Action::Fail;
    c.error = why;
    return c;
}

}  // namespace

// Reads the arguments (without the program name).
CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine c;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (optionsDone || a.empty() || a[0] != '-') c.files.push_back(a);
        else if (a == "-") c.toStdout = true;
        else if (a == "--") optionsDone = true;
        else if (a == "-h" || a == "--help") c.action = CommandLine::Action::Help;
        else if (a == "--version") c.action = CommandLine::Action::Version;
        else if (a == "--log-y") c.draw.logY = true;
        else if (a == "--file-ranges") c.draw.fileRanges = true;
        else if (a == "--no-text") c.draw.text = false;
        else if (a == "--png") c.png = true;
        else if (!hasValue && (a == "-o" || a == "--size" || a == "--dpi" || a == "--title" || a == "--x-range" ||
                                  a == "--floor")) {
            return failed("option " + a + " needs a value");
        } else if (a == "-o") {
            c.output = args[++i];
            if (c.output.empty()) return failed("option -o needs a file name");
        } else if (a == "--title") {
            c.draw.title = args[++i];
        } else if (a == "--size") {
            if (!readSize(args[++i], c.draw)) {
                return failed("--size " + args[i] + ": give width x height in inches, each 1 to 50, as in 6x4");
            }
        } else if (a == "--dpi") {
            std::optional<double> dpi = number(args[++i]);
            if (!dpi || *dpi < 10 || *dpi > 2400) return failed("--dpi " + args[i] + ": give 10 to 2400 pixels per inch");
            c.draw.dpi = *dpi;
        } else if (a == "--x-range") {
            if (!readXRange(args[++i], c.draw)) {
                return failed("--x-range " + args[i] + ": give two numbers A:B with A < B, as in 0:50");
            }
        } else if (a == "--floor") {
            std::optional<double> p = number(args[++i]);
            if (!p || !(*p > 0) || !(*p < 1)) {
                return failed("--floor " + args[i] + ": give a probability over 0 and under 1, as in 1e-14");
            }
            c.draw.floor = p;
        } else {
            return failed("unknown option " + a);
        }
    }
    if (c.action != CommandLine::Action::Draw) return c;
    if (c.files.empty()) return failed("");
    if (c.draw.floor && !c.draw.logY) {
        return failed("--floor shades the bottom of a logarithmic Y axis; give it with --log-y");
    }
    if (!c.output.empty() && (c.toStdout || c.png)) return failed("-o names the one picture; it does not go with - or --png");
    if (c.toStdout && c.png) return failed("- writes SVG; it does not go with --png");
    return c;
}
