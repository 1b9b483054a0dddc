// Reading plot files into plot descriptions, and the pieces that make drawing safe:
// axis ranges, ticks, labels and XML text.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "splot2svg/AxisScale.h"
#include "splot2svg/Font.h"
#include "splot2svg/SplotParser.h"
#include "splot2svg/XmlText.h"

namespace {

ParsedPlot parseText(const std::string& text, std::string* warnings = nullptr, size_t maxPoints = MAX_POINTS)
{
    std::istringstream in(text);
    std::ostringstream w;
    ParsedPlot p = parseSplot(in, "t.splot", w, maxPoints);
    if (warnings) *warnings = w.str();
    return p;
}

}  // namespace

TEST(SplotReading, PdfFileGivesEveryPartOfTheGraph)
{
    std::ifstream in(std::string(VELMAR_TEST_DATA) + "/splot/mm1k.dss.QueueLength.pdf.splot");
    std::ostringstream warnings;
    ParsedPlot parsed = parseSplot(in, "pdf", warnings);
    ASSERT_TRUE(parsed.isSplot);
    EXPECT_EQ(warnings.str(), "");
    const Plot& p = parsed.plot;
    EXPECT_EQ(p.title, "Probability Density Function (pdf)");
    EXPECT_EQ(p.graphFont.size, 15);
    EXPECT_EQ(p.widthInches, 5);
    EXPECT_EQ(p.heightInches, 5);
    ASSERT_EQ(p.texts.size(), 3u);
    EXPECT_EQ(p.texts[0].lines, (std::vector<std::string>{"Variable name: QueueLength", "Mean: 0.904762",
                                                          "Variance: 1.419501"}));
    EXPECT_EQ(p.texts[1].lines, (std::vector<std::string>{"Project name: demo", "Study name: queues",
                                                          "Experiment name: mm1k"}));
    EXPECT_TRUE(p.texts[2].lines.empty());
    for (const TextBlock& t : p.texts) {
        ASSERT_TRUE(t.at.has_value());
        EXPECT_DOUBLE_EQ(t.at->x, 0.25);
        EXPECT_EQ(t.font.size, 11);  // "Text Font" sets the block before it
    }
    EXPECT_DOUBLE_EQ(p.texts[1].at->y, 1.65);
    ASSERT_EQ(p.curves.size(), 1u);
    const Curve& c = p.curves[0];
    EXPECT_TRUE(c.diamonds);
    EXPECT_EQ(c.markerSize, 3);
    EXPECT_DOUBLE_EQ(c.gray, 0.8);
    EXPECT_EQ(c.interpolation, Interpolation::YHistogram);
    EXPECT_EQ(c.line, LineType::Solid);
    ASSERT_EQ(c.points.size(), 6u);
    EXPECT_DOUBLE_EQ(c.points[5].x, 5);
    EXPECT_DOUBLE_EQ(c.points[5].y, 0.0158730158730159);
    EXPECT_EQ(p.x.label, "QueueLength - x");
    EXPECT_TRUE(p.x.font.bold && p.x.font.italic);
    EXPECT_EQ(p.x.font.size, 12);
    EXPECT_DOUBLE_EQ(*p.x.maximum, 5.2);
    EXPECT_DOUBLE_EQ(*p.x.minimum, 0);
    EXPECT_DOUBLE_EQ(*p.x.interval, 1);
    EXPECT_EQ(p.x.decimals, -1);
    EXPECT_EQ(p.y.label, "Probability - P(X = x)");
    EXPECT_DOUBLE_EQ(*p.y.maximum, 1.05);
    EXPECT_DOUBLE_EQ(*p.y.interval, 0.1);
    EXPECT_EQ(p.y.decimals, 2);
}

TEST(SplotReading, WhatIsAPlotFileAndWhatEndsItsLists)
{
    EXPECT_FALSE(parseText("").isSplot);
    EXPECT_FALSE(parseText("Graph Title x\nNew Graph\n").isSplot);
    EXPECT_TRUE(parseText(";comment\n\n  new  GRAPH \r\n").isSplot);

    // A points list without its closing blank line ends at the next command.
    std::string w;
    ParsedPlot p = parseText("New Graph\nNew Points\n1, 2\n3 4\nX Label L\n", &w);
    EXPECT_EQ(w, "");
    ASSERT_EQ(p.plot.curves.size(), 1u);
    EXPECT_EQ(p.plot.curves[0].points.size(), 2u);
    EXPECT_EQ(p.plot.x.label, "L");

    // Text lines are text even when they read like commands.
    p = parseText("New Graph\nNew Text 1, 2\nX Label inside\n\nX Label outside\n");
    EXPECT_EQ(p.plot.texts[0].lines, std::vector<std::string>{"X Label inside"});
    EXPECT_EQ(p.plot.x.label, "outside");

    p = parseText("New Graph\nGraph Title first\nNew Graph\nGraph Title second\n", &w);
    EXPECT_EQ(p.plot.title, "first");
    EXPECT_EQ(w, "splot2svg: t.splot:3: warning: only the first graph is drawn; the rest of the file is skipped\n");
}

TEST(SplotReading, MalformedValuesAreSkippedWithAWarning)
{
    std::string w;
    ParsedPlot p = parseText("New Graph\nSize 0 by 1e9\nGraph Font Helvetica\nNew Text a, b\nline\n\n"
                             "curve symbol diamond size -1\ncurve interpolation spline\n"
                             "Y numberstyle floating 2.5\nY Minimum 1e400\n", &w);
    EXPECT_EQ(w,
              "splot2svg: t.splot:2: warning: graph size must be 0.5 to 50 inches; kept at 5 by 5: Size 0 by 1e9\n"
              "splot2svg: t.splot:3: warning: unknown font name skipped: Graph Font Helvetica\n"
              "splot2svg: t.splot:4: warning: malformed text position; the text goes to the top left: a, b\n"
              "splot2svg: t.splot:7: warning: marker size must be 0 to 72; kept: curve symbol diamond size -1\n"
              "splot2svg: t.splot:8: warning: unknown interpolation skipped: curve interpolation spline\n"
              "splot2svg: t.splot:9: warning: number style digits must be 0 to 12; kept: Y numberstyle floating 2.5\n"
              "splot2svg: t.splot:10: warning: malformed number ignored: Y Minimum 1e400\n");
    EXPECT_EQ(p.plot.widthInches, 5);
    EXPECT_FALSE(p.plot.texts[0].at.has_value());
    EXPECT_EQ(p.plot.texts[0].lines, std::vector<std::string>{"line"});
    EXPECT_EQ(p.plot.curves[0].markerSize, 3);
    EXPECT_FALSE(p.plot.y.minimum.has_value());
}

TEST(SplotReading, PointsBeyondTheLimitAreDroppedWithOneWarning)
{
    std::string text = "New Graph\nNew Points\n";
    for (int k = 0; k < 10; ++k) text += std::to_string(k) + ", 0.1\n";
    std::string w;
    ParsedPlot p = parseText(text, &w, 4);
    EXPECT_EQ(p.plot.curves[0].points.size(), 4u);
    EXPECT_EQ(w, "splot2svg: t.splot:7: warning: more than 4 points; the rest are skipped\n");
}

TEST(SplotFonts, NamesGiveFamilySizeAndStyle)
{
    std::optional<Font> f = parseFontName("HELVETICA15");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->family, "Helvetica");
    EXPECT_EQ(f->size, 15);
    EXPECT_FALSE(f->bold || f->italic);
    f = parseFontName("Helvetica12BI");
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->bold && f->italic);
    EXPECT_FALSE(parseFontName("Helvetica"));
    EXPECT_FALSE(parseFontName("12"));
    EXPECT_FALSE(parseFontName("Helvetica0"));
    EXPECT_FALSE(parseFontName("Helvetica99999999999999999999"));
    EXPECT_FALSE(parseFontName("Helvetica12X"));
}

TEST(AxisScale, TicksFollowTheFileInterval)
{
    std::vector<double> y = tickValues(Range{0, 1.05}, 0.1);
    ASSERT_EQ(y.size(), 11u);
    EXPECT_NEAR(y.back(), 1.0, 1e-12);
    EXPECT_EQ(tickLabel(y[3], 2), "0.30");
    EXPECT_EQ(tickValues(Range{0, 5.2}, 1.0).size(), 6u);
    EXPECT_EQ(tickValues(Range{0, 2080}, 250.0).size(), 9u);
    EXPECT_EQ(tickValues(Range{3, 21}, 5.0), (std::vector<double>{5, 10, 15, 20}));
}

TEST(AxisScale, UnusableIntervalsGiveRoundTicksWithinTheCap)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (std::optional<double> interval : {std::optional<double>(), std::optional<double>(0.0),
                                           std::optional<double>(-1.0), std::optional<double>(nan),
                                           std::optional<double>(inf), std::optional<double>(1e-9),
                                           std::optional<double>(1e-300), std::optional<double>(100.0)}) {
        std::vector<double> t = tickValues(Range{0, 1}, interval);
        EXPECT_GE(t.size(), 2u);
        EXPECT_LE(t.size(), static_cast<size_t>(MAX_TICKS));
        for (double v : t) EXPECT_TRUE(v >= 0 && v <= 1);
    }
    EXPECT_LE(tickValues(Range{-1e300, 1e300}, 1e-300).size(), static_cast<size_t>(MAX_TICKS));
    EXPECT_LE(tickValues(Range{1e17, 1e17 + 64}, 1.0).size(), static_cast<size_t>(MAX_TICKS));
    EXPECT_EQ(niceStep(10), 2);
    EXPECT_EQ(niceStep(0), 1);
    EXPECT_EQ(niceStep(nan), 1);
}

TEST(AxisScale, RangesAreOrderedFiniteAndNeverEmpty)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Range r = axisRange(0.0, 0.0, Range{0, 0});
    EXPECT_EQ(r.lo, -1);
    EXPECT_EQ(r.hi, 1);
    r = axisRange(5.0, 1.0, Range{});
    EXPECT_EQ(r.lo, 1);
    EXPECT_EQ(r.hi, 5);
    r = axisRange(std::nullopt, std::nullopt, Range{2, 7});
    EXPECT_EQ(r.lo, 2);
    EXPECT_EQ(r.hi, 7);
    r = axisRange(nan, inf, Range{2, 7});
    EXPECT_EQ(r.lo, 2);
    EXPECT_EQ(r.hi, 7);
    r = axisRange(-1e308, 1e308, Range{});
    EXPECT_TRUE(std::isfinite(r.hi - r.lo));
    EXPECT_LT(r.lo, r.hi);
    r = axisRange(1e-320, 1e-320, Range{});
    EXPECT_LT(r.lo, r.hi);
}

TEST(AxisScale, TickLabels)
{
    EXPECT_EQ(tickLabel(1.0, 2), "1.00");
    EXPECT_EQ(tickLabel(-0.0, 2), "0.00");
    EXPECT_EQ(tickLabel(-0.001, 2), "0.00");
    EXPECT_EQ(tickLabel(-0.5, 2), "-0.50");
    EXPECT_EQ(tickLabel(250, -1), "250");
    EXPECT_EQ(tickLabel(2.5e-7, -1), "2.5e-07");
    EXPECT_LT(tickLabel(1e300, 12).size(), 64u);
}

TEST(XmlText, EscapesMarkupAndRepairsBadText)
{
    EXPECT_EQ(xmlEscape("a<b>&\"c\"'d'"), "a&lt;b&gt;&amp;&quot;c&quot;&apos;d&apos;");
    EXPECT_EQ(xmlEscape("caf\xc3\xa9"), "caf\xc3\xa9");
    EXPECT_EQ(cleanUtf8("caf\xe9!"), "caf\xEF\xBF\xBD!");
    EXPECT_EQ(cleanUtf8("\xc0\xaf"), "\xEF\xBF\xBD\xEF\xBF\xBD");          // overlong
    EXPECT_EQ(cleanUtf8("\xed\xa0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    EXPECT_EQ(cleanUtf8("\xe2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");          // cut short
    EXPECT_EQ(xmlEscape(std::string("a\x01\tb\0c", 6)), "a  b c");
}
