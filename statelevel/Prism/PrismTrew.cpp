// The transition-reward file of a PRISM chain, and the reward structures
// that join a state-reward file and a transition-reward file into one PV.
#include <algorithm>
#include <string>
#include <vector>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Chain/PVNameCheck.h"
#include "statelevel/Prism/PrismReaders.h"

std::string prism_structure_name(const std::string& line)
{
    if (line.find("Reward structure") == std::string::npos) return "";
    size_t open = line.find('"');
    if (open == std::string::npos) return "";
    size_t close = line.find('"', open + 1);
    if (close == std::string::npos) return "";
    return line.substr(open + 1, close - open - 1);
}

namespace {

// The transitions of the model by source, destinations ascending, each pair
// once with the sum of its rates: the generator's off-diagonal entries and
// the self-loops as written.
class TransitionIndex
{
public:
    explicit TransitionIndex(const ChainModel& model)
    {
        std::vector<size_t> order(model.source.size());
        for (size_t k = 0; k < order.size(); ++k) order[k] = k;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return model.source[a] != model.source[b] ? model.source[a] < model.source[b]
                                                      : model.target[a] < model.target[b];
        });
        start.assign((size_t)model.num_states + 1, 0);
        for (size_t k : order) {
            int s = model.source[k], j = model.target[k];
            if (!target.empty() && source_of.back() == s && target.back() == j) {
                rate.back() += model.rate[k];
                continue;
            }
            source_of.push_back(s);
            target.push_back(j);
            rate.push_back(model.rate[k]);
            ++start[(size_t)s + 1];
        }
        for (size_t s = 0; s + 1 < start.size(); ++s) start[s + 1] += start[s];
        rewarded.assign(target.size(), false);
    }

    // Position of the transition s -> j, or -1 when the chain has none.
    long find(int s, int j) const
    {
        auto first = target.begin() + (long)start[s], last = target.begin() + (long)start[s + 1];
        auto at = std::lower_bound(first, last, j);
        return at != last && *at == j ? (long)(at - target.begin()) : -1;
    }

    size_t size() const { return target.size(); }

    std::vector<size_t> start;
    std::vector<int> source_of;
    std::vector<int> target;
    std::vector<double> rate;
    std::vector<bool> rewarded;
};

// Reads the comment lines and "states entries"; returns the entry count. A
// name that named_in (the state-reward file) gave must not change.
int readHeader(ChainLineReader& in, const ChainModel& model, const TransitionIndex& index,
               std::string& name, const std::string& named_in)
{
    std::string count;
    int entries = prism_reward_header(in, model, name, named_in, count);
    if ((size_t)entries > index.size())
        in.fault(count, "more entries than the chain has transitions, " + std::to_string(index.size()));
    return entries;
}

// Adds the reward r of transition s -> j, at token t, to the rate part.
void reward(ChainLineReader& in, const std::string& t, int s, int j, double r,
            TransitionIndex& index, std::vector<double>& rate_part)
{
    long k = index.find(s, j);
    if (k < 0)
        in.fault(t, "the chain has no transition from state " + std::to_string(s) +
                        " to state " + std::to_string(j));
    if (index.rewarded[k])
        in.fault(t, "a second reward for the transition from state " + std::to_string(s) +
                        " to state " + std::to_string(j));
    index.rewarded[k] = true;
    rate_part[s] += index.rate[k] * r;
}

// Reads "source destination reward"; returns the entries read (1).
int readEntry(ChainLineReader& in, TransitionIndex& index, std::vector<double>& rate_part)
{
    const int n = (int)rate_part.size();
    LineWords w(in.text());
    std::string from, to, value, extra;
    double r = 0.0;
    w.next(from);
    int s = prism_state(in, from, n, "source");
    if (!w.next(to)) in.fault(from, "the destination is missing after the source");
    int j = prism_state(in, to, n, "destination");
    if (!w.next(value)) in.fault(to, "the reward is missing after the destination");
    if (!parse_real(value, r)) in.fault(value, "a reward is a finite number");
    if (w.next(extra))
        in.fault(extra, "an entry holds a source, a destination and a reward only");
    reward(in, to, s, j, r, index, rate_part);
    return 1;
}

// Reads "source reward:destination reward:destination ..."; returns the
// entries read, refusing any past `left`.
int readRow(ChainLineReader& in, int left, TransitionIndex& index, std::vector<double>& rate_part)
{
    const int n = (int)rate_part.size();
    LineWords w(in.text());
    std::string from, item;
    w.next(from);
    int s = prism_state(in, from, n, "source");
    int read = 0;
    while (w.next(item)) {
        size_t colon = item.find(':');
        double r = 0.0;
        if (colon == std::string::npos)
            in.fault(item, "a row's entries read reward:destination");
        if (!parse_real(item.substr(0, colon), r)) in.fault(item, "a reward is a finite number");
        int j = prism_state(in, item.substr(colon + 1), n, "destination");
        if (read == left) in.fault(item, "more entries than the header announces");
        reward(in, item, s, j, r, index, rate_part);
        ++read;
    }
    return read;
}

}  // namespace

bool read_prism_trew(const FileLines& path, ChainModel& model, std::string& name,
                     const std::string& named_in, std::vector<double>& rate_part)
{
    bool rows = prism_rows_form(path);
    ChainLineReader in(path);
    if (!in.openIfPresent()) return false;
    model.files_read.push_back(path);
    TransitionIndex index(model);
    int entries = readHeader(in, model, index, name, named_in);
    rate_part.assign(model.num_states, 0.0);
    for (int k = 0; k < entries;) {
        if (!in.nextContent("#"))
            in.faultAtEnd("the file ends after " + std::to_string(k) + " of its " +
                          std::to_string(entries) + " entries");
        k += rows ? readRow(in, entries - k, index, rate_part) : readEntry(in, index, rate_part);
    }
    if (in.nextContent("#")) in.fault(trim(in.text()), "more entries than the header announces");
    return true;
}

bool read_prism_reward(const FileLines& srew, const FileLines& trew,
                       const std::string& fallback, ChainModel& model)
{
    std::string name = fallback;
    std::vector<double> statePart, ratePart;
    bool haveStates = read_prism_srew(srew, model, name, statePart);
    bool named = haveStates && name != fallback;
    bool haveTransitions = read_prism_trew(trew, model, name, named ? srew.path : std::string(), ratePart);
    if (!haveStates && !haveTransitions) return false;
    if (statePart.empty()) statePart.assign(model.num_states, 0.0);
    if (haveTransitions)
        model.rewards_note = "transition rewards in the rate form: a reward PV's value is the "
                             "state reward + the sum of rate x reward over the state's transitions";
    model.addRewardPV(name, std::move(statePart), std::move(ratePart));
    return true;
}
