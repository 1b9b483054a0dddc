// The state file of a PRISM chain: each variable's value in every state.
#include <string>
#include <vector>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Chain/PVNameCheck.h"
#include "statelevel/Prism/PrismReaders.h"

// The comma-separated items between the parentheses of "(a,b,c)"; false
// without the parentheses. "()" has no items.
static bool parenthesised(const std::string& text, std::vector<std::string>& items)
{
    std::string t = trim(text);
    items.clear();
    if (t.size() < 2 || t.front() != '(' || t.back() != ')') return false;
    std::string inner = t.substr(1, t.size() - 2);
    if (trim(inner).empty()) return true;
    size_t from = 0;
    for (;;) {
        size_t comma = inner.find(',', from);
        items.push_back(trim(inner.substr(from, comma - from)));
        if (comma == std::string::npos) return true;
        from = comma + 1;
    }
}

// A variable's value: a number, or true (1) and false (0).
static bool variableValue(const std::string& t, double& v)
{
    if (t == "true" || t == "false") {
        v = t == "true" ? 1.0 : 0.0;
        return true;
    }
    return parse_real(t, v);
}

// Reads "(x,y,...)" and checks the names.
static std::vector<std::string> readNames(ChainLineReader& in, const ChainModel& model)
{
    if (!in.nextContent("#"))
        in.faultAtEnd("the file is empty; its first line names the variables");
    std::vector<std::string> names;
    if (!parenthesised(in.text(), names))
        in.fault(trim(in.text()), "the first line names the variables in parentheses, as (x,y)");
    ChainModel seen;
    for (const std::string& name : names) {
        require_pv_name(in, model, name);
        require_pv_name(in, seen, name);
        seen.pv_names.push_back(name);
    }
    return names;
}

// Reads "state:(value,...)" for state s into column s of values.
static void readState(ChainLineReader& in, int s, std::vector<std::vector<double>>& values)
{
    const std::string& line = in.text();
    size_t colon = line.find(':');
    std::string index = trim(line.substr(0, colon));
    int got = -1;
    if (colon == std::string::npos || !parse_index(index, got))
        in.fault(trim(line), "a state line reads state:(value,...)");
    if (got != s) in.fault(index, "state " + std::to_string(s) + " was expected here");
    std::vector<std::string> items;
    if (!parenthesised(line.substr(colon + 1), items))
        in.fault(trim(line.substr(colon + 1)), "the values stand in parentheses, as (1,0)");
    if (items.size() != values.size())
        in.fault(trim(line.substr(colon + 1)), "the line gives " + std::to_string(items.size()) +
                                                   " value(s) for " +
                                                   std::to_string(values.size()) + " variables");
    for (size_t v = 0; v < items.size(); ++v)
        if (!variableValue(items[v], values[v][s]))
            in.fault(items[v], "a value is a finite number, true or false");
}

void read_prism_sta(const FileLines& path, ChainModel& model)
{
    ChainLineReader in(path);
    if (!in.openIfPresent()) return;
    model.files_read.push_back(path);
    std::vector<std::string> names = readNames(in, model);
    std::vector<std::vector<double>> values(names.size(),
                                            std::vector<double>(model.num_states, 0.0));
    for (int s = 0; s < model.num_states; ++s) {
        if (!in.nextContent("#"))
            in.faultAtEnd("the file ends after " + std::to_string(s) + " of the " +
                          std::to_string(model.num_states) + " states");
        readState(in, s, values);
    }
    if (in.nextContent("#")) in.fault(trim(in.text()), "more states than the transition file has");
    for (size_t v = 0; v < names.size(); ++v) model.addPV(names[v], std::move(values[v]));
}
