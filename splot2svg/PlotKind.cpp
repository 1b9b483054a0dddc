#include "splot2svg/PlotKind.h"

// The kind of a plot, from the titles the solver gives its plot files.
PlotKind plotKindOf(const Plot& plot)
{
    if (plot.title == "Probability Density Function (pdf)") return PlotKind::Mass;
    if (plot.title == "Probability Distribution Function (CDF)") return PlotKind::Cumulative;
    if (plot.title == "Probability Distribution Function (PDF)") return PlotKind::Complementary;
    return PlotKind::Other;
}

// The kind in words, for messages.
std::string kindInWords(PlotKind kind)
{
    switch (kind) {
    case PlotKind::Mass: return "the probability of each value";
    case PlotKind::Cumulative: return "a cumulative distribution";
    case PlotKind::Complementary: return "a complementary distribution";
    case PlotKind::Other: break;
    }
    return "a graph of no known kind";
}

// The Y axis label of a kind.
std::string probabilityLabel(PlotKind kind)
{
    switch (kind) {
    case PlotKind::Mass: return "P(X = x)";
    case PlotKind::Cumulative: return "P(X \xE2\x89\xA4 x)";
    case PlotKind::Complementary: return "P(X > x)";
    case PlotKind::Other: break;
    }
    return "";
}

// The value of the text line "key: value" of the plot's text blocks, or empty.
std::string textField(const Plot& plot, const std::string& key)
{
    const std::string prefix = key + ": ";
    for (const TextBlock& b : plot.texts) {
        for (const std::string& line : b.lines) {
            if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
        }
    }
    return "";
}

// The name of the plotted variable.
std::string variableName(const Plot& plot)
{
    std::string name = textField(plot, "Variable name");
    if (!name.empty()) return name;
    const std::string suffix = " - x";
    const std::string& label = plot.x.label;
    if (label.size() > suffix.size() && label.compare(label.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return label.substr(0, label.size() - suffix.size());
    }
    return "";
}
