// A Markov chain as the text formats of other tools describe it, held in
// memory: states, transitions in file order, and named per-state PV values.
// Each format's reader fills one; ChainStateLevel serves it to the solver.
#ifndef VELMAR_CHAINMODEL_H
#define VELMAR_CHAINMODEL_H

#include <string>
#include <vector>

struct ChainModel {
    int num_states = 0;
    int initial_state = 0;
    // transition k goes from source[k] to target[k] with rate rate[k]
    std::vector<int> source;
    std::vector<int> target;
    std::vector<double> rate;
    std::vector<std::string> pv_names;
    std::vector<std::vector<double>> pv_values; // [pv][state]
    std::vector<int> pv_kinds;                  // 3: steady state
    std::vector<int> label_pvs;                 // the PVs that mark the states of a label (0/1)
    // [pv][state]: the part of a reward PV earned on transitions, the sum over
    // the state's transitions of rate x reward; empty for PVs without one.
    // A state's value is pv_values + pv_rate_parts.
    std::vector<std::vector<double>> pv_rate_parts;
    std::vector<std::string> files_read;        // in the order they were read
    // how rewards on transitions became PV values, for the report's files line ("": none were read)
    std::string rewards_note;
    // "Warning: ..." lines about parts of the files that are not used
    std::vector<std::string> warnings;

    // Appends a transition.
    void addEdge(int from, int to, double r)
    {
        source.push_back(from);
        target.push_back(to);
        rate.push_back(r);
    }
    // Appends a PV with one value per state.
    void addPV(const std::string& name, std::vector<double> values, int kind = 3)
    {
        pv_names.push_back(name);
        pv_values.push_back(std::move(values));
        pv_kinds.push_back(kind);
        pv_rate_parts.emplace_back();
    }
    // Appends a label as a PV that is 1 in the label's states and 0 elsewhere.
    void addLabel(const std::string& name, std::vector<double> marks)
    {
        label_pvs.push_back((int)pv_names.size());
        addPV(name, std::move(marks));
    }
    // Appends a reward PV: per state its state reward and its transitions' rate x reward.
    void addRewardPV(const std::string& name, std::vector<double> state_part,
                     std::vector<double> rate_part)
    {
        addPV(name, std::move(state_part));
        pv_rate_parts.back() = std::move(rate_part);
    }
    // Index of the PV of that name, or -1.
    int findPV(const std::string& name) const;
};

#endif
