#include "splot2svg/Convert.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "framework/FileNames.h"
#include "splot2svg/AtomicFile.h"
#include "splot2svg/Figure.h"
#include "splot2svg/PngRender.h"
#include "splot2svg/SplotParser.h"
#include "splot2svg/SvgWriter.h"

namespace {

// Says what went wrong with a file; status 1.
int fail(std::ostream& messages, const std::string& path, const std::string& why)
{
    messages << "splot2svg: " << path << ": " << why << "\n";
    return 1;
}

// Whether s ends in the (lower-case) suffix, in any case.
bool endsWith(const std::string& s, const std::string& suffix)
{
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i]) return false;
    }
    return true;
}

// Reads one plot file into a series; 1 with a message when it cannot be read or is no plot file.
int readSeries(const std::string& path, std::ostream& messages, Series& series)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return fail(messages, path, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return fail(messages, path, "not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(messages, path, std::strerror(errno));
    ParsedPlot parsed = parseSplot(in, path, messages);
    if (in.bad()) return fail(messages, path, "read error");
    if (!parsed.isSplot) return fail(messages, path, "not a .splot plot file (it does not begin with \"New Graph\")");
    size_t points = 0;
    for (const Curve& c : parsed.plot.curves) points += c.points.size();
    if (points == 0) messages << "splot2svg: " << path << ": warning: no points to draw\n";
    series.source = path;
    series.plot = std::move(parsed.plot);
    return 0;
}

// The picture as SVG or PNG bytes; an empty string, or why it cannot be made.
std::string pictureBytes(const Figure& figure, bool png, std::string& bytes)
{
    std::ostringstream svg;
    PictureSize size = writeSvg(figure, svg);
    if (!png) {
        bytes = svg.str();
        return "";
    }
    double scale = figure.options.dpi / 72;
    int w = static_cast<int>(std::lround(size.widthPoints * scale));
    int h = static_cast<int>(std::lround(size.heightPoints * scale));
    return renderPng(svg.str(), w, h, bytes);
}

// Makes the picture of the series and writes it to `target`, or to `toStream` when not null.
int drawPicture(std::vector<Series> series, const DrawOptions& options, bool png, const std::string& target,
                std::ostream* toStream, std::ostream& messages)
{
    Figure figure;
    std::string why = makeFigure(std::move(series), options, figure);
    if (!why.empty()) return messages << "splot2svg: " << why << "\n", 1;
    std::string bytes;
    why = pictureBytes(figure, png, bytes);
    if (!why.empty()) return fail(messages, target, why);
    if (toStream) {
        *toStream << bytes;
        return toStream->good() ? 0 : fail(messages, target, "cannot write the SVG to standard output");
    }
    why = replaceFile(target, bytes);
    return why.empty() ? 0 : fail(messages, target, why);
}

// Says why the pictures cannot be written, before any is: a picture that is one of
// the inputs, or two inputs whose pictures are one file. Empty when none.
std::string sharedPictures(const std::vector<std::string>& inputs, const std::vector<std::string>& pictures,
                           std::ostream& messages)
{
    std::map<std::string, std::string> read, drawn;
    for (const std::string& in : inputs) read.emplace(file_identity(in), in);
    for (size_t i = 0; i < pictures.size(); ++i) {
        std::string id = file_identity(pictures[i]);
        auto input = read.find(id);
        if (input != read.end()) {
            fail(messages, pictures[i], "the picture would replace the input " + input->second +
                                            "; nothing was written");
            return "shared";
        }
        std::string from = pictures.size() == inputs.size() ? inputs[i] : "";
        auto placed = drawn.emplace(id, from);
        if (!placed.second) {
            fail(messages, pictures[i], "the pictures of " + placed.first->second + " and " + from +
                                            " would be one file; nothing was written");
            return "shared";
        }
    }
    return "";
}

}  // namespace

// The picture beside a plot file.
std::string picturePathFor(const std::string& splotPath, const std::string& extension)
{
    const std::string suffix = ".splot";
    size_t n = splotPath.size();
    if (n > suffix.size() && splotPath.compare(n - suffix.size(), suffix.size(), suffix) == 0) {
        return splotPath.substr(0, n - suffix.size()) + extension;
    }
    return splotPath + extension;
}

// Draws each plot file as its own picture.
int convertEach(const std::vector<std::string>& files, const DrawOptions& options, bool png, std::ostream* toStream,
                std::ostream& messages)
{
    int status = 0;
    if (!toStream) {
        std::vector<std::string> pictures;
        for (const std::string& path : files) pictures.push_back(picturePathFor(path, png ? ".png" : ".svg"));
        if (!sharedPictures(files, pictures, messages).empty()) return 1;
    }
    for (const std::string& path : files) {
        Series s;
        if (readSeries(path, messages, s) != 0) {
            status = 1;
            continue;
        }
        std::string target = toStream ? path : picturePathFor(path, png ? ".png" : ".svg");
        if (drawPicture({std::move(s)}, options, png, target, toStream, messages) != 0) status = 1;
    }
    return status;
}

// Draws all the plot files in one picture.
int drawTogether(const std::vector<std::string>& files, const std::string& output, const DrawOptions& options,
                 std::ostream& messages)
{
    bool png = endsWith(output, ".png");
    if (!png && !endsWith(output, ".svg")) return fail(messages, output, "a picture's name ends in .svg or .png");
    if (!sharedPictures(files, {output}, messages).empty()) return 1;
    std::vector<Series> series;
    int status = 0;
    for (const std::string& path : files) {
        Series s;
        if (readSeries(path, messages, s) != 0) status = 1;
        else series.push_back(std::move(s));
    }
    if (status != 0) return fail(messages, output, "not written");
    return drawPicture(std::move(series), options, png, output, nullptr, messages);
}
