// The states, actions and transitions of a DRN file after @model.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "statelevel/Chain/PVNameCheck.h"
#include "statelevel/Chain/chain_file_fault.h"
#include "statelevel/Drn/DrnReader.h"
#include "statelevel/RateText.h"

// Relative difference allowed between a state's exit rate and the sum of its
// rates: the exit rate may be written with fewer digits than the rates.
static const double EXIT_RATE_TOLERANCE = 1e-5;

static bool closeTo(double a, double b)
{
    return std::fabs(a - b) <= EXIT_RATE_TOLERANCE * std::fmax(std::fabs(a), std::fabs(b));
}

void DrnReader::finishState()
{
    if (current < 0) return;
    // the action's reward is the mean over its branches, taken at the rate the state is left
    for (size_t k = 0; k < action_rates.size(); ++k)
        action_rates[k].push_back(k < action_rewards.size() ? rate_sum * action_rewards[k] : 0.0);
    if (!has_exit) return;
    if (closeTo(exit_rate, rate_sum) || closeTo(exit_rate, rate_sum - loop_sum)) return;
    char sum[64];
    snprintf(sum, sizeof sum, "%g", rate_sum);
    chain_file_fault(
        {in.path(), state_line, exit_token,
         std::string("the exit rate differs from the sum of the state's rates, ") + sum});
}

void DrnReader::readRewards(std::string& rest)
{
    if (rest.empty() || rest[0] != '[') {
        if (reward_names.empty()) return;
        in.fault(rest.empty() ? trim(in.text()) : rest,
                 "the state lacks its rewards, [r1, r2, ...], one per reward model");
    }
    std::vector<double> values = readRewardList(rest);
    for (size_t k = 0; k < values.size(); ++k) rewards[k].push_back(values[k]);
}

std::vector<double> DrnReader::readRewardList(std::string& rest)
{
    size_t close = rest.find(']');
    if (close == std::string::npos) in.fault(rest, "the rewards' list lacks its closing ]");
    std::string inner = rest.substr(1, close - 1);
    rest = trim(rest.substr(close + 1));
    std::vector<double> values;
    for (size_t from = 0; !trim(inner).empty();) {
        size_t comma = inner.find(',', from);
        std::string item =
            trim(inner.substr(from, comma == std::string::npos ? comma : comma - from));
        double v = 0.0;
        if (!parse_real(item, v)) in.fault(item, "a reward is a finite number");
        values.push_back(v);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    if (values.size() != reward_names.size())
        in.fault("[" + inner + "]", "the line gives " + std::to_string(values.size()) +
                                        " reward(s) for " + std::to_string(reward_names.size()) +
                                        " reward models");
    return values;
}

void DrnReader::addLabel(const std::string& name)
{
    size_t l = 0;
    while (l < labels.size() && labels[l] != name) ++l;
    if (l == labels.size()) {
        require_pv_name(in, names_seen, name);
        names_seen.pv_names.push_back(name);
        labels.push_back(name);
        labelled.emplace_back();
    }
    if (labelled[l].empty() || labelled[l].back() != current) labelled[l].push_back(current);
}

void DrnReader::readLabels(const std::string& rest)
{
    size_t pos = 0;
    while (pos < rest.size()) {
        if (rest[pos] == ' ' || rest[pos] == '\t') {
            ++pos;
            continue;
        }
        if (rest[pos] == '"') {
            size_t close = rest.find('"', pos + 1);
            if (close == std::string::npos)
                in.fault(rest.substr(pos), "a quoted label lacks its closing quote");
            addLabel(rest.substr(pos + 1, close - pos - 1));
            pos = close + 1;
            continue;
        }
        size_t end = rest.find_first_of(" \t", pos);
        if (end == std::string::npos) end = rest.size();
        addLabel(rest.substr(pos, end - pos));
        pos = end;
    }
}

void DrnReader::readStateLine(LineWords& w)
{
    std::string id;
    int s = -1;
    if (!w.next(id) || !parse_index(id, s))
        in.fault(id.empty() ? "state" : id, "a state line reads state <number> ...");
    int expected = model.num_states;
    if (s != expected) in.fault(id, "state " + std::to_string(expected) + " was expected here");
    if (s >= declared_states)
        in.fault(id, "more states than @nr_states says, " + std::to_string(declared_states));
    finishState();
    current = s;
    model.num_states = s + 1;
    state_line = in.number();
    state_actions = 0;
    action_rewards.clear();
    rate_sum = loop_sum = 0.0;
    std::string rest = w.rest();
    has_exit = !rest.empty() && rest[0] == '!';
    if (has_exit) {
        LineWords e(rest);
        e.next(exit_token);
        std::string number = exit_token.substr(1);
        RateText form =
            parse_real(number, exit_rate) ? classify_rate(number, exit_rate) : RateText::NotRate;
        if (form == RateText::NotRate)
            in.fault(exit_token, "an exit rate is ! followed by a finite number of at least zero");
        if (form == RateText::Underflow) in.fault(exit_token, rate_underflow_reason(exit_rate));
        rest = e.rest();
    }
    readRewards(rest);
    readLabels(rest);
}

void DrnReader::readAction(LineWords& w)
{
    if (current < 0) in.fault("action", "an action before the first state");
    if (state_actions > 0)
        in.fault(trim(in.text()), "a second action in one state: the model is not a chain");
    ++state_actions;
    ++actions;
    std::string rest = w.rest();
    if (!rest.empty() && rest[0] != '[') {
        LineWords name(rest);
        std::string word;
        name.next(word);
        rest = name.rest();
    }
    if (!rest.empty() && rest[0] == '[') {
        action_rewards = readRewardList(rest);
        any_action_rewards = true;
    }
    if (rest.empty()) return;
    if (unused_action_words++ == 0) {
        first_unused_line = in.number();
        first_unused_words = rest.size() > 40 ? rest.substr(0, 40) + "..." : rest;
    }
}

void DrnReader::readTransition(const std::string& line)
{
    if (current < 0 || state_actions == 0)
        in.fault(line, "a transition before its state's action line");
    size_t colon = line.find(':');
    std::string target = trim(line.substr(0, colon)), rate = trim(line.substr(colon + 1));
    int to = -1;
    double r = 0.0;
    if (!parse_index(target, to)) in.fault(target, "the target is not a state number");
    if (to >= declared_states)
        in.fault(target, "the target is not below the number of states, " +
                             std::to_string(declared_states));
    RateText form = parse_real(rate, r) ? classify_rate(rate, r) : RateText::NotRate;
    if (form == RateText::NotRate) in.fault(rate, "a rate is a finite number of at least zero");
    if (form == RateText::Underflow) in.fault(rate, rate_underflow_reason(r));
    model.addEdge(current, to, r);
    rate_sum += r;
    if (to == current) loop_sum += r;
}

void DrnReader::readBody()
{
    while (fetch()) {
        std::string line = trim(in.text());
        LineWords w(line);
        std::string word;
        if (!w.next(word)) continue;
        if (word == "state") readStateLine(w);
        else if (word == "action") readAction(w);
        else if (line.find(':') != std::string::npos) readTransition(line);
        else in.fault(word, "a state, action or transition line was expected");
    }
    finishState();
}

void DrnReader::finishModel()
{
    if (model.num_states != declared_states)
        in.faultAtEnd("the file holds " + std::to_string(model.num_states) +
                      " state(s) where @nr_states says " + std::to_string(declared_states));
    if (declared_choices >= 0 && actions != declared_choices)
        in.faultAtEnd("the file holds " + std::to_string(actions) +
                      " action(s) where @nr_choices says " + std::to_string(declared_choices));
    const int n = model.num_states;
    for (size_t l = 0; l < labels.size(); ++l) {
        std::vector<double> marks(n, 0.0);
        for (int s : labelled[l]) marks[s] = 1.0;
        if (labels[l] == "init" && !labelled[l].empty()) model.initial_state = labelled[l][0];
        if (labels[l] == "init" && labelled[l].size() > 1)
            model.warnings.push_back("Warning: " + in.path() + ": " +
                                     std::to_string(labelled[l].size()) +
                                     " states are labelled init; the first, state " +
                                     std::to_string(labelled[l][0]) + ", is the initial state.");
        model.addLabel(labels[l], std::move(marks));
    }
    if (unused_action_words > 0)
        model.warnings.push_back("Warning: " + in.path() + ", line " +
                                 std::to_string(first_unused_line) + ": \"" + first_unused_words +
                                 "\" after the action is not used (nor what follows the action on " +
                                 std::to_string(unused_action_words - 1) + " later line(s)).");
    if (any_action_rewards && !reward_names.empty())
        model.rewards_note = "action rewards in the rate form: a reward PV's value is the state "
                             "reward + the sum of the state's rates x the action's reward";
    for (size_t r = 0; r < reward_names.size(); ++r) {
        if (rewards[r].empty()) rewards[r].assign(n, 0.0);
        if (any_action_rewards)
            model.addRewardPV(reward_names[r], std::move(rewards[r]), std::move(action_rates[r]));
        else
            model.addPV(reward_names[r], std::move(rewards[r]));
    }
}

ChainModel DrnReader::read()
{
    in.openOrFault();
    model.files_read.push_back(in.path());
    readHeader();
    readBody();
    finishModel();
    return std::move(model);
}
