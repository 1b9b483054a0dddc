// One tiny file per kind of fault in PRISM's and Storm's chain files: each
// run ends with status 1 and exactly its message, naming file, line and
// token, and writes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

struct Fault {
    const char* name;  // the experiment, and the file's stem
    const char* ext;   // the file the message names
    std::string where; // what follows the file's name in the message
};

// Runs the experiment with a report file asked for and checks the message.
void expect_fault(const std::string& format, const Fault& f)
{
    std::string dir = std::string(VELMAR_TEST_DATA) + "/" + format + "/";
    TempDir out;
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", f.name, "-G", dir, "-s",
                                               out.dir(), "-o", out.file("r.txt")});
    EXPECT_EQ(r.status, 1) << f.name;
    EXPECT_EQ(r.out, "") << f.name;
    EXPECT_EQ(r.err, "Error reading state space file " + dir + f.name + f.ext + f.where + ".\n");
    EXPECT_TRUE(std::filesystem::is_empty(out.path)) << f.name << " left a file behind";
}

}  // namespace

TEST(ChainFileFaults, PrismTransitionFile)
{
    const std::vector<Fault> faults = {
        {"tra_empty", ".tra", ", line 1: the file is empty; its first line gives the numbers of states and transitions"},
        {"tra_zero_states", ".tra", ", line 1, at \"0\": a chain has at least one state"},
        {"tra_header_word", ".tra", ", line 1, at \"two\": the number of states is not a count"},
        {"tra_header_short", ".tra", ", line 1, at \"2\": the number of transitions is missing after the number of states"},
        {"tra_header_extra", ".tra", ", line 1, at \"ctmc\": the first line holds more than the numbers of states and transitions"},
        {"tra_unreachable", ".tra", ", line 1, at \"5\": more states than the transitions can reach"},
        {"tra_too_short", ".tra", ", line 1, at \"1000\": the file is too short for that many transitions"},
        {"tra_state_word", ".tra", ", line 2, at \"one\": the destination state is not a state number"},
        {"tra_state_high", ".tra", ", line 3, at \"2\": the source state is not below the number of states, 2"},
        {"tra_rate_missing", ".tra", ", line 2, at \"0 1\": the rate is missing"},
        {"tra_rate_negative", ".tra", ", line 2, at \"-1.5\": a rate is a finite number of at least zero"},
        {"tra_rate_nan", ".tra", ", line 3, at \"nan\": a rate is a finite number of at least zero"},
        {"tra_rate_huge", ".tra", ", line 2, at \"1e400\": a rate is a finite number of at least zero"},
        {"tra_rate_negative_tiny", ".tra", ", line 2, at \"-1e-330\": a rate is a finite number of at least zero"},
        {"tra_rate_underflow", ".tra", ", line 2, at \"1e-330\": a positive rate below 2.2250738585072014e-308, the smallest normal double, would be read as 0"},
        {"tra_rate_subnormal", ".tra", ", line 3, at \"1e-310\": a positive rate below 2.2250738585072014e-308, the smallest normal double, would be read as the subnormal 9.9999999999999694e-311"},
        {"tra_extra_token", ".tra", ", line 2, at \"now\": a transition line holds source, destination, rate and at most an action"},
        {"tra_cut", ".tra", ", line 4: the file ends after 2 of its 3 transitions"},
        {"tra_extra_line", ".tra", ", line 4, at \"1 0 2\": more transitions than the first line announces"},
    };
    for (const Fault& f : faults) expect_fault("prism", f);
}

TEST(ChainFileFaults, PrismStateLabelAndRewardFiles)
{
    const std::vector<Fault> faults = {
        {"sta_no_parens", ".sta", ", line 1, at \"x,y\": the first line names the variables in parentheses, as (x,y)"},
        {"sta_bad_name", ".sta", ", line 1, at \"a/b\": a PV name must be 1 to 103 characters without blanks or path separators"},
        {"sta_twice", ".sta", ", line 1, at \"x\": this PV name is taken already (plot files would collide)"},
        {"sta_order", ".sta", ", line 2, at \"1\": state 0 was expected here"},
        {"sta_count", ".sta", ", line 3, at \"(1)\": the line gives 1 value(s) for 2 variables"},
        {"sta_value", ".sta", ", line 3, at \"maybe\": a value is a finite number, true or false"},
        {"sta_shape", ".sta", ", line 2, at \"0 (0)\": a state line reads state:(value,...)"},
        {"sta_cut", ".sta", ", line 3: the file ends after 1 of the 2 states"},
        {"sta_extra", ".sta", ", line 4, at \"2:(2)\": more states than the transition file has"},
        {"lab_declaration", ".lab", ", line 1, at \"full\": a label is declared as number=\"name\""},
        {"lab_numbering", ".lab", ", line 1, at \"2=\"full\"\": label number 1 was expected here"},
        {"lab_state_high", ".lab", ", line 3, at \"7\": the state is not below the number of states, 2"},
        {"lab_unknown", ".lab", ", line 3, at \"2\": not the number of a declared label"},
        {"lab_name_taken", ".lab", ", line 1, at \"full\": this PV name is taken already (plot files would collide)"},
        {"srew_states", ".srew", ", line 1, at \"3\": the transition file has 2 states"},
        {"srew_header", ".srew", ", line 2, at \"many\": the number of entries is not a count"},
        {"srew_cut", ".srew", ", line 3: the file ends after 1 of its 2 entries"},
        {"srew_extra", ".srew", ", line 3, at \"1 1\": more entries than the header announces"},
        {"srew_value", ".srew", ", line 2, at \"inf\": a reward is a finite number"},
        {"srew_twice", ".srew", ", line 5, at \"1\": a second reward for the state"},
        {"srew_state_high", ".srew", ", line 2, at \"2\": the state is not below the number of states, 2"},
        {"srew_bad_name", ".srew", ", line 2, at \"time spent\": a PV name must be 1 to 103 characters without blanks or path separators"},
    };
    for (const Fault& f : faults) expect_fault("prism", f);
}

TEST(ChainFileFaults, PrismRowFormAndTransitionRewardFiles)
{
    const std::vector<Fault> faults = {
        {"tra_rows_entry", ".tra", ", line 3, at \"2\": a row's transitions read rate:destination"},
        {"tra_rows_rate", ".tra", ", line 3, at \"-2\": a rate is a finite number of at least zero"},
        {"tra_rows_underflow", ".tra", ", line 3, at \"1e-330\": a positive rate below 2.2250738585072014e-308, the smallest normal double, would be read as 0"},
        {"tra_rows_extra", ".tra", ", line 3, at \"1 1:0\": more transitions than the first line announces"},
        {"trew_missing", ".trew", ", line 5, at \"2\": the chain has no transition from state 0 to state 2"},
        {"trew_rows", ".trew", ", line 3, at \"1:0\": the chain has no transition from state 1 to state 0"},
        {"trew_twice", ".trew", ", line 3, at \"2\": a second reward for the transition from state 1 to state 2"},
        {"trew_name", ".trew", ", line 1, at \"served\": the reward structure is named \"cost\" in " +
             std::string(VELMAR_TEST_DATA) + "/prism/trew_name.srew"},
    };
    for (const Fault& f : faults) expect_fault("prism", f);
}

TEST(ChainFileFaults, PrismSingleFile)
{
    const std::vector<Fault> faults = {
        {"pexp_dtmc", ".pexp", ", line 1, at \"Transitions (DTMC)\": the model is not a continuous-time Markov chain (# Transitions (CTMC))"},
        {"pexp_missing", ".pexp", ", line 7, at \"0\": the chain has no transition from state 1 to state 0"},
        {"pexp_no_transitions", ".pexp", ", line 5: the file has no \"# Transitions (CTMC)\" section"},
        {"pexp_stray", ".pexp", ", line 1, at \"2 2\": the lines of a .pexp file follow a section title such as \"# Transitions (CTMC)\""},
        {"pexp_part", ".pexp", ", line 5, at \"State rewards\": a reward part outside a \"# Reward structure\" section"},
    };
    for (const Fault& f : faults) expect_fault("prism", f);
}

TEST(ChainFileFaults, DrnHeader)
{
    const std::vector<Fault> faults = {
        {"drn_dtmc", ".drn", ", line 1, at \"DTMC\": the model is not a continuous-time Markov chain (@type: CTMC)"},
        {"drn_parametric", ".drn", ", line 3, at \"p q\": parametric models cannot be solved"},
        {"drn_no_model", ".drn", ", line 4: the file ends before @model"},
        {"drn_no_type", ".drn", ", line 3, at \"@model\": no \"@type: CTMC\" line before @model"},
        {"drn_no_nr_states", ".drn", ", line 2, at \"@model\": no @nr_states section before @model"},
        {"drn_nr_states_word", ".drn", ", line 3, at \"two\": a count follows @nr_states"},
        {"drn_header_line", ".drn", ", line 2, at \"states 2\": a header line starts with @ (the states follow @model)"},
        {"drn_value_type", ".drn", ", line 2, at \"interval\": only numbers can be solved (@value_type: double), not intervals or parametric values"},
        {"drn_placeholders", ".drn", ", line 3, at \"$0 : p\": values given by placeholders cannot be solved"},
    };
    for (const Fault& f : faults) expect_fault("drn", f);
}

TEST(ChainFileFaults, DrnStatesActionsAndTransitions)
{
    const std::vector<Fault> faults = {
        {"drn_state_order", ".drn", ", line 9, at \"1\": state 0 was expected here"},
        {"drn_state_extra", ".drn", ", line 15, at \"2\": more states than @nr_states says, 2"},
        {"drn_state_missing", ".drn", ", line 12: the file holds 1 state(s) where @nr_states says 2"},
        {"drn_second_action", ".drn", ", line 12, at \"action 1\": a second action in one state: the model is not a chain"},
        {"drn_no_action", ".drn", ", line 10, at \"1 : 1\": a transition before its state's action line"},
        {"drn_action_first", ".drn", ", line 9, at \"action\": an action before the first state"},
        {"drn_target_high", ".drn", ", line 11, at \"2\": the target is not below the number of states, 2"},
        {"drn_rate", ".drn", ", line 11, at \"fast\": a rate is a finite number of at least zero"},
        {"drn_rate_huge", ".drn", ", line 11, at \"1e400\": a rate is a finite number of at least zero"},
        {"drn_rate_negative_tiny", ".drn", ", line 11, at \"-1e-330\": a rate is a finite number of at least zero"},
        {"drn_rate_underflow", ".drn", ", line 14, at \"1e-330\": a positive rate below 2.2250738585072014e-308, the smallest normal double, would be read as 0"},
        {"drn_rate_subnormal", ".drn", ", line 11, at \"1e-310\": a positive rate below 2.2250738585072014e-308, the smallest normal double, would be read as the subnormal 9.9999999999999694e-311"},
        {"drn_exit_underflow", ".drn", ", line 9, at \"!1e-330\": a positive rate below 2.2250738585072014e-308, the smallest normal double, would be read as 0"},
        {"drn_exit_rate", ".drn", ", line 9, at \"!1.5\": the exit rate differs from the sum of the state's rates, 1"},
        {"drn_exit_word", ".drn", ", line 9, at \"!quick\": an exit rate is ! followed by a finite number of at least zero"},
        {"drn_rewards_count", ".drn", ", line 7, at \"[1]\": the line gives 1 reward(s) for 2 reward models"},
        {"drn_rewards_missing", ".drn", ", line 7, at \"init\": the state lacks its rewards, [r1, r2, ...], one per reward model"},
        {"drn_rewards_open", ".drn", ", line 7, at \"[1 init\": the rewards' list lacks its closing ]"},
        {"drn_reward_value", ".drn", ", line 7, at \"x\": a reward is a finite number"},
        {"drn_quote", ".drn", ", line 9, at \"\"init\": a quoted label lacks its closing quote"},
        {"drn_label_name", ".drn", ", line 9, at \"up/down\": a PV name must be 1 to 103 characters without blanks or path separators"},
        {"drn_label_taken", ".drn", ", line 10, at \"busy\": this PV name is taken already (plot files would collide)"},
        {"drn_choices", ".drn", ", line 13: the file holds 2 action(s) where @nr_choices says 3"},
        {"drn_junk", ".drn", ", line 11, at \"go\": a state, action or transition line was expected"},
        {"drn_action_open", ".drn", ", line 8, at \"[1\": the rewards' list lacks its closing ]"},
        {"drn_action_count", ".drn", ", line 11, at \"[0.5, 1]\": the line gives 2 reward(s) for 1 reward models"},
        {"drn_action_no_models", ".drn", ", line 6, at \"[1]\": the line gives 1 reward(s) for 0 reward models"},
    };
    for (const Fault& f : faults) expect_fault("drn", f);
}

TEST(ChainFileFaults, LongAndUnprintableTokensAreShownShortened)
{
    TempDir dir, out;
    dir.write("m.tra", "2 2\n0 1 " + std::string(60, '9') + "x\n1 0 1.0\n");
    dir.write("c.tra", "2 2\n0 1 \x01\x7f\n1 0 1.0000\n");
    ProgramResult r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "m", "-G", dir.dir(), "-s", out.dir()});
    EXPECT_EQ(r.err, "Error reading state space file " + dir.file("m.tra") + ", line 2, at \"" +
                         std::string(40, '9') + "...\": a rate is a finite number of at least zero.\n");
    r = run_program(DSS_BINARY, {"-P", "p", "-S", "s", "-E", "c", "-G", dir.dir(), "-s", out.dir()});
    EXPECT_EQ(r.err, "Error reading state space file " + dir.file("c.tra") +
                         ", line 2, at \"??\": a rate is a finite number of at least zero.\n");
}
