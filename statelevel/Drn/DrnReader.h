// Reader of the explicit text format (DRN) that Storm writes, for a
// continuous-time Markov chain: "//" comments, header sections from @type to
// @model, then per state "state <id> [!<exit rate>] [<rewards>] <labels>",
// "action <name> [<rewards>]" and one "<target> : <rate>" line per transition.
#ifndef VELMAR_DRNREADER_H
#define VELMAR_DRNREADER_H

#include <string>
#include <vector>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Chain/ChainModel.h"

class DrnReader
{
public:
    explicit DrnReader(const std::string& path) : in(path) {}

    // Reads the file into a model: one 0/1 PV per label (in order of first
    // use), then one PV per reward model, its value in a state the state
    // reward plus the sum of the state's rates x the action's reward; the
    // first state labelled "init" is the initial state. Refuses a malformed
    // file through chain_file_fault; what it does not use becomes a warning.
    ChainModel read();

private:
    // The next line that is not a "//" comment (a line put back comes first).
    bool fetch();
    void readHeader();
    // The value line of a section: empty when the next line starts a section.
    std::string sectionValue();
    void readSection(const std::string& line);
    void readBody();
    void readStateLine(LineWords& w);
    // Reads "[r1, r2, ...]" at the start of rest and removes it from rest.
    void readRewards(std::string& rest);
    // Reads the list "[r1, r2, ...]" that starts rest, one reward per reward
    // model, and removes it from rest.
    std::vector<double> readRewardList(std::string& rest);
    void readLabels(const std::string& rest);
    void addLabel(const std::string& name);
    // Reads "action <name> [[r1, r2, ...]]"; words after them are counted as not used.
    void readAction(LineWords& w);
    void readTransition(const std::string& line);
    // Checks the exit rate of the state just read against its transitions and
    // adds its action rewards, weighted by the sum of its rates.
    void finishState();
    void finishModel();

    ChainLineReader in;
    ChainModel model;
    bool put_back = false;
    bool have_type = false;
    int declared_states = -1;
    int declared_choices = -1;
    long actions = 0;
    std::vector<std::string> reward_names;
    std::vector<std::vector<double>> rewards; // [reward model][state]
    // [reward model][state]: the sum of the state's rates x its action's reward
    std::vector<std::vector<double>> action_rates;
    bool any_action_rewards = false;
    long unused_action_words = 0;    // action lines with words after name and rewards
    long first_unused_line = 0;
    std::string first_unused_words;
    std::vector<std::string> labels;
    std::vector<std::vector<int>> labelled; // [label]: its states
    ChainModel names_seen;                  // every PV name so far, for the checks

    // the state being read
    int current = -1;
    long state_line = 0;
    bool has_exit = false;
    std::string exit_token;
    double exit_rate = 0.0;
    double rate_sum = 0.0;
    double loop_sum = 0.0;
    int state_actions = 0;
    std::vector<double> action_rewards; // the state's action rewards, one per reward model
};

#endif
