// The transition file of a PRISM chain.
#include <string>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Prism/PrismReaders.h"
#include "statelevel/RateText.h"

// Shortest line of one transition: "i j x" and a line break.
static const long long SHORTEST_TRANSITION = 6;
// Shortest transition of a row: " x:j".
static const long long SHORTEST_ROW_ENTRY = 4;

// Reads the first line: the numbers of states and transitions.
static void readSizes(ChainLineReader& in, ChainModel& model, int& transitions,
                      long long shortest)
{
    if (!in.nextContent("#"))
        in.faultAtEnd(
            "the file is empty; its first line gives the numbers of states and transitions");
    LineWords w(in.text());
    std::string states, count, extra;
    w.next(states);
    if (!parse_index(states, model.num_states))
        in.fault(states, "the number of states is not a count");
    if (!w.next(count))
        in.fault(states, "the number of transitions is missing after the number of states");
    if (!parse_index(count, transitions))
        in.fault(count, "the number of transitions is not a count");
    if (w.next(extra))
        in.fault(extra, "the first line holds more than the numbers of states and transitions");
    if (model.num_states < 1) in.fault(states, "a chain has at least one state");
    // every state but the initial one is entered by some transition
    if ((long long)model.num_states > (long long)transitions + 1)
        in.fault(states, "more states than the transitions can reach");
    long long left = in.bytesLeft();
    if (left >= 0 && (long long)transitions > (left + 1) / shortest)
        in.fault(count, "the file is too short for that many transitions");
}

// Reads one state index of a transition line.
static int readState(ChainLineReader& in, LineWords& w, int n, const char* what)
{
    std::string t;
    if (!w.next(t)) in.fault(in.text(), std::string("the ") + what + " state is missing");
    return prism_state(in, t, n, std::string(what) + " state");
}

int prism_state(ChainLineReader& in, const std::string& t, int n, const std::string& what)
{
    int s = -1;
    if (!parse_index(t, s)) in.fault(t, "the " + what + " is not a state number");
    if (s >= n) in.fault(t, "the " + what + " is not below the number of states, " + std::to_string(n));
    return s;
}

// Reads "source destination rate [action]"; true when it names an action.
static bool readTransition(ChainLineReader& in, ChainModel& model)
{
    LineWords w(in.text());
    int from = readState(in, w, model.num_states, "source");
    int to = readState(in, w, model.num_states, "destination");
    std::string t, action, extra;
    double rate = 0.0;
    if (!w.next(t)) in.fault(in.text(), "the rate is missing");
    RateText form = parse_real(t, rate) ? classify_rate(t, rate) : RateText::NotRate;
    if (form == RateText::NotRate) in.fault(t, "a rate is a finite number of at least zero");
    if (form == RateText::Underflow) in.fault(t, rate_underflow_reason(rate));
    w.next(action);
    if (w.next(extra))
        in.fault(extra, "a transition line holds source, destination, rate and at most an action");
    model.addEdge(from, to, rate);
    return !action.empty();
}

void read_prism_tra(const FileLines& path, ChainModel& model)
{
    ChainLineReader in(path);
    in.openOrFault();
    model.files_read.push_back(path);
    int transitions = 0;
    bool rows = prism_rows_form(path);
    readSizes(in, model, transitions, rows ? SHORTEST_ROW_ENTRY : SHORTEST_TRANSITION);
    model.source.reserve(transitions);
    model.target.reserve(transitions);
    model.rate.reserve(transitions);
    if (rows) {
        read_prism_tra_rows(in, model, transitions);
        return;
    }
    long named = 0;
    for (int k = 0; k < transitions; ++k) {
        if (!in.nextContent("#"))
            in.faultAtEnd("the file ends after " + std::to_string(k) + " of its " +
                          std::to_string(transitions) + " transitions");
        named += readTransition(in, model);
    }
    if (in.nextContent("#"))
        in.fault(trim(in.text()), "more transitions than the first line announces");
    if (named > 0)
        model.warnings.push_back("Warning: " + path.path + ": the action names of " +
                                 std::to_string(named) +
                                 " transition(s) are not used (a chain needs none).");
}
