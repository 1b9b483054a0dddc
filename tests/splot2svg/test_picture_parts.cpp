// The parts that decide what a picture shows: fitted ranges and round ticks,
// the kind of a plot, legend entries and caption, the command line, and the
// file written whole beside its name.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "splot2svg/AtomicFile.h"
#include "splot2svg/AxisScale.h"
#include "splot2svg/Figure.h"
#include "splot2svg/Options.h"
#include "splot2svg/PlotKind.h"
#include "splot2svg/TextMetrics.h"
#include "tests/support/run_program.h"

namespace {

Series seriesOf(const std::string& source, const std::string& title, const std::string& variable,
                const std::string& experiment)
{
    Series s;
    s.source = source;
    s.plot.title = title;
    s.plot.titleLine = 8;
    TextBlock stats, names;
    stats.lines = {"Variable name: " + variable, "Mean: 1"};
    names.lines = {"Project name: p", "Experiment name: " + experiment};
    s.plot.texts = {stats, names, TextBlock()};
    return s;
}

const std::string MASS = "Probability Density Function (pdf)";
const std::string CDF = "Probability Distribution Function (CDF)";
const std::string CCDF = "Probability Distribution Function (PDF)";

}  // namespace

TEST(PictureAxes, FittedRangesHoldTheDataWithAMargin)
{
    Range r = fittedRange(Range{0.0158, 0.5079}, true);  // probabilities: from zero, a twentieth above
    EXPECT_EQ(r.lo, 0);
    EXPECT_DOUBLE_EQ(r.hi, 0.5079 * 1.05);
    r = fittedRange(Range{0, 5}, false);
    EXPECT_DOUBLE_EQ(r.lo, -0.25);
    EXPECT_DOUBLE_EQ(r.hi, 5.25);
    r = fittedRange(Range{-2, -1}, true);  // values below zero reach zero from beneath
    EXPECT_DOUBLE_EQ(r.lo, -2.1);
    EXPECT_EQ(r.hi, 0);
    r = fittedRange(Range{3, 3}, false);
    EXPECT_LT(r.lo, 3);
    EXPECT_GT(r.hi, 3);
    r = fittedRange(Range{0, 0}, true);
    EXPECT_LT(r.lo, r.hi);
    r = fittedRange(Range{-1e308, 1e308}, false);
    EXPECT_TRUE(std::isfinite(r.hi - r.lo));
}

TEST(PictureAxes, RoundTicksAndTheirDigits)
{
    EXPECT_EQ(roundTicks(Range{-0.25, 5.25}, true), (std::vector<double>{0, 1, 2, 3, 4, 5}));
    // Whole numbers only while they give two ticks; a narrow range gets fractions.
    std::vector<double> narrow = roundTicks(Range{-0.5, 0.5}, true);
    EXPECT_GE(narrow.size(), 3u);
    EXPECT_EQ(tickDecimals(narrow), 1);
    EXPECT_EQ(roundTicks(Range{-100, 2100}, false), (std::vector<double>{0, 500, 1000, 1500, 2000}));
    std::vector<double> small = roundTicks(Range{0, 0.0105}, false);
    EXPECT_EQ(small.size(), 6u);
    EXPECT_EQ(tickDecimals(small), 3);
    EXPECT_EQ(tickDecimals({0, 500, 1000}), 0);
    EXPECT_EQ(tickDecimals({0, 0.05, 0.1}), 2);
    EXPECT_EQ(tickDecimals({0, 5e7}), -1);
    EXPECT_EQ(tickDecimals({0, 1e-9}), -1);
}

TEST(PictureAxes, LogarithmicRangesAndDecades)
{
    Range r = logRange(1e-60, 0.9);
    EXPECT_LT(r.lo, 1e-60);
    EXPECT_GT(r.lo, 1e-61);
    EXPECT_DOUBLE_EQ(r.hi, 1);  // the data's top decade, no further
    EXPECT_EQ(decadeTicks(r), (std::vector<int>{-60, -50, -40, -30, -20, -10, 0}));
    // A top value on a power of ten ends the axis there, even a rounding above it.
    EXPECT_DOUBLE_EQ(logRange(1e-9, 1).hi, 1);
    EXPECT_DOUBLE_EQ(logRange(1e-9, 1 + 2e-16).hi, 1);
    EXPECT_DOUBLE_EQ(logRange(1e-9, 1.0001).hi, 10);
    r = logRange(2e-3, 4e-3);
    EXPECT_DOUBLE_EQ(r.lo, 1e-3);
    EXPECT_DOUBLE_EQ(r.hi, 1e-2);
    r = logRange(0.01, 0.1);  // two powers of ten inside already: a margin under the lower one
    EXPECT_LT(r.lo, 0.01);
    EXPECT_GT(r.lo, 0.005);
    EXPECT_DOUBLE_EQ(r.hi, 0.1);
    // Within one decade the range reaches out to two powers of ten.
    r = logRange(0.3, 0.6);
    EXPECT_DOUBLE_EQ(r.lo, 0.1);
    EXPECT_DOUBLE_EQ(r.hi, 1);
    EXPECT_EQ(decadeTicks(r), (std::vector<int>{-1, 0}));
    r = logRange(1, 1);
    EXPECT_EQ(decadeTicks(r), (std::vector<int>{-1, 0}));
    EXPECT_EQ(decadeTicks(Range{1e-5, 1}), (std::vector<int>{-5, -4, -3, -2, -1, 0}));
    EXPECT_EQ(decadeTicks(Range{1e-13, 1}), (std::vector<int>{-12, -10, -8, -6, -4, -2, 0}));
    r = logRange(1e-320, 1e-310);  // below the smallest double drawn: kept finite and ordered
    EXPECT_GT(r.lo, 0);
    EXPECT_LT(r.lo, r.hi);
}

TEST(PictureKinds, TitlesTellTheKindAndTheLabels)
{
    Plot p;
    p.title = MASS;
    EXPECT_EQ(plotKindOf(p), PlotKind::Mass);
    p.title = CDF;
    EXPECT_EQ(plotKindOf(p), PlotKind::Cumulative);
    p.title = CCDF;
    EXPECT_EQ(plotKindOf(p), PlotKind::Complementary);
    p.title = "Something else";
    EXPECT_EQ(plotKindOf(p), PlotKind::Other);
    EXPECT_EQ(probabilityLabel(PlotKind::Mass), "P(X = x)");
    EXPECT_EQ(probabilityLabel(PlotKind::Cumulative), "P(X \xE2\x89\xA4 x)");
    EXPECT_EQ(probabilityLabel(PlotKind::Complementary), "P(X > x)");
    // The variable's name from the text block, else from the X label.
    EXPECT_EQ(variableName(p), "");
    p.x.label = "Jobs - x";
    EXPECT_EQ(variableName(p), "Jobs");
    p.texts.push_back(TextBlock());
    p.texts[0].lines = {"Variable name: Queue 1"};
    EXPECT_EQ(variableName(p), "Queue 1");
}

TEST(PictureFigure, LegendEntriesNameWhatTellsTheFilesApart)
{
    Figure f;
    DrawOptions o;
    ASSERT_EQ(makeFigure({seriesOf("a.splot", CDF, "Q", "low"), seriesOf("b.splot", CDF, "Q", "high")}, o, f), "");
    EXPECT_EQ(f.series[0].label, "low");
    EXPECT_EQ(f.series[1].label, "high");
    EXPECT_EQ(f.title, "Cumulative distribution of Q");
    EXPECT_EQ(f.xLabel, "Q (x)");
    EXPECT_EQ(f.caption, (std::vector<std::string>{"low: Project name: p, Experiment name: low",
                                                   "high: Project name: p, Experiment name: high",
                                                   "Variable name: Q, Mean: 1"}));
    ASSERT_EQ(makeFigure({seriesOf("d/a.splot", MASS, "Q1", "e"), seriesOf("d/b.splot", MASS, "Q2", "e")}, o, f), "");
    EXPECT_EQ(f.series[1].label, "Q2");
    EXPECT_EQ(f.title, "Distribution");
    EXPECT_EQ(f.xLabel, "Q1, Q2 (x)");  // the variables overlaid, each once
    ASSERT_EQ(makeFigure({seriesOf("a", MASS, "Q1", "e"), seriesOf("b", MASS, "Q2", "e"),
                          seriesOf("c", MASS, "Q1", "f")}, o, f), "");
    EXPECT_EQ(f.xLabel, "Q1, Q2 (x)");
    Series nameless = seriesOf("c", MASS, "", "e");
    nameless.plot.texts.clear();
    ASSERT_EQ(makeFigure({nameless, seriesOf("d", MASS, "Q2", "f")}, o, f), "");
    EXPECT_EQ(f.xLabel, "Q2 (x)");
    ASSERT_EQ(makeFigure({nameless, nameless}, o, f), "");
    EXPECT_EQ(f.xLabel, "x");
    ASSERT_EQ(makeFigure({seriesOf("d/a.splot", MASS, "Q", "e"), seriesOf("d/b.splot", MASS, "Q", "e")}, o, f), "");
    EXPECT_EQ(f.series[0].label, "a");
    EXPECT_EQ(f.series[1].label, "b");
    // One file: no legend entry, and its text lines as they are.
    o.text = false;
    o.title = "Mine";
    ASSERT_EQ(makeFigure({seriesOf("a.splot", CCDF, "Q", "e")}, o, f), "");
    EXPECT_EQ(f.series[0].label, "");
    EXPECT_TRUE(f.caption.empty());
    EXPECT_EQ(f.title, "Mine");
    EXPECT_EQ(f.yLabel, "P(X > x)");
    EXPECT_EQ(makeFigure({seriesOf("a.splot", CCDF, "Q", "e"), seriesOf("b.splot", CDF, "Q", "e")}, o, f),
              "b.splot:8: a cumulative distribution (\"" + CDF +
                  "\") cannot be drawn in one picture with a complementary distribution of a.splot");
    Series untitled = seriesOf("c.splot", "", "Q", "e");
    untitled.plot.titleLine = 0;
    EXPECT_EQ(makeFigure({seriesOf("a.splot", CCDF, "Q", "e"), untitled}, o, f),
              "c.splot: a graph of no known kind (\"\") cannot be drawn in one picture with a complementary "
              "distribution of a.splot");
}

TEST(PictureOptions, CommandLines)
{
    CommandLine c = parseCommandLine({"--log-y", "--size", "6.5x4", "--no-text", "--file-ranges", "--dpi", "300",
                                      "-o", "all.png", "a.splot", "--", "-b.splot"});
    ASSERT_EQ(c.action, CommandLine::Action::Draw) << c.error;
    EXPECT_TRUE(c.draw.logY && c.draw.fileRanges && !c.draw.text);
    EXPECT_EQ(*c.draw.widthInches, 6.5);
    EXPECT_EQ(*c.draw.heightInches, 4);
    EXPECT_EQ(c.draw.dpi, 300);
    EXPECT_EQ(c.output, "all.png");
    EXPECT_EQ(c.files, (std::vector<std::string>{"a.splot", "-b.splot"}));
    EXPECT_EQ(parseCommandLine({"--version"}).action, CommandLine::Action::Version);
    EXPECT_EQ(parseCommandLine({"a.splot", "-h"}).action, CommandLine::Action::Help);
    c = parseCommandLine({"--log-y"});
    EXPECT_EQ(c.action, CommandLine::Action::Fail);
    EXPECT_EQ(c.error, "");  // no file: the usage says it all
    EXPECT_EQ(parseCommandLine({"--size", "60x4", "a"}).action, CommandLine::Action::Fail);
    EXPECT_EQ(parseCommandLine({"--size", "6x", "a"}).action, CommandLine::Action::Fail);
    EXPECT_EQ(parseCommandLine({"--dpi", "nan", "a"}).action, CommandLine::Action::Fail);
    EXPECT_EQ(parseCommandLine({"-o", "", "a"}).error, "option -o needs a file name");
}

TEST(PictureOptions, XRangeAndFloor)
{
    CommandLine c = parseCommandLine({"--x-range", "-2.5:1e3", "--log-y", "--floor", "2.5e-13", "a.splot"});
    ASSERT_EQ(c.action, CommandLine::Action::Draw) << c.error;
    ASSERT_TRUE(c.draw.xRange && c.draw.floor);
    EXPECT_EQ(c.draw.xRange->lo, -2.5);
    EXPECT_EQ(c.draw.xRange->hi, 1000);
    EXPECT_EQ(*c.draw.floor, 2.5e-13);
    for (const char* bad : {"3:3", "4:1", "1:", ":2", "1-2", "a:b", "1:inf", "nan:1", "-1e308:1e308", "1:2:3"}) {
        c = parseCommandLine({"--x-range", bad, "a.splot"});
        EXPECT_EQ(c.action, CommandLine::Action::Fail) << bad;
        EXPECT_EQ(c.error, std::string("--x-range ") + bad + ": give two numbers A:B with A < B, as in 0:50");
    }
    for (const char* bad : {"0", "1", "-1e-14", "2", "1e-14x", "nan", ""}) {
        c = parseCommandLine({"--log-y", "--floor", bad, "a.splot"});
        EXPECT_EQ(c.action, CommandLine::Action::Fail) << bad;
        EXPECT_EQ(c.error, std::string("--floor ") + bad + ": give a probability over 0 and under 1, as in 1e-14");
    }
    c = parseCommandLine({"--floor", "1e-14", "a.splot"});
    EXPECT_EQ(c.action, CommandLine::Action::Fail);
    EXPECT_EQ(c.error, "--floor shades the bottom of a logarithmic Y axis; give it with --log-y");
    EXPECT_EQ(parseCommandLine({"a.splot", "--x-range"}).error, "option --x-range needs a value");
}

TEST(PictureText, WidthsWrapsAndShortening)
{
    // Never narrower than Helvetica's advances (thousandths of an em), the font a
    // viewer most likely has, nor than DejaVu Sans's (the common fallback: digits 0.636 em).
    EXPECT_GE(textWidth("P(X = x)", 12), (667 + 333 + 667 + 278 + 584 + 278 + 500 + 333) * 12 / 1000.0);
    EXPECT_DOUBLE_EQ(textWidth("0123456789", 10), 63.6);
    EXPECT_DOUBLE_EQ(textWidth("\xE2\x89\xA4", 10), 8.38);  // one character, however many bytes
    EXPECT_DOUBLE_EQ(textWidth("\xff", 10), 10);  // a bad byte is drawn as one replacement character

    const std::string title = "Complementary distribution of the number of jobs waiting Supercalifragilistic";
    for (double width : {40.0, 180.0, 1000.0}) {
        std::string joined;
        for (const std::string& l : wrapText(title, width, 10)) {
            EXPECT_LE(textWidth(l, 10), width) << l;
            joined += l + " ";
        }
        joined.erase(std::remove(joined.begin(), joined.end(), ' '), joined.end());
        std::string all = title;
        all.erase(std::remove(all.begin(), all.end(), ' '), all.end());
        EXPECT_EQ(joined, all) << width;  // nothing lost, nothing added but breaks
    }
    EXPECT_EQ(wrapText("two words", textWidth("two words", 10), 10), std::vector<std::string>{"two words"});
    EXPECT_EQ(wrapText("two words", textWidth("two words", 10) - 0.01, 10), (std::vector<std::string>{"two", "words"}));

    std::string cut = shortenText("Experiment name: a rather long one", 60, 10);
    EXPECT_LE(textWidth(cut, 10), 60);
    EXPECT_EQ(cut, std::string("Experiment name: a rather long one").substr(0, cut.size() - 3) + "\xE2\x80\xA6");
    double size = fittingSize("Cumulative distribution of QueueLength", 150, 13, 7);
    EXPECT_LE(textWidth("Cumulative distribution of QueueLength", size), 150);
    EXPECT_GT(textWidth("Cumulative distribution of QueueLength", size + 0.5), 150);
    EXPECT_DOUBLE_EQ(fittingSize("Cumulative distribution of QueueLength", 20, 13, 7), 7);
}

TEST(PictureFile, ReplacesWholeAndNeverThroughALink)
{
    TempDir dir;
    dir.write("target", "old\n");
    std::string link = dir.file("link.svg");
    ASSERT_EQ(symlink(dir.file("target").c_str(), link.c_str()), 0);
    EXPECT_EQ(replaceFile(link, "<svg/>"), "");
    EXPECT_EQ(slurp(dir.file("target")), "old\n");
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_EQ(slurp(link), "<svg/>");
    // The new file has the permissions the umask gives, not the temporary file's 0600.
    mode_t mask = umask(022);
    EXPECT_EQ(replaceFile(dir.file("plain.svg"), ""), "");
    umask(mask);
    struct stat info;
    ASSERT_EQ(stat(dir.file("plain.svg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(replaceFile(dir.file("missing/x.svg"), "x"),
              "cannot create a temporary file beside it: No such file or directory");
    // Names without a directory land in the current one.
    std::string here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    EXPECT_EQ(replaceFile("here.svg", "h"), "");
    std::filesystem::current_path(here);
    EXPECT_EQ(slurp(dir.file("here.svg")), "h");
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 4u);  // target, link.svg, plain.svg, here.svg: no temporary file left
}
