#include "splot2svg/Figure.h"

#include <algorithm>
#include <functional>
#include <set>

namespace {

// The file name without its directory and its ".splot".
std::string baseName(const std::string& path)
{
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    const std::string suffix = ".splot";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        name.erase(name.size() - suffix.size());
    }
    return name;
}

// The variable's name when every series plots the same one, else empty.
std::string sharedVariable(const std::vector<Series>& series)
{
    std::string name = variableName(series.front().plot);
    for (const Series& s : series) {
        if (variableName(s.plot) != name) return "";
    }
    return name;
}

// The variables' names of the series, each once in the order of the files.
std::vector<std::string> variablesOf(const std::vector<Series>& series)
{
    std::vector<std::string> names;
    for (const Series& s : series) {
        std::string name = variableName(s.plot);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

// The X label of probabilities: the variables plotted, "x" when no file names one.
std::string valueLabel(const std::vector<Series>& series)
{
    std::string names;
    for (const std::string& name : variablesOf(series)) names += (names.empty() ? "" : ", ") + name;
    return names.empty() ? "x" : names + " (x)";
}

// Legend entries: the first of experiment, variable, study and file name that
// tells every series apart.
void labelSeries(std::vector<Series>& series)
{
    if (series.size() < 2) return;
    const std::vector<std::function<std::string(const Series&)>> candidates = {
        [](const Series& s) { return textField(s.plot, "Experiment name"); },
        [](const Series& s) { return variableName(s.plot); },
        [](const Series& s) { return textField(s.plot, "Study name"); },
        [](const Series& s) { return baseName(s.source); },
    };
    for (const auto& name : candidates) {
        std::set<std::string> seen;
        for (const Series& s : series) {
            std::string n = name(s);
            if (!n.empty()) seen.insert(n);
        }
        if (seen.size() < series.size()) continue;
        for (Series& s : series) s.label = name(s);
        return;
    }
    for (Series& s : series) s.label = s.source;
}

// Each text block of a series as one line.
std::vector<std::string> blockLines(const Plot& plot)
{
    std::vector<std::string> lines;
    for (const TextBlock& b : plot.texts) {
        std::string line;
        for (const std::string& l : b.lines) line += (line.empty() ? "" : ", ") + l;
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// The caption: each series' own lines after its legend entry, then the lines all share, once.
std::vector<std::string> captionOf(const std::vector<Series>& series)
{
    std::vector<std::vector<std::string>> lines;
    for (const Series& s : series) lines.push_back(blockLines(s.plot));
    auto shared = [&](const std::string& l) {
        return std::all_of(lines.begin(), lines.end(),
                           [&](const std::vector<std::string>& v) { return std::count(v.begin(), v.end(), l) > 0; });
    };
    std::vector<std::string> own, common;
    for (size_t i = 0; i < series.size(); ++i) {
        for (const std::string& l : lines[i]) {
            bool isShared = shared(l);
            std::vector<std::string>& to = isShared ? common : own;
            std::string shown = isShared || series[i].label.empty() ? l : series[i].label + ": " + l;
            if (std::find(to.begin(), to.end(), shown) == to.end()) to.push_back(shown);
        }
    }
    own.insert(own.end(), common.begin(), common.end());
    return own;
}

// The title that names the kind of plot and, when shared, the variable.
std::string titleFor(PlotKind kind, const std::string& variable, const Plot& first)
{
    std::string of = variable.empty() ? "" : " of " + variable;
    switch (kind) {
    case PlotKind::Mass: return "Distribution" + of;
    case PlotKind::Cumulative: return "Cumulative distribution" + of;
    case PlotKind::Complementary: return "Complementary distribution" + of;
    case PlotKind::Other: break;
    }
    return first.title;
}

}  // namespace

// Puts the plots into one picture.
std::string makeFigure(std::vector<Series> series, const DrawOptions& options, Figure& figure)
{
    if (series.empty()) return "no plot to draw";
    PlotKind kind = plotKindOf(series.front().plot);
    for (const Series& s : series) {
        if (plotKindOf(s.plot) == kind) continue;
        const Plot& odd = s.plot;
        std::string where = s.source + (odd.titleLine ? ":" + std::to_string(odd.titleLine) : "");
        return where + ": " + kindInWords(plotKindOf(odd)) +
               " (\"" + odd.title + "\") cannot be drawn in one picture with " + kindInWords(kind) + " of " +
               series.front().source;
    }
    labelSeries(series);
    std::string variable = sharedVariable(series);
    figure = Figure();
    figure.kind = kind;
    figure.options = options;
    figure.title = options.title ? *options.title : titleFor(kind, variable, series.front().plot);
    if (kind == PlotKind::Other) {
        figure.xLabel = series.front().plot.x.label;
        figure.yLabel = series.front().plot.y.label;
    } else {
        figure.xLabel = valueLabel(series);
        figure.yLabel = probabilityLabel(kind);
    }
    if (options.text) figure.caption = captionOf(series);
    figure.series = std::move(series);
    return "";
}
