// The splot2svg program as a user runs it: SVG pictures of plot files, checked
// by parsing them and by rendering them with a real SVG renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/splot2svg/mini_xml.h"
#include "splot2svg/Options.h"
#include "splot2svg/PngRender.h"
#include "splot2svg/TextMetrics.h"
#include "tests/support/run_program.h"

namespace {

const std::string DATA = std::string(VELMAR_TEST_DATA) + "/splot/";

struct Sample {
    std::string file;
    std::string title;        // as the picture shows it
    std::string yLabel;
    std::vector<std::pair<double, double>> points;
    double xMin, xMax;        // the fitted X range: the values with a twentieth of their span each side
    double yMax;              // the fitted Y range: from 0 to the largest value and a twentieth
    std::vector<std::string> xTicks, yTicks;
    std::string variable;
};

const Sample PDF = {"mm1k.dss.QueueLength.pdf.splot",
                    "Distribution of QueueLength",
                    "P(X = x)",
                    {{0, 0.507936507936508}, {1, 0.253968253968254}, {2, 0.126984126984127},
                     {3, 0.0634920634920635}, {4, 0.0317460317460317}, {5, 0.0158730158730159}},
                    -0.25, 5.25, 0.507936507936508 * 1.05,
                    {"0", "1", "2", "3", "4", "5"},
                    {"0.0", "0.1", "0.2", "0.3", "0.4", "0.5"},
                    "QueueLength"};
const Sample CDF = {"mm1k.dss.QueueLength.cdf.splot",
                    "Cumulative distribution of QueueLength",
                    "P(X \xE2\x89\xA4 x)",
                    {{0, 0.507936507936508}, {1, 0.761904761904762}, {2, 0.888888888888889},
                     {3, 0.952380952380952}, {4, 0.984126984126984}, {5, 1}},
                    -0.25, 5.25, 1.05,
                    {"0", "1", "2", "3", "4", "5"},
                    {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"},
                    "QueueLength"};
const Sample WAIT = {"mm1k.dss.Wait.cdf.splot",
                     "Complementary distribution of Wait",
                     "P(X > x)",
                     {{0, 0.6}, {250.5, 0.3}, {700, 0.15}, {1200, 0.05}, {2000, 0}},
                     -100, 2100, 1.05,  // the curve starts at 1 left of the first value
                     {"0", "500", "1000", "1500", "2000"},
                     {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"},
                     "Wait"};

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

// The stems of a path "Mx,y0Vy1Mx,y0Vy1...": (x, y0, y1) each.
std::vector<std::vector<double>> stems(const std::string& d)
{
    std::vector<std::vector<double>> v;
    std::istringstream in(d);
    char m, comma, vee;
    double x, y0, y1;
    while (in >> m >> x >> comma >> y0 >> vee >> y1) v.push_back({x, y0, y1});
    return v;
}

std::unique_ptr<XmlElement> parseSvg(const std::string& text)
{
    try {
        return MiniXml::parse(text);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "not well-formed: " << e.what();
        return MiniXml::parse("<svg/>");
    }
}

// The texts of the elements with the given class below e (with the text of their children).
std::vector<std::string> texts(const XmlElement* e, const std::string& cls = "")
{
    std::vector<std::string> v;
    if (!e) return v;
    for (const XmlElement* t : e->all("text")) {
        if (!cls.empty() && t->attr("class") != cls) continue;
        std::string s = t->text;
        for (const auto& c : t->children) s += "^" + c->text;
        v.push_back(s);
    }
    return v;
}

std::vector<double> tickValuesOf(const XmlElement* axis)
{
    std::vector<double> v;
    for (const XmlElement* t : axis->all("text")) {
        if (t->attr("class") == "tick-label") v.push_back(std::stod(t->attr("data-value")));
    }
    return v;
}

// Maps data to the graph frame as the picture's axes say.
struct Frame {
    double w, h, x0, x1, y0, y1;
    explicit Frame(const XmlElement& svg)
    {
        const XmlElement* f = svg.byId("frame");
        w = std::stod(f->attr("width"));
        h = std::stod(f->attr("height"));
        x0 = std::stod(svg.byId("x-axis")->attr("data-min"));
        x1 = std::stod(svg.byId("x-axis")->attr("data-max"));
        y0 = std::stod(svg.byId("y-axis")->attr("data-min"));
        y1 = std::stod(svg.byId("y-axis")->attr("data-max"));
    }
    double sx(double x) const { return w * (x - x0) / (x1 - x0); }
    double sy(double y) const { return h - h * (y - y0) / (y1 - y0); }
};

// Checks the default picture of a sample: what a reader sees and where.
void checkPicture(const std::string& svgText, const Sample& s)
{
    std::unique_ptr<XmlElement> svg = parseSvg(svgText);
    EXPECT_EQ(svg->name, "svg");
    EXPECT_EQ(svg->attr("width"), "360.00pt");  // the file's 5 by 5 inches
    EXPECT_EQ(svg->attr("height"), "360.00pt");
    const XmlElement* title = svg->byId("graph-title");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->text, s.title);
    ASSERT_TRUE(svg->byId("frame") && svg->byId("x-axis") && svg->byId("y-axis"));
    EXPECT_EQ(svg->byId("x-label")->text, s.variable + " (x)");
    EXPECT_EQ(svg->byId("y-label")->text, s.yLabel);

    // Ranges fitted to the data, ticks at round numbers.
    Frame f(*svg);
    EXPECT_NEAR(f.x0, s.xMin, 1e-12);
    EXPECT_NEAR(f.x1, s.xMax, 1e-12);
    EXPECT_EQ(f.y0, 0);
    EXPECT_NEAR(f.y1, s.yMax, 1e-12);
    EXPECT_EQ(texts(svg->byId("x-axis"), "tick-label"), s.xTicks);
    EXPECT_EQ(texts(svg->byId("y-axis"), "tick-label"), s.yTicks);

    const XmlElement* series = svg->byId("series-1");
    ASSERT_TRUE(series);
    EXPECT_FALSE(svg->byId("series-2"));
    EXPECT_FALSE(svg->byId("legend"));
    size_t n = s.points.size();
    if (s.yLabel == "P(X = x)") {
        // A mass function: one stem from zero up to each probability, a dot on each.
        EXPECT_EQ(series->attr("class"), "stems");
        EXPECT_TRUE(series->all("polyline").empty());
        std::vector<const XmlElement*> paths = series->all("path");
        ASSERT_EQ(paths.size(), 2u);
        std::vector<std::vector<double>> v = stems(paths[0]->attr("d"));
        ASSERT_EQ(v.size(), n);
        for (size_t k = 0; k < n; ++k) {
            EXPECT_NEAR(v[k][0], f.sx(s.points[k].first), 0.006) << k;
            EXPECT_NEAR(v[k][1], f.h, 0.006) << k;
            EXPECT_NEAR(v[k][2], f.sy(s.points[k].second), 0.006) << k;
        }
        std::string d = paths[1]->attr("d");
        EXPECT_EQ(static_cast<size_t>(std::count(d.begin(), d.end(), 'M')), n);
    } else {
        // A distribution: a step curve from the left edge, rising (or falling) at each value.
        EXPECT_EQ(series->attr("class"), "steps");
        std::vector<const XmlElement*> lines = series->all("polyline");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_TRUE(series->all("path").empty());
        std::vector<std::pair<double, double>> v = coordinates(lines[0]->attr("points"));
        ASSERT_EQ(v.size(), 2 * n + 2);
        double before = s.yLabel == "P(X > x)" ? 1 : 0;
        EXPECT_NEAR(v[0].first, 0, 0.006);
        EXPECT_NEAR(v[0].second, f.sy(before), 0.006);
        for (size_t k = 0; k < n; ++k) {
            EXPECT_NEAR(v[2 * k + 1].first, f.sx(s.points[k].first), 0.006) << k;
            EXPECT_EQ(v[2 * k + 1].second, v[2 * k].second) << k;
            EXPECT_NEAR(v[2 * k + 2].first, f.sx(s.points[k].first), 0.006) << k;
            EXPECT_NEAR(v[2 * k + 2].second, f.sy(s.points[k].second), 0.006) << k;
        }
        EXPECT_NEAR(v.back().first, f.w, 0.006);
        EXPECT_NEAR(v.back().second, f.sy(s.points.back().second), 0.006);
    }

    // The text blocks as a small caption under the graph.
    const XmlElement* caption = svg->byId("caption");
    ASSERT_TRUE(caption);
    std::vector<std::string> lines = texts(caption);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("Variable name: " + s.variable + ", Mean: ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "Project name: demo, Study name: queues, Experiment name: mm1k");
    EXPECT_EQ(caption->all("text")[0]->attr("font-size"), "8.00");
    EXPECT_GT(std::stod(caption->all("text")[0]->attr("y")), f.h);
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
        EXPECT_EQ(size.first, 480u);  // the 5-inch picture
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
    const std::string usage = USAGE;
    EXPECT_NE(usage.find("--log-y"), std::string::npos);
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, usage);
    r = run_program(SPLOT2SVG_BINARY, {"-x", "a.splot"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: unknown option -x\n" + usage);
    r = run_program(SPLOT2SVG_BINARY, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, usage);
    r = run_program(SPLOT2SVG_BINARY, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, pngAvailable() ? "splot2svg 2.0 (PNG output with librsvg and cairo)\n"
                                    : "splot2svg 2.0 (PNG output not built in)\n");

    // Option values that cannot be used, each refused with what is wrong.
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{"--size", "0x3", "a.splot"}, "--size 0x3: give width x height in inches, each 1 to 50, as in 6x4"},
        {{"--size", "6", "a.splot"}, "--size 6: give width x height in inches, each 1 to 50, as in 6x4"},
        {{"--dpi", "abc", "a.splot"}, "--dpi abc: give 10 to 2400 pixels per inch"},
        {{"a.splot", "-o"}, "option -o needs a value"},
        {{"-o", "x.svg", "--png", "a.splot"}, "-o names the one picture; it does not go with - or --png"},
        {{"-", "--png", "a.splot"}, "- writes SVG; it does not go with --png"},
        {{"--x-range", "5:1", "a.splot"}, "--x-range 5:1: give two numbers A:B with A < B, as in 0:50"},
        {{"--floor", "1e-12", "a.splot"}, "--floor shades the bottom of a logarithmic Y axis; give it with --log-y"},
    };
    for (const auto& [args, message] : bad) {
        r = run_program(SPLOT2SVG_BINARY, args);
        EXPECT_EQ(r.status, 1) << message;
        EXPECT_EQ(r.err, "splot2svg: " + message + "\n" + usage);
    }
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
    EXPECT_DOUBLE_EQ(std::stod(svg->byId("x-axis")->attr("data-max")), 4.05);  // fitted to the data, not "abc"
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
    EXPECT_EQ(texts(svg->byId("caption")), std::vector<std::string>{"Name: caf\xEF\xBF\xBD  bell"});
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

namespace {

const std::string MASS_TITLE = "Probability Density Function (pdf)";
const std::string CDF_TITLE = "Probability Distribution Function (CDF)";

// A plot file as the solver writes it, reduced to what the pictures use.
std::string plotFile(const std::string& title, const std::string& variable, const std::string& experiment,
                     const std::vector<std::pair<double, double>>& points)
{
    std::ostringstream s;
    s.precision(15);
    s << ";" << variable << "  pdf\nNew Graph\nSize 5 by 5\n\nGraph Title " << title << "\nNew Text 0.5, 1.8\n"
      << "Variable name: " << variable << "\nMean: 1.5\n\nNew Text 0.5, 1.65\nProject name: demo\n"
      << "Experiment name: " << experiment << "\n\nNew Curve\nNew Points\n";
    for (const auto& [x, y] : points) s << x << ", " << y << "\n";
    s << "\nX Label " << variable << " - x\nX Maximum 100\nX Minimum 0\nX Interval 10\n"
      << "Y Maximum 1.05\nY Minimum 0.00\nY Interval 0.1\nY numberstyle floating 2\n";
    return s.str();
}

// A geometric distribution P(X = k) = (1 - q) q^k on 0..n-1.
std::vector<std::pair<double, double>> geometric(double q, int n)
{
    std::vector<std::pair<double, double>> v;
    for (int k = 0; k < n; ++k) v.push_back({k, (1 - q) * std::pow(q, k)});
    return v;
}

}  // namespace

TEST(Splot2Svg, FileRangesOptionDrawsTheFilesOwnAxes)
{
    TempDir dir;
    std::string path = copyIn(dir, PDF.file);
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"--file-ranges", "-", path});
    EXPECT_EQ(r.status, 0);
    std::unique_ptr<XmlElement> svg = parseSvg(r.out);
    Frame f(*svg);
    EXPECT_EQ(f.x0, 0);
    EXPECT_EQ(f.x1, 5.2);
    EXPECT_EQ(f.y0, 0);
    EXPECT_EQ(f.y1, 1.05);
    EXPECT_EQ(texts(svg->byId("y-axis"), "tick-label"),
              (std::vector<std::string>{"0.00", "0.10", "0.20", "0.30", "0.40", "0.50", "0.60", "0.70", "0.80",
                                        "0.90", "1.00"}));
    EXPECT_EQ(texts(svg->byId("x-axis"), "tick-label"), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
}

TEST(Splot2Svg, ManyPointsGetAFittedRangeAndLogScaleShowsTheDecades)
{
    // 301 values whose probabilities fall from 0.01 to 5e-4: with the file's 0 to
    // 1.05 they would lie along the X axis.
    TempDir dir;
    std::vector<std::pair<double, double>> points = geometric(0.99, 301);
    dir.write("wide.splot", plotFile(MASS_TITLE, "Queue", "tandem", points));
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", dir.file("wide.splot")});
    EXPECT_EQ(r.status, 0);
    std::unique_ptr<XmlElement> svg = parseSvg(r.out);
    Frame f(*svg);
    EXPECT_NEAR(f.y1, 0.01 * 1.05, 1e-15);
    EXPECT_EQ(texts(svg->byId("y-axis"), "tick-label"),
              (std::vector<std::string>{"0.000", "0.002", "0.004", "0.006", "0.008", "0.010"}));
    EXPECT_EQ(texts(svg->byId("x-axis"), "tick-label"),
              (std::vector<std::string>{"0", "50", "100", "150", "200", "250", "300"}));
    std::vector<const XmlElement*> paths = svg->byId("series-1")->all("path");
    ASSERT_EQ(paths.size(), 1u);  // stems, and no dots crowding them
    EXPECT_EQ(stems(paths[0]->attr("d")).size(), 301u);

    // On a log scale, powers of ten over the decades the probabilities span: 0.1 ** 60 down to 1e-60.
    dir.write("deep.splot", plotFile(MASS_TITLE, "Queue", "tandem", geometric(0.1, 61)));
    r = run_program(SPLOT2SVG_BINARY, {"--log-y", "-", dir.file("deep.splot")});
    EXPECT_EQ(r.status, 0);
    svg = parseSvg(r.out);
    const XmlElement* y = svg->byId("y-axis");
    EXPECT_EQ(y->attr("data-scale"), "log");
    double lo = std::stod(y->attr("data-min")), hi = std::stod(y->attr("data-max"));
    EXPECT_LT(lo, 0.9e-60);
    EXPECT_GT(lo, 1e-64);
    EXPECT_GT(hi, 0.9);
    EXPECT_LT(hi, 10);
    std::vector<double> ticks = tickValuesOf(y);
    ASSERT_GE(ticks.size(), 5u);
    EXPECT_LE(ticks.size(), 10u);
    for (double t : ticks) {
        double e = std::log10(t);
        EXPECT_NEAR(e, std::round(e), 1e-9);
        EXPECT_EQ(std::lround(e) % std::lround(std::log10(ticks[1] / ticks[0])), 0);
    }
    std::vector<std::string> labels = texts(y, "tick-label");
    EXPECT_EQ(labels.back(), "10^0");
    EXPECT_EQ(labels[labels.size() - 2], "10^\xE2\x88\x92" + std::to_string(-std::lround(std::log10(ticks[ticks.size() - 2]))));
    // Each stem from the bottom of the axis to its probability, in log coordinates.
    std::vector<std::vector<double>> v = stems(svg->byId("series-1")->all("path")[0]->attr("d"));
    ASSERT_EQ(v.size(), 61u);
    double h = std::stod(svg->byId("frame")->attr("height"));
    for (size_t k = 0; k < v.size(); k += 10) {
        double expected = h - h * (std::log10(0.9 * std::pow(0.1, k)) - std::log10(lo)) / (std::log10(hi) - std::log10(lo));
        EXPECT_NEAR(v[k][1], h, 0.006);
        EXPECT_NEAR(v[k][2], expected, 0.006) << k;
    }

    // Probabilities of 0 have no place on a log scale: the zero of the complement is left out.
    // Within a few decades the ticks are 1, 2 and 5 times the powers of ten.
    std::string wait = copyIn(dir, WAIT.file);
    r = run_program(SPLOT2SVG_BINARY, {"--log-y", "-", wait});
    EXPECT_EQ(r.status, 0);
    svg = parseSvg(r.out);
    EXPECT_EQ(tickValuesOf(svg->byId("y-axis")), (std::vector<double>{0.05, 0.1, 0.2, 0.5, 1}));
    EXPECT_EQ(texts(svg->byId("y-axis"), "tick-label"), (std::vector<std::string>{"0.05", "0.1", "0.2", "0.5", "1"}));
    EXPECT_EQ(r.out.find("nan"), std::string::npos);

    // A complement that ends in rounding (1 - 0.9999999999999999) does not stretch the axis to 1e-16.
    dir.write("ccdf.splot", plotFile("Probability Distribution Function (PDF)", "Q", "e",
                                     {{0, 0.5}, {1, 0.25}, {2, 1.1102230246251565e-16}}));
    r = run_program(SPLOT2SVG_BINARY, {"--log-y", "-", dir.file("ccdf.splot")});
    svg = parseSvg(r.out);
    EXPECT_GT(std::stod(svg->byId("y-axis")->attr("data-min")), 0.099);
    std::vector<std::pair<double, double>> steps = coordinates(svg->byId("series-1")->all("polyline")[0]->attr("points"));
    ASSERT_EQ(steps.size(), 8u);
    EXPECT_GT(steps[6].second, std::stod(svg->byId("frame")->attr("height")));  // the last step falls below the axis
}

TEST(Splot2Svg, SizeTitleAndTextOptions)
{
    TempDir dir;
    std::string path = copyIn(dir, CDF.file);
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"--size", "6x4", "--no-text", "--title", "", "-", path});
    EXPECT_EQ(r.status, 0);
    std::unique_ptr<XmlElement> svg = parseSvg(r.out);
    EXPECT_EQ(svg->attr("width"), "432.00pt");
    EXPECT_EQ(svg->attr("height"), "288.00pt");
    EXPECT_EQ(svg->attr("viewBox"), "0 0 432.00 288.00");
    EXPECT_FALSE(svg->byId("caption"));
    EXPECT_FALSE(svg->byId("graph-title"));
    // The frame takes what the labels leave, and keeps to the picture.
    Frame f(*svg);
    EXPECT_GT(f.w, 432 * 0.75);
    EXPECT_LT(f.w, 432);
    EXPECT_GT(f.h, 288 * 0.7);

    r = run_program(SPLOT2SVG_BINARY, {"--title", "Jobs in the queue", "-", path});
    EXPECT_EQ(parseSvg(r.out)->byId("graph-title")->text, "Jobs in the queue");
}

TEST(Splot2Svg, SeveralFilesOfOneKindShareAPictureWithALegend)
{
    TempDir dir;
    for (const char* e : {"fast", "medium", "slow"}) {
        double q = e[0] == 'f' ? 0.3 : e[0] == 'm' ? 0.5 : 0.7;
        dir.write(std::string(e) + ".splot", plotFile(CDF_TITLE, "Jobs", e, {{0, 1 - q}, {1, 1 - q * q}, {2, 1}}));
    }
    std::string out = dir.file("all.svg");
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-o", out, dir.file("fast.splot"), dir.file("medium.splot"),
                                                     dir.file("slow.splot")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::unique_ptr<XmlElement> svg = parseSvg(slurp(out));
    EXPECT_EQ(svg->byId("graph-title")->text, "Cumulative distribution of Jobs");
    EXPECT_EQ(texts(svg->byId("legend")), (std::vector<std::string>{"fast", "medium", "slow"}));
    std::vector<std::string> colours;
    for (int i = 1; i <= 3; ++i) {
        const XmlElement* s = svg->byId("series-" + std::to_string(i));
        ASSERT_TRUE(s);
        EXPECT_EQ(s->attr("class"), "steps");
        colours.push_back(s->all("polyline")[0]->attr("stroke"));
    }
    EXPECT_NE(colours[0], colours[1]);
    EXPECT_NE(colours[1], colours[2]);
    // The legend sits where it hides no part of any curve.
    const XmlElement* box = svg->byId("legend")->all("rect")[0];
    double bx = std::stod(box->attr("x")), by = std::stod(box->attr("y"));
    double bw = std::stod(box->attr("width")), bh = std::stod(box->attr("height"));
    for (const XmlElement* line : svg->all("polyline")) {
        std::vector<std::pair<double, double>> v = coordinates(line->attr("points"));
        for (size_t k = 1; k < v.size(); ++k) {
            for (double t = 0; t <= 1; t += 1.0 / 64) {
                double x = v[k - 1].first + t * (v[k].first - v[k - 1].first);
                double y = v[k - 1].second + t * (v[k].second - v[k - 1].second);
                EXPECT_FALSE(x > bx && x < bx + bw && y > by && y < by + bh) << x << "," << y;
            }
        }
    }
    // What differs is named after its legend entry; what is shared is said once.
    EXPECT_EQ(texts(svg->byId("caption")),
              (std::vector<std::string>{"fast: Project name: demo, Experiment name: fast",
                                        "medium: Project name: demo, Experiment name: medium",
                                        "slow: Project name: demo, Experiment name: slow",
                                        "Variable name: Jobs, Mean: 1.5"}));

    // A mass function cannot share a picture with a distribution: nothing is written.
    dir.write("mass.splot", plotFile(MASS_TITLE, "Jobs", "fast", {{0, 0.5}, {1, 0.5}}));
    r = run_program(SPLOT2SVG_BINARY, {"-o", dir.file("mixed.svg"), dir.file("fast.splot"), dir.file("mass.splot")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: " + dir.file("mass.splot") +
                         ":5: the probability of each value (\"Probability Density Function (pdf)\") cannot be drawn "
                         "in one picture with a cumulative distribution of " + dir.file("fast.splot") + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("mixed.svg")));
    r = run_program(SPLOT2SVG_BINARY, {"-o", dir.file("all.pdf"), dir.file("fast.splot")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: " + dir.file("all.pdf") + ": a picture's name ends in .svg or .png\n");
    r = run_program(SPLOT2SVG_BINARY, {"-o", dir.file("none.svg"), dir.file("fast.splot"), dir.file("gone.splot")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: " + dir.file("gone.splot") + ": No such file or directory\nsplot2svg: " +
                         dir.file("none.svg") + ": not written\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.svg")));
}

TEST(Splot2Svg, PngPicturesComeFromTheNamesExtension)
{
    TempDir dir;
    std::string path = copyIn(dir, PDF.file);
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"--size", "4x3", "--dpi", "100", "-o", dir.file("q.PNG"), path});
    ProgramResult beside = run_program(SPLOT2SVG_BINARY, {"--png", path});
    if (!pngAvailable()) {
        const std::string why = "PNG output is not built into this splot2svg (it needs librsvg and cairo: Debian's "
                                "librsvg2-dev and libcairo2-dev); write an SVG picture instead\n";
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "splot2svg: " + dir.file("q.PNG") + ": " + why);
        EXPECT_EQ(beside.err, "splot2svg: " + dir.file("mm1k.dss.QueueLength.pdf.png") + ": " + why);
        EXPECT_FALSE(std::filesystem::exists(dir.file("q.PNG")));
        return;
    }
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string png = slurp(dir.file("q.PNG"));
    EXPECT_EQ(pngSize(png), (std::pair<unsigned, unsigned>{400, 300}));
    EXPECT_GT(png.size(), 5000u);  // stems, ticks and text, not an empty page
    EXPECT_EQ(beside.status, 0) << beside.err;
    EXPECT_EQ(pngSize(slurp(dir.file("mm1k.dss.QueueLength.pdf.png"))), (std::pair<unsigned, unsigned>{750, 750}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("mm1k.dss.QueueLength.pdf.svg")));
}

TEST(Splot2Svg, PicturesReplaceALinkAndNeverWriteThroughIt)
{
    TempDir dir;
    std::string path = copyIn(dir, PDF.file);
    dir.write("precious.txt", "keep me\n");
    std::string svg = dir.file("mm1k.dss.QueueLength.pdf.svg");
    ASSERT_EQ(symlink(dir.file("precious.txt").c_str(), svg.c_str()), 0);
    if (pngAvailable()) {
        ASSERT_EQ(symlink(dir.file("precious.txt").c_str(), dir.file("all.png").c_str()), 0);
    }
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir.file("precious.txt")), "keep me\n");
    EXPECT_FALSE(std::filesystem::is_symlink(svg));
    EXPECT_TRUE(std::filesystem::is_regular_file(svg));
    checkPicture(slurp(svg), PDF);
    if (pngAvailable()) {
        r = run_program(SPLOT2SVG_BINARY, {"-o", dir.file("all.png"), path});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(slurp(dir.file("precious.txt")), "keep me\n");
        EXPECT_FALSE(std::filesystem::is_symlink(dir.file("all.png")));
    }
    // No temporary file is left behind.
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path)) {
        EXPECT_EQ(e.path().filename().string().find(".splot2svg-"), std::string::npos) << e.path();
        ++files;
    }
    EXPECT_EQ(files, pngAvailable() ? 4u : 3u);
}

TEST(Splot2Svg, APictureThatCannotBeWrittenIsReported)
{
    TempDir dir;
    std::string path = copyIn(dir, PDF.file);
    std::string out = dir.file("no/such/dir/p.svg");
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-o", out, path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: " + out + ": cannot create a temporary file beside it: No such file or directory\n");
    // A directory where the picture should be: the temporary file goes, the directory stays.
    std::filesystem::create_directory(dir.file("mm1k.dss.QueueLength.pdf.svg"));
    r = run_program(SPLOT2SVG_BINARY, {path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: " + dir.file("mm1k.dss.QueueLength.pdf.svg") + ": cannot write: Is a directory\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("mm1k.dss.QueueLength.pdf.svg")));
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path)) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);  // only the plot file
}

TEST(Splot2Svg, PlotFilesOfTheTandemExampleOverlaidAndOnALogScale)
{
    TempDir dir;
    std::string examples = std::string(VELMAR_EXAMPLES) + "/";
    ProgramResult run = run_program(DSS_BINARY, {"-P", "demo", "-S", "queues", "-E", "tandem", "-G", examples,
                                                 "-s", dir.path + "/"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string q1 = dir.file("tandem.dss.Queue1.pdf.splot"), q2 = dir.file("tandem.dss.Queue2.pdf.splot");
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"--log-y", "-o", dir.file("both.svg"), q1, q2});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::unique_ptr<XmlElement> svg = parseSvg(slurp(dir.file("both.svg")));
    EXPECT_EQ(svg->byId("graph-title")->text, "Distribution");
    EXPECT_EQ(svg->byId("x-label")->text, "Queue1, Queue2 (x)");
    EXPECT_EQ(svg->byId("y-label")->text, "P(X = x)");
    EXPECT_EQ(texts(svg->byId("legend")), (std::vector<std::string>{"Queue1", "Queue2"}));
    for (const char* id : {"series-1", "series-2"}) {
        const XmlElement* s = svg->byId(id);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->attr("class"), "line");  // several mass functions: lines through the probabilities
        EXPECT_EQ(s->all("polyline").size(), 1u);
        EXPECT_EQ(s->all("path").size(), 1u);  // the markers
    }
    // Every probability lies within the log axis.
    double lo = std::stod(svg->byId("y-axis")->attr("data-min")), hi = std::stod(svg->byId("y-axis")->attr("data-max"));
    for (const std::string& file : {q1, q2}) {
        std::istringstream in(slurp(file));
        std::string line;
        while (std::getline(in, line) && line != "New Points") {}
        double x, y;
        char comma;
        size_t n = 0;
        while (in >> x >> comma >> y) {
            EXPECT_GT(y, lo);
            EXPECT_LT(y, hi);
            ++n;
        }
        EXPECT_GT(n, 5u);
    }
    EXPECT_EQ(texts(svg->byId("caption")).back(), "Project name: demo, Study name: queues, Experiment name: tandem");
}

TEST(Splot2Svg, AFileWithoutPointsDrawsEmptyAxesWithAWarning)
{
    TempDir dir;
    dir.write("empty.splot", plotFile(MASS_TITLE, "Q", "e", {}));
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", dir.file("empty.splot")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "splot2svg: " + dir.file("empty.splot") + ": warning: no points to draw\n");
    std::unique_ptr<XmlElement> svg = parseSvg(r.out);
    EXPECT_TRUE(svg->byId("series-1")->children.empty());  // no stems, no markers, not even empty ones
    EXPECT_GE(tickValuesOf(svg->byId("y-axis")).size(), 2u);
    EXPECT_EQ(r.out.find("nan"), std::string::npos);
}

// A picture never takes the place of an input, and two inputs never draw one picture: the
// run is refused before any picture is written, and every file stays as it was.
TEST(Splot2Svg, PicturesThatWouldReplaceAnInputOrEachOtherAreRefused)
{
    TempDir dir;
    std::string a = copyIn(dir, PDF.file);
    std::string plot = slurp(a);
    dir.write("b.svg", plot);  // a plot file with a picture's name
    dir.write("d.splot", plot);
    dir.write("d.svg", plot);
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    std::string dotA = dir.path + "/./" + PDF.file;
    std::string picture = dir.path + "/./mm1k.dss.QueueLength.pdf.svg";
    for (const Case& c :
         {Case{{"-o", dir.file("b.svg"), a, dir.file("b.svg")},
               "splot2svg: " + dir.file("b.svg") + ": the picture would replace the input " + dir.file("b.svg") +
                   "; nothing was written\n"},
          Case{{dir.file("d.splot"), dir.file("d.svg")},
               "splot2svg: " + dir.file("d.svg") + ": the picture would replace the input " + dir.file("d.svg") +
                   "; nothing was written\n"},
          Case{{a, dotA},
               "splot2svg: " + picture + ": the pictures of " + a + " and " + dotA +
                   " would be one file; nothing was written\n"}}) {
        ProgramResult r = run_program(SPLOT2SVG_BINARY, c.args);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.err, c.err);
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"b.svg", "d.splot", "d.svg", PDF.file})) << c.err;
        for (const char* name : {"b.svg", "d.splot", "d.svg"}) EXPECT_EQ(slurp(dir.file(name)), plot) << name;
    }
}

// Past the file-size limit the write fails with its reason (the signal it raises does not
// end the program), the temporary file goes and the previous picture stays.
TEST(Splot2Svg, FileSizeLimitIsAWriteErrorAndThePreviousPictureStays)
{
    TempDir dir;
    std::string a = copyIn(dir, PDF.file);
    std::string picture = dir.file("mm1k.dss.QueueLength.pdf.svg");
    dir.write("mm1k.dss.QueueLength.pdf.svg", "previous picture\n");
    int signal = 0;
    ProgramResult r = finish_program(start_program(SPLOT2SVG_BINARY, {a}, "", {}, 0, 1024, true), &signal);
    EXPECT_EQ(signal, 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "splot2svg: " + picture + ": cannot write: File too large\n");
    EXPECT_EQ(slurp(picture), "previous picture\n");
    auto files = std::distance(std::filesystem::directory_iterator(dir.path), std::filesystem::directory_iterator());
    EXPECT_EQ(files, 2);  // the plot file and the previous picture
}

namespace {

struct Box {
    double x0, y0, x1, y1;
};

// The room a text element takes in the picture, as the program's own font
// metrics measure it: each line (a tspan with its own position is a line; one
// without, a raised exponent, extends the line before it), turned upright when
// the text is rotated by a quarter turn about its position.
void textBoxes(const XmlElement& e, double dx, double dy, std::vector<std::pair<std::string, Box>>& out)
{
    std::string transform = e.attr("transform");
    double tx = 0, ty = 0;
    if (std::sscanf(transform.c_str(), "translate(%lf %lf)", &tx, &ty) == 2) dx += tx, dy += ty;
    if (e.name != "text") {
        for (const auto& c : e.children) textBoxes(*c, dx, dy, out);
        return;
    }
    double size = std::stod(e.attr("font-size"));
    std::string anchor = e.attr("text-anchor");
    bool upright = transform.rfind("rotate(-90", 0) == 0;
    struct Line {
        double x, y, width, raise;
        std::string text;
    };
    std::vector<Line> lines;
    if (!e.attr("x").empty()) {
        lines.push_back({std::stod(e.attr("x")), std::stod(e.attr("y")), textWidth(e.text, size), 0, e.text});
    }
    for (const auto& t : e.children) {
        double tsize = t->attr("font-size").empty() ? size : std::stod(t->attr("font-size"));
        if (!t->attr("x").empty()) {
            lines.push_back({std::stod(t->attr("x")), std::stod(t->attr("y")), textWidth(t->text, tsize), 0, t->text});
        } else {
            ASSERT_FALSE(lines.empty());
            lines.back().width += textWidth(t->text, tsize);
            lines.back().raise = std::max(lines.back().raise, -std::stod(t->attr("dy")));
            lines.back().text += "^" + t->text;
        }
    }
    for (const Line& l : lines) {
        double start = anchor == "middle" ? -l.width / 2 : anchor == "end" ? -l.width : 0;
        double above = TEXT_ASCENT * size + l.raise, below = TEXT_DESCENT * size;
        Box b = upright ? Box{l.x - above, l.y - start - l.width, l.x + below, l.y - start}
                        : Box{l.x + start, l.y - above, l.x + start + l.width, l.y + below};
        out.push_back({l.text, Box{b.x0 + dx, b.y0 + dy, b.x1 + dx, b.y1 + dy}});
    }
}

// Checks that every text of the picture lies within it; returns how many texts there are.
size_t expectTextsInside(const std::string& svgText)
{
    std::unique_ptr<XmlElement> svg = parseSvg(svgText);
    double width = std::stod(svg->attr("width")), height = std::stod(svg->attr("height"));
    std::vector<std::pair<std::string, Box>> boxes;
    textBoxes(*svg, 0, 0, boxes);
    for (const auto& [text, b] : boxes) {
        EXPECT_GE(b.x0, 0) << text;
        EXPECT_GE(b.y0, 0) << text;
        EXPECT_LE(b.x1, width) << text;
        EXPECT_LE(b.y1, height) << text;
    }
    return boxes.size();
}

std::string withoutSpaces(std::string s)
{
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s;
}

// The lines of the picture's title, whether one text or several.
std::string titleOf(const XmlElement& svg)
{
    const XmlElement* t = svg.byId("graph-title");
    if (!t) return "";
    std::string all = t->text;
    for (const auto& line : t->children) all += (all.empty() ? "" : " ") + line->text;
    return all;
}

}  // namespace

// From a one-column picture up, the title, labels, ticks, legend and caption all
// lie inside the picture, whatever length the names have.
TEST(Splot2Svg, EveryTextFitsInsideSmallPictures)
{
    TempDir dir;
    std::string pdf = copyIn(dir, PDF.file), cdf = copyIn(dir, CDF.file), wait = copyIn(dir, WAIT.file);
    const std::string longName = "NumberOfJobsWaitingInTheSecondQueueOfTheTandem";
    dir.write("long.splot", plotFile(CDF_TITLE, longName, "a_long_experiment_name_for_a_legend", geometric(0.4, 30)));
    dir.write("other.splot", plotFile(CDF_TITLE, "Jobs", "short", geometric(0.6, 30)));
    dir.write("tails.splot", plotFile(MASS_TITLE, "Jobs", "tails", geometric(0.5, 80)));
    const std::string title = "Queue lengths of the tandem network under heavy load, both queues, all rates";
    const std::vector<std::vector<std::string>> pictures = {
        {pdf}, {cdf}, {wait}, {dir.file("long.splot")},
        {"--log-y", pdf}, {"--log-y", "--floor", "1e-14", dir.file("tails.splot")},
        {"--title", title, cdf}, {"-o", "OVERLAY", dir.file("long.splot"), dir.file("other.splot")},
        {"--log-y", "-o", "OVERLAY", dir.file("long.splot"), dir.file("other.splot")},
    };
    for (const char* size : {"2.5x2.5", "3.5x2.5", "2.5x6", "4x3", "5x5"}) {
        for (std::vector<std::string> args : pictures) {
            SCOPED_TRACE(std::string(size) + " " + args.back());
            std::string out = dir.file("overlay.svg");
            for (std::string& a : args) {
                if (a == "OVERLAY") a = out;
            }
            bool overlay = std::find(args.begin(), args.end(), out) != args.end();
            args.insert(args.begin(), {"--size", size});
            if (!overlay) args.insert(args.begin(), "-");
            ProgramResult r = run_program(SPLOT2SVG_BINARY, args);
            ASSERT_EQ(r.status, 0) << r.err;
            std::string svgText = overlay ? slurp(out) : r.out;
            EXPECT_GE(expectTextsInside(svgText), 10u);
            std::unique_ptr<XmlElement> svg = parseSvg(svgText);
            // A picture only grows past the size asked for where the graph would be under an inch.
            double asked = std::stod(size) * 72;
            EXPECT_NEAR(std::stod(svg->attr("width")), asked, 0.01);
            // Shrunk or wrapped, the title says all it said.
            EXPECT_EQ(withoutSpaces(titleOf(*svg)), withoutSpaces(svg->all("title")[0]->text));
        }
    }
    // The README's one-column picture keeps its title on one line, a little smaller.
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", "--size", "3.5x2.5", cdf});
    std::unique_ptr<XmlElement> svg = parseSvg(r.out);
    EXPECT_EQ(svg->byId("graph-title")->text, "Cumulative distribution of QueueLength");
    double size = std::stod(svg->byId("graph-title")->attr("font-size"));
    EXPECT_LT(size, 13);
    EXPECT_GE(size, 10);
    // A title wider than the picture at the smallest size is wrapped into lines.
    r = run_program(SPLOT2SVG_BINARY, {"-", "--size", "2.5x2.5", "--title", title, cdf});
    svg = parseSvg(r.out);
    EXPECT_GE(svg->byId("graph-title")->children.size(), 3u);
    EXPECT_EQ(svg->byId("graph-title")->attr("font-size"), "10.00");
}

namespace {

// The Y axis's top of the picture drawn with these options.
double yTop(const std::vector<std::string>& args)
{
    ProgramResult r = run_program(SPLOT2SVG_BINARY, args);
    EXPECT_EQ(r.status, 0) << r.err;
    return std::stod(parseSvg(r.out)->byId("y-axis")->attr("data-max"));
}

}  // namespace

TEST(Splot2Svg, LogAxesEndAtTheDataTopDecade)
{
    TempDir dir;
    std::string pdf = copyIn(dir, PDF.file), cdf = copyIn(dir, CDF.file), wait = copyIn(dir, WAIT.file);
    // Probabilities reaching 1, and a complement starting there: the axis ends at 1.
    EXPECT_EQ(yTop({"-", "--log-y", cdf}), 1);
    EXPECT_EQ(yTop({"-", "--log-y", wait}), 1);
    EXPECT_EQ(yTop({"-", "--log-y", pdf}), 1);  // the largest is 0.51
    // Small probabilities end at their own decade; other graphs at theirs, over 1 too.
    dir.write("small.splot", plotFile(MASS_TITLE, "Q", "e", {{0, 0.004}, {1, 0.002}, {2, 1e-9}}));
    EXPECT_DOUBLE_EQ(yTop({"-", "--log-y", dir.file("small.splot")}), 0.01);
    dir.write("other.splot", plotFile("Response time", "Q", "e", {{0, 3}, {1, 47}, {2, 0.5}}));
    EXPECT_DOUBLE_EQ(yTop({"-", "--log-y", dir.file("other.splot")}), 100);
    // A probability a rounding over 1 still ends the axis at 1.
    dir.write("over.splot", plotFile(CDF_TITLE, "Q", "e", {{0, 0.5}, {1, 1.0000000000000002}}));
    EXPECT_EQ(yTop({"-", "--log-y", dir.file("over.splot")}), 1);
    // Every point stays on the axis: the largest on or under its top, none over.
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", "--log-y", cdf});
    std::unique_ptr<XmlElement> svg = parseSvg(r.out);
    for (const auto& [x, y] : coordinates(svg->byId("series-1")->all("polyline")[0]->attr("points"))) {
        EXPECT_GE(y, 0) << x;
    }
    EXPECT_EQ(texts(svg->byId("y-axis"), "tick-label").back(), "1");
}

TEST(Splot2Svg, XRangeSetsTheAxisAndTheYFitsWhatIsInIt)
{
    TempDir dir;
    std::string pdf = copyIn(dir, PDF.file);
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", "--x-range", "1:4", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    std::unique_ptr<XmlElement> svg = parseSvg(r.out);
    Frame f(*svg);
    EXPECT_EQ(f.x0, 1);
    EXPECT_EQ(f.x1, 4);
    EXPECT_EQ(tickValuesOf(svg->byId("x-axis")), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_NEAR(f.y1, PDF.points[1].second * 1.05, 1e-12);  // the largest value at x = 1..4, not the 0.51 at 0
    // What lies outside is cut at the frame's sides.
    const XmlElement* clip = svg->all("clipPath")[0]->all("rect")[0];
    EXPECT_EQ(std::stod(clip->attr("x")), 0);
    EXPECT_EQ(std::stod(clip->attr("width")), f.w);
    // It takes the place of the file's own X range too.
    r = run_program(SPLOT2SVG_BINARY, {"-", "--file-ranges", "--x-range", "-0.5:2.5", pdf});
    svg = parseSvg(r.out);
    EXPECT_EQ(std::stod(svg->byId("x-axis")->attr("data-min")), -0.5);
    EXPECT_EQ(std::stod(svg->byId("x-axis")->attr("data-max")), 2.5);
}

// With a floor, the log axis shows the band of probabilities the answer does not
// resolve, and no value in it is drawn as data.
TEST(Splot2Svg, FloorShadesWhatIsBelowResolution)
{
    TempDir dir;
    // A geometric distribution whose tail under 1e-12 is replaced by rounding noise.
    std::vector<std::pair<double, double>> points = geometric(0.5, 40);
    size_t resolved = 0;
    for (auto& [x, y] : points) {
        if (y < 1e-12) y = (static_cast<int>(x) % 3 + 1) * 7e-14;
        resolved += y > 1e-12;
    }
    dir.write("noisy.splot", plotFile(MASS_TITLE, "Jobs", "e", points));
    ProgramResult r = run_program(SPLOT2SVG_BINARY, {"-", "--log-y", "--floor", "1e-12", dir.file("noisy.splot")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::unique_ptr<XmlElement> svg = parseSvg(r.out);
    Frame f(*svg);
    auto logY = [&](double y) { return f.h - f.h * std::log10(y / f.y0) / std::log10(f.y1 / f.y0); };
    EXPECT_LE(f.y0, 1e-12 / std::sqrt(10.0));  // half a decade of band at least
    EXPECT_GT(f.y0, 1e-15);                    // the noise does not stretch the axis
    const XmlElement* band = svg->byId("floor-band");
    ASSERT_TRUE(band);
    const XmlElement* rect = band->all("rect")[0];
    EXPECT_NEAR(std::stod(rect->attr("y")), logY(1e-12), 0.006);
    EXPECT_NEAR(std::stod(rect->attr("y")) + std::stod(rect->attr("height")), f.h, 0.011);
    EXPECT_EQ(svg->byId("floor-label")->text, "below resolution");
    // One stem per resolved value, each ending over the band; one marker each.
    std::vector<const XmlElement*> paths = svg->byId("series-1")->all("path");
    ASSERT_EQ(paths.size(), 2u);
    std::vector<std::vector<double>> v = stems(paths[0]->attr("d"));
    EXPECT_EQ(v.size(), resolved);
    for (const std::vector<double>& stem : v) EXPECT_LT(stem[2], logY(1e-12));
    std::string d = paths[1]->attr("d");
    EXPECT_EQ(static_cast<size_t>(std::count(d.begin(), d.end(), 'M')), resolved);
    // Without the floor the noise is drawn as the file gives it, and there is no band.
    r = run_program(SPLOT2SVG_BINARY, {"-", "--log-y", dir.file("noisy.splot")});
    svg = parseSvg(r.out);
    EXPECT_FALSE(svg->byId("floor-band"));
    EXPECT_EQ(stems(svg->byId("series-1")->all("path")[0]->attr("d")).size(), points.size());
    // A complementary curve drops below the axis where it falls under the floor.
    dir.write("tail.splot", plotFile("Probability Distribution Function (PDF)", "Jobs", "e",
                                     {{0, 0.5}, {1, 1e-3}, {2, 3e-13}, {3, 2e-14}}));
    r = run_program(SPLOT2SVG_BINARY, {"-", "--log-y", "--floor", "1e-12", dir.file("tail.splot")});
    svg = parseSvg(r.out);
    auto curve = coordinates(svg->byId("series-1")->all("polyline")[0]->attr("points"));
    ASSERT_EQ(curve.size(), 10u);
    EXPECT_GT(curve[6].second, Frame(*svg).h);  // at x = 2 the curve leaves the frame downwards
}
