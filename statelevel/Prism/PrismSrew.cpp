// A state-reward file of a PRISM chain: one PV per reward structure.
#include <string>
#include <vector>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Chain/PVNameCheck.h"
#include "statelevel/Prism/PrismReaders.h"

int prism_reward_header(ChainLineReader& in, const ChainModel& model, std::string& name,
                        const std::string& named_in, std::string& count)
{
    for (;;) {
        if (!in.nextContent())
            in.faultAtEnd("the file ends before the line with the numbers of states and entries");
        std::string t = trim(in.text());
        if (t[0] != '#') break;
        std::string named = prism_structure_name(t);
        if (!named_in.empty() && !named.empty() && named != name)
            in.fault(named, "the reward structure is named \"" + name + "\" in " + named_in);
        if (!named.empty()) name = named;
    }
    require_pv_name(in, model, name);
    LineWords w(in.text());
    std::string states, extra;
    int n = -1, entries = -1;
    w.next(states);
    if (!parse_index(states, n)) in.fault(states, "the number of states is not a count");
    if (n != model.num_states)
        in.fault(states, "the transition file has " + std::to_string(model.num_states) + " states");
    if (!w.next(count) || !parse_index(count, entries))
        in.fault(count, "the number of entries is not a count");
    if (w.next(extra))
        in.fault(extra, "the line holds more than the numbers of states and entries");
    return entries;
}

// Reads the comment lines and the line "states entries"; returns the entry count.
static int readHeader(ChainLineReader& in, const ChainModel& model, std::string& name)
{
    std::string count;
    int entries = prism_reward_header(in, model, name, "", count);
    if (entries > model.num_states) in.fault(count, "more entries than states");
    return entries;
}

// Reads "state reward" into values; returns the state.
static int readEntry(ChainLineReader& in, std::vector<double>& values)
{
    LineWords w(in.text());
    std::string st, r, extra;
    int s = -1;
    double v = 0.0;
    w.next(st);
    if (!parse_index(st, s)) in.fault(st, "the state is not a state number");
    if (s >= (int)values.size())
        in.fault(st,
                 "the state is not below the number of states, " + std::to_string(values.size()));
    if (!w.next(r)) in.fault(st, "the reward is missing after the state");
    if (!parse_real(r, v)) in.fault(r, "a reward is a finite number");
    if (w.next(extra)) in.fault(extra, "an entry holds a state and a reward only");
    values[s] = v;
    return s;
}

bool read_prism_srew(const FileLines& path, ChainModel& model, std::string& name,
                     std::vector<double>& values)
{
    ChainLineReader in(path);
    if (!in.openIfPresent()) return false;
    model.files_read.push_back(path);
    int entries = readHeader(in, model, name);
    values.assign(model.num_states, 0.0);
    std::vector<bool> given(values.size(), false);
    for (int k = 0; k < entries; ++k) {
        if (!in.nextContent("#"))
            in.faultAtEnd("the file ends after " + std::to_string(k) + " of its " +
                          std::to_string(entries) + " entries");
        int s = readEntry(in, values);
        if (given[s]) in.fault(std::to_string(s), "a second reward for the state");
        given[s] = true;
    }
    if (in.nextContent("#")) in.fault(trim(in.text()), "more entries than the header announces");
    return true;
}
