// The splot2svg program as a user runs it: SVG pictures of plot files, checked
// by parsing them and by rendering them with a real SVG renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/splot2svg/mini_xml.h"
#include "tests/support/run_program.h"

namespace {

const std::string DATA = std::string(VELMAR_TEST_DATA) + "/splot/";

struct Sample {
    std::string file;
    std::string title;
    std::vector<std::pair<double, double>> points;
    double xMin, xMax;
};

const Sample PDF = {"mm1k.dss.QueueLength.pdf.splot",
                    "Probability Density Function (pdf)",
                    {{0, 0.507936507936508}, {1, 0.253968253968254}, {2, 0.126984126984127},
                     {3, 0.0634920634920635}, {4, 0.0317460317460317}, {5, 0.0158730158730159}},
                    0, 5.2};
const Sample CDF = {"mm1k.dss.QueueLength.cdf.splot",
                    "Probability Distribution Function (CDF)",
                    {{0, 0.507936507936508}, {1, 0.761904761904762}, {2, 0.888888888888889},
                     {3, 0.952380952380952}, {4, 0.984126984126984}, {5, 1}},
                    0, 5.2};
const Sample WAIT = {"mm1k.dss.Wait.cdf.splot",
                     "Probability Distribution Function (PDF)",
                     {{0, 0.6}, {250.5, 0.3}, {700, 0.15}, {1200, 0.05}, {2000, 0}},
                     0, 2080};

// A copy of a sample plot file in dir.
std::string copyIn(const TempDir& dir, const std::string& name)
{
    dir.write(name, slurp(DATA + name));
    return dir.file(name);
}

std::vector<std::pair<double, double>> coordinates(const std::string& pointsAttribute)
{
    std::vector<std::pair<double, double>> v;
    std::istringstream in(pointsAttribute);
    double x, y;
    char comma;
    while (in >> x >> comma >> y) v.push_back({x, y});
    return v;
}

std::vector<std::string> blockLines(const XmlElement& svg, const std::string& id)
{
    std::vector<std::string> lines;
    const XmlElement* g = svg.byId(id);
    if (!g) return lines;
    for (const XmlElement* t : g->all("text")) lines.push_back(t->text);
    return lines;
}

// Checks the drawing of a sample against what its plot file says.
void checkPicture(const std::string& svgText, const Sample& s)
{
    std::unique_ptr<XmlElement> svg;
    try {
        svg = MiniXml::parse(svgText);
    } catch (const std::exception& e) {
        FAIL() << "not well-formed: " << e.what();
    }
    EXPECT_EQ(svg->name, "svg");
    const XmlElement* title = svg->byId("graph-title");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->text, s.title);
    EXPECT_EQ(title->attr("font-size"), "15.00");

    // The graph is 5 by 5 inches (360 points) and its axes span the file's range.
    const XmlElement* frame = svg->byId("frame");
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->attr("width"), "360.00");
    EXPECT_EQ(frame->attr("height"), "360.00");
    const XmlElement* xAxis = svg->byId("x-axis");
    const XmlElement* yAxis = svg->byId("y-axis");
    ASSERT_TRUE(xAxis && yAxis);
    EXPECT_DOUBLE_EQ(std::stod(xAxis->attr("data-min")), s.xMin);
    EXPECT_DOUBLE_EQ(std::stod(xAxis->attr("data-max")), s.xMax);
    EXPECT_DOUBLE_EQ(std::stod(yAxis->attr("data-min")), 0);
    EXPECT_DOUBLE_EQ(std::stod(yAxis->attr("data-max")), 1.05);
    EXPECT_EQ(svg->byId("x-label")->text, s.title == WAIT.title ? "Wait - x" : "QueueLength - x");
    EXPECT_EQ(svg->byId("y-label")->text, "Probability - P(X = x)");
    std::vector<std::string> yTicks;
    for (const XmlElement* t : yAxis->all("text")) yTicks.push_back(t->text);
    EXPECT_EQ(yTicks, (std::vector<std::string>{"0.00", "0.10", "0.20", "0.30", "0.40", "0.50", "0.60", "0.70",
                                                "0.80", "0.90", "1.00", "Probability - P(X = x)"}));

    // One polyline, a step per point: each value held until the next point.
    std::vector<const XmlElement*> lines = svg->all("polyline");
    ASSERT_EQ(lines.size(), 1u);
    std::vector<std::pair<double, double>> v = coordinates(lines[0]->attr("points"));
    size_t n = s.points.size();
    ASSERT_EQ(v.size(), 2 * n);
    auto sx = [&](double x) { return 360 * (x - s.xMin) / (s.xMax - s.xMin); };
    auto sy = [&](double y) { return 360 - 360 * y / 1.05; };
    for (size_t k = 0; k < n; ++k) {
        double nextX = k + 1 < n ? s.points[k + 1].first : s.xMax;
        EXPECT_NEAR(v[2 * k].first, sx(s.points[k].first), 0.006) << k;
        EXPECT_NEAR(v[2 * k].second, sy(s.points[k].second), 0.006) << k;
        EXPECT_NEAR(v[2 * k + 1].first, sx(nextX), 0.006) << k;
        EXPECT_EQ(v[2 * k + 1].second, v[2 * k].second) << k;
    }
    std::vector<const XmlElement*> paths = svg->all("path");
    ASSERT_EQ(paths.size(), 1u);
    std::string d = paths[0]->attr("d");
    EXPECT_EQ(static_cast<size_t>(std::count(d.begin(), d.end(), 'M')), n);
    EXPECT_EQ(paths[0]->attr("fill"), "rgb(204,204,204)");

    // The three text blocks, with the first line of each at its data position.
    EXPECT_EQ(blockLines(*svg, "text-1").size(), 3u);
    EXPECT_EQ(blockLines(*svg, "text-1")[0], "Variable name: " + std::string(s.title == WAIT.title ? "Wait" : "QueueLength"));
    EXPECT_EQ(blockLines(*svg, "text-2"),
              (std::vector<std::string>{"Project name: demo", "Study name: queues", "Experiment name: mm1k"}));
    ASSERT_TRUE(svg->byId("text-3"));
    EXPECT_TRUE(blockLines(*svg, "text-3").empty());
    const XmlElement* first = svg->byId("text-2")->all("text")[0];
    EXPECT_NEAR(std::stod(first->attr("x")), sx(0.05 * s.points.back().first), 0.006);
    EXPECT_NEAR(std::stod(first->attr("y")), sy(1.65), 0.006);
    EXPECT_EQ(first->attr("font-size"), "11.00");
}

// Width and height of a PNG image, from its header; (0, 0) when it is no PNG.
std::pair<unsigned, unsigned> pngSize(const std::string& png)
{
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto be = [&](size_t at) {
        unsigned v = 0;
        for (size_t k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(png[at + k]);
        return v;
    };
    return {be(16), be(20)};
}

}  // namespace

TEST(Splot2Svg, PicturesOfPdfAndCdfFilesShowWhatTheFilesSay)
{
    TempDir dir;
    for (const Sample& s : {PDF, CDF, WAIT}) {
        SCOPED_TRACE(s.file);
        std::string path = copyIn(dir, s.file);
        ProgramResult r = run_program(SPLOT2SVG_BINARY, {path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, "");
        std::string svgPath = path.substr(0, path.size() - 6) + ".svg";
        checkPicture(slurp(svgPath), s);
    }
}

TEST(Splot2Svg, DashWritesTheSvgToStandardOutput)
{
    TempDir dir;
    std::string path = copyIn(dir, PDF.file);
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    checkPicture(r.out, PDF);
    EXPECT_EQ(slurp(dir.file("mm1k.dss.QueueLength.pdf.svg")), "");  // nothing beside the file
}

TEST(Splot2Svg, RendersToPngWithARealSvgRenderer)
{
    ASSERT_EQ(std::system("command -v rsvg-convert >/dev/null 2>&1"), 0)
        << "rsvg-convert is missing: install Debian's librsvg2-bin";
    TempDir dir;
    for (const Sample& s : {PDF, CDF}) {
        std::string path = copyIn(dir, s.file);
        ASSERT_EQ(run_program(SPLOT2SVG_BINARY, {path}).status, 0);
        std::string svg = path.substr(0, path.size() - 6) + ".svg";
        ProgramResult r = run_program("/bin/sh", {"-c", "rsvg-convert -o \"$0.png\" \"$0\"", svg});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        std::string png = slurp(svg + ".png");
        std::unique_ptr<XmlElement> root = MiniXml::parse(slurp(svg));
        // The renderer sizes the picture from the SVG's points at 96 pixels an inch.
        double width = std::stod(root->attr("width")) * 96 / 72;
        double height = std::stod(root->attr("height")) * 96 / 72;
        std::pair<unsigned, unsigned> size = pngSize(png);
        EXPECT_NEAR(size.first, width, 1.0);
        EXPECT_NEAR(size.second, height, 1.0);
        EXPECT_GT(size.first, 480u);  // at least the 5-inch graph
        EXPECT_GT(png.size(), 10000u);  // text, ticks and curve, not an empty page
    }
}

TEST(Splot2Svg, NotAPlotFileIsRefused)
{
    TempDir dir;
    std::string path = copyIn(dir, "not_a_plot.splot");
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "splot2svg: " + path + ": not a .splot plot file (it does not begin with \"New Graph\")\n");
    EXPECT_EQ(slurp(dir.file("not_a_plot.svg")), "");

    // The other files are still converted; the status tells of the failure.
    std::string good = copyIn(dir, PDF.file);
    r = run_program(SPLOT2SVG_BINARY, {path, dir.file("missing.splot"), good});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: " + path + ": not a .splot plot file (it does not begin with \"New Graph\")\n"
                     "splot2svg: " + dir.file("missing.splot") + ": No such file or directory\n");
    EXPECT_NE(slurp(dir.file("mm1k.dss.QueueLength.pdf.svg")), "");
}

TEST(Splot2Svg, UsageAndUnknownOptions)
{
    const std::string usage = "usage: splot2svg [-] FILE.splot...\n"
                              "Writes FILE.svg beside each FILE.splot; with -, writes the SVG to standard output.\n";
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, usage);
    r = run_program(SPLOT2SVG_BINARY, {"-x", "a.splot"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: unknown option -x\n" + usage);
    r = run_program(SPLOT2SVG_BINARY, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, usage);
}

TEST(Splot2Svg, UnknownCommandIsSkippedWithAWarning)
{
    TempDir dir;
    std::string path = copyIn(dir, "unknown_command.splot");
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "splot2svg: " + path + ":3: warning: unknown command skipped: Legend Font TIMES10\n");
    std::unique_ptr<XmlElement> svg = MiniXml::parse(slurp(dir.file("unknown_command.svg")));
    EXPECT_EQ(coordinates(svg->all("polyline")[0]->attr("points")).size(), 4u);
}

TEST(Splot2Svg, BadNumbersAreSkippedWithWarnings)
{
    TempDir dir;
    std::string path = copyIn(dir, "bad_numbers.splot");
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", path});
    EXPECT_EQ(r.status, 0);
    const std::string at = "splot2svg: " + path + ":";
    EXPECT_EQ(r.err, at + "4: warning: gray level must be 0 to 1; kept: curve gray lots\n" +
                     at + "6: warning: point that is not finite skipped: nan, 0.5\n" +
                     at + "7: warning: point that is not finite skipped: 1, inf\n" +
                     at + "8: warning: malformed point skipped: 2, x\n" +
                     at + "12: warning: malformed number ignored: X Maximum abc\n" +
                     at + "13: warning: interval must be positive; ignored: X Interval 0\n" +
                     at + "14: warning: interval must be positive; ignored: Y Interval -0.1\n");
    std::unique_ptr<XmlElement> svg = MiniXml::parse(r.out);
    EXPECT_EQ(coordinates(svg->all("polyline")[0]->attr("points")).size(), 4u);  // points 3 and 4
    EXPECT_DOUBLE_EQ(std::stod(svg->byId("x-axis")->attr("data-max")), 4);  // from the data
    EXPECT_GE(svg->byId("x-axis")->all("text").size(), 2u);
}

TEST(Splot2Svg, HugeAndDegenerateValuesStillDraw)
{
    TempDir dir;
    for (const char* name : {"huge_values.splot", "single_zero_point.splot"}) {
        SCOPED_TRACE(name);
        std::string path = copyIn(dir, name);
        ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        std::unique_ptr<XmlElement> svg = MiniXml::parse(r.out);
        for (const char* axis : {"x-axis", "y-axis"}) {
            const XmlElement* a = svg->byId(axis);
            EXPECT_LT(std::stod(a->attr("data-min")), std::stod(a->attr("data-max")));
            EXPECT_LE(a->all("line").size(), 51u);
        }
        EXPECT_EQ(r.out.find("nan"), std::string::npos);
        EXPECT_EQ(r.out.find("inf"), std::string::npos);
    }
}

TEST(Splot2Svg, TextIsEscapedAndRepairedForXml)
{
    TempDir dir;
    std::string path = copyIn(dir, "xml_markup.splot");
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", path});
    EXPECT_EQ(r.status, 0);
    std::unique_ptr<XmlElement> svg = MiniXml::parse(r.out);
    EXPECT_EQ(svg->byId("graph-title")->text, "Jobs <queue> & \"server\" 'A'");
    EXPECT_EQ(blockLines(*svg, "text-1"), std::vector<std::string>{"Name: caf\xEF\xBF\xBD  bell"});
}

TEST(Splot2Svg, TheWellFormednessCheckRejectsBrokenDocuments)
{
    for (const char* bad : {"<a><b></a></b>", "<a x=1/>", "<a x='1' x='2'/>", "<a>&foo;</a>", "<a/><b/>",
                            "<a>\xff</a>", "<a>1 < 2</a>", "<a>", "text"}) {
        EXPECT_THROW(MiniXml::parse(bad), std::runtime_error) << bad;
    }
    EXPECT_EQ(MiniXml::parse("<?xml version=\"1.0\"?>\n<a k=\"&lt;\">x&amp;y<b/></a>\n")->text, "x&y");
}

TEST(Splot2Svg, PlotFilesOfARealRunDrawAsTheSamplesDo)
{
    TempDir dir;
    std::string examples = std::string(VELMAR_EXAMPLES) + "/";
    ProgramResult run = run_program(DSS_BINARY, {"-P", "demo", "-S", "queues", "-E", "mm1k", "-G",
                                                 examples, "-s", dir.path + "/"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const Sample& s : {PDF, CDF}) {
        SCOPED_TRACE(s.file);
        ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", dir.file(s.file)});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        checkPicture(r.out, s);
    }
}
