#include "splot2svg/Convert.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "splot2svg/SplotParser.h"
#include "splot2svg/SvgWriter.h"

namespace {

int fail(std::ostream& messages, const std::string& path, const std::string& why)
{
    messages << "splot2svg: " << path << ": " << why << "\n";
    return 1;
}

}  // namespace

// The SVG file beside a plot file: ".splot" replaced by ".svg", or ".svg" added.
std::string svgPathFor(const std::string& splotPath)
{
    const std::string suffix = ".splot";
    size_t n = splotPath.size();
    if (n > suffix.size() && splotPath.compare(n - suffix.size(), suffix.size(), suffix) == 0) {
        return splotPath.substr(0, n - suffix.size()) + ".svg";
    }
    return splotPath + ".svg";
}

// Converts the plot file at `path` to SVG.
int convertSplotFile(const std::string& path, std::ostream* toStream, std::ostream& messages)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return fail(messages, path, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return fail(messages, path, "not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(messages, path, std::strerror(errno));
    ParsedPlot parsed = parseSplot(in, path, messages);
    if (in.bad()) return fail(messages, path, "read error");
    if (!parsed.isSplot) return fail(messages, path, "not a .splot plot file (it does not begin with \"New Graph\")");
    std::ostringstream svg;
    writeSvg(parsed.plot, svg);
    if (toStream) {
        *toStream << svg.str();
        return toStream->good() ? 0 : fail(messages, path, "cannot write the SVG to standard output");
    }
    std::string target = svgPathFor(path);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) return fail(messages, target, std::string("cannot create: ") + std::strerror(errno));
    out << svg.str();
    out.close();
    if (!out) return fail(messages, target, "write error");
    return 0;
}
