// Rewards on transitions in PRISM's files (.trew, column and row form) and on
// actions in DRN files: a reward structure's mean is its long-run reward
// rate, checked against closed forms and a dense solve written here; the
// parts of a file that are not used are named in warnings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Oracle.h"
#include "tests/support/run_program.h"

namespace {

const std::string DATA = std::string(VELMAR_TEST_DATA) + "/";

// dss on dir + name with the CSV's 17 digits; the report and CSV go to out.
ProgramResult run_dss(const std::string& dir, const std::string& name, const TempDir& out,
                      std::vector<std::string> extra = {})
{
    std::vector<std::string> args = {"-P", "p", "-S", "s", "-E", name, "-G", dir,
                                     "-s", out.dir(), "-f", "-o", out.file("r.txt")};
    args.insert(args.end(), extra.begin(), extra.end());
    return run_program(DSS_BINARY, args);
}

// Each PV's mean from the CSV file of a run, by name.
std::map<std::string, double> csv_means(const TempDir& out)
{
    std::map<std::string, double> found;
    std::string csv = slurp(out.file("r.csv"));
    std::regex row("\n[0-9]+,[0-9]+,([^,\n]+),[^,\n]*,[^,\n]*,Results,([^,\n]+),");
    for (std::sregex_iterator m(csv.begin(), csv.end(), row), end; m != end; ++m)
        found[(*m)[1]] = std::strtod((*m)[2].str().c_str(), nullptr);
    return found;
}

// A chain with one reward structure on states and transitions.
struct RewardedChain {
    int n = 0;
    std::vector<std::vector<double>> rate;   // [from][to], 0: none; self-loops allowed
    std::vector<double> state_reward;
    std::vector<std::vector<double>> reward; // [from][to] on transitions

    double exit(int s) const
    {
        double e = 0.0;
        for (double r : rate[s]) e += r;
        return e;
    }
    // sum over states of pi(s) * (state reward + sum_j q(s,j) r(s,j))
    double long_run_rate() const
    {
        std::vector<double> pi = gthSolve(rate);
        double total = 0.0;
        for (int s = 0; s < n; ++s) {
            double v = state_reward[s];
            for (int j = 0; j < n; ++j) v += rate[s][j] * reward[s][j];
            total += pi[s] * v;
        }
        return total;
    }
};

std::string num(double v)
{
    char t[40];
    snprintf(t, sizeof t, "%.17g", v);
    return t;
}

// A random irreducible chain: a ring, extra transitions, some self-loops;
// rewards on some states and some transitions, of either sign.
RewardedChain random_chain(std::mt19937& gen)
{
    std::uniform_int_distribution<int> size(3, 9);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    RewardedChain c;
    c.n = size(gen);
    c.rate.assign(c.n, std::vector<double>(c.n, 0.0));
    c.reward = c.rate;
    c.state_reward.assign(c.n, 0.0);
    for (int s = 0; s < c.n; ++s) {
        c.rate[s][(s + 1) % c.n] = 0.1 + 5.0 * u(gen);
        for (int j = 0; j < c.n; ++j)
            if (u(gen) < 0.3) c.rate[s][j] = 0.1 + 5.0 * u(gen);
        if (u(gen) < 0.5) c.state_reward[s] = 4.0 * u(gen) - 1.0;
        for (int j = 0; j < c.n; ++j)
            if (c.rate[s][j] > 0.0 && u(gen) < 0.6) c.reward[s][j] = 3.0 * u(gen) - 0.5;
    }
    return c;
}

// The chain as PRISM's files, B.tra, B.srew and B.trew, in column or row form.
void write_prism(const RewardedChain& c, const TempDir& dir, const std::string& base, bool rows)
{
    int transitions = 0, rewarded = 0;
    std::string tra, trew, srew;
    int states_rewarded = 0;
    for (int s = 0; s < c.n; ++s) {
        std::string traRow = std::to_string(s), trewRow = std::to_string(s);
        bool anyReward = false;
        for (int j = 0; j < c.n; ++j) {
            if (c.rate[s][j] == 0.0) continue;
            ++transitions;
            if (rows) traRow += " " + num(c.rate[s][j]) + ":" + std::to_string(j);
            else tra += std::to_string(s) + " " + std::to_string(j) + " " + num(c.rate[s][j]) + "\n";
            if (c.reward[s][j] == 0.0) continue;
            ++rewarded;
            anyReward = true;
            if (rows) trewRow += " " + num(c.reward[s][j]) + ":" + std::to_string(j);
            else trew += std::to_string(s) + " " + std::to_string(j) + " " + num(c.reward[s][j]) + "\n";
        }
        if (rows) tra += traRow + "\n";
        if (rows && anyReward) trew += trewRow + "\n";
        if (c.state_reward[s] != 0.0) {
            ++states_rewarded;
            srew += std::to_string(s) + " " + num(c.state_reward[s]) + "\n";
        }
    }
    const std::string n = std::to_string(c.n);
    dir.write(base + ".tra", n + " " + std::to_string(transitions) + "\n" + tra);
    dir.write(base + "1.srew", "# Reward structure \"gain\"\n# State rewards\n" + n + " " +
                                   std::to_string(states_rewarded) + "\n" + srew);
    dir.write(base + "1.trew", "# Reward structure \"gain\"\n# Transition rewards\n" + n + " " +
                                   std::to_string(rewarded) + "\n" + trew);
}

// PRISM's separate files of base `from` as one single file B.pexp.
void write_pexp(const TempDir& dir, const std::string& from, const std::string& base)
{
    auto body = [&](const std::string& name) {
        std::string text = slurp(dir.file(name)), kept;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (line.compare(0, 1, "#") != 0) kept += line + "\n";
        return kept;
    };
    dir.write(base + ".pexp", "# Transitions (CTMC)\n" + body(from + ".tra") +
                                  "# Reward structure \"gain\"\n# Transition rewards\n" +
                                  body(from + "1.trew") + "# State rewards\n" +
                                  body(from + "1.srew"));
}

// The chain as a DRN file: the action's reward is the mean of the
// transitions' rewards over the branch probabilities.
void write_drn(const RewardedChain& c, const TempDir& dir, const std::string& base)
{
    std::string d = "@type: CTMC\n@parameters\n\n@reward_models\ngain\n@nr_states\n" +
                    std::to_string(c.n) + "\n@nr_choices\n" + std::to_string(c.n) + "\n@model\n";
    for (int s = 0; s < c.n; ++s) {
        double e = c.exit(s), mean = 0.0;
        for (int j = 0; j < c.n; ++j) mean += c.rate[s][j] / e * c.reward[s][j];
        d += "state " + std::to_string(s) + " !" + num(e) + " [" + num(c.state_reward[s]) + "]" +
             (s == 0 ? " init" : "") + "\n\taction 0 [" + num(mean) + "]\n";
        for (int j = 0; j < c.n; ++j)
            if (c.rate[s][j] > 0.0) d += "\t\t" + std::to_string(j) + " : " + num(c.rate[s][j]) + "\n";
    }
    dir.write(base + ".drn", d);
}

}  // namespace

TEST(ChainRewards, BirthsOfABirthDeathChainAreCountedAtTheSameRateInEveryForm)
{
    // M/M/1/4, births 2, services 3: pi_i proportional to (2/3)^i. "births"
    // rewards each birth with 1: rate 2 P(not full). "cost" is the queue
    // length plus 0.5 per service: E[n] + 0.5 * 3 * P(busy). The same chain
    // in PRISM's separate files, their row form, DRN and PRISM's single file.
    const std::vector<double> pi = mm1kStationary(4, 2.0 / 3.0);
    double length = 0.0;
    for (int i = 0; i <= 4; ++i) length += i * pi[i];
    const double p0 = pi[0], p4 = pi[4];
    const double births = 2.0 * (1.0 - p4), cost = length + 1.5 * (1.0 - p0);
    struct Form {
        std::string dir, name;
    };
    std::vector<std::map<std::string, double>> seen;
    for (const Form& f : {Form{"prism/", "bd"}, Form{"prism/", "bd_rows"}, Form{"drn/", "bd"},
                          Form{"prism/", "bd_single"}}) {
        TempDir out;
        ProgramResult r = run_dss(DATA + f.dir, f.name, out);
        ASSERT_EQ(r.status, 0) << f.dir << f.name << r.err;
        EXPECT_EQ(r.out + r.err, "") << f.dir << f.name;
        std::map<std::string, double> m = csv_means(out);
        EXPECT_TRUE(valueAgrees(m["births"], births, 1e-12)) << f.dir << f.name;
        EXPECT_TRUE(valueAgrees(m["cost"], cost, 1e-12)) << f.dir << f.name;
        EXPECT_TRUE(valueAgrees(m["full"], p4, 1e-12)) << f.dir << f.name;
        seen.push_back(m);
    }
    for (const char* pv : {"births", "cost"}) {
        EXPECT_TRUE(valueAgrees(seen[1][pv], seen[0][pv], 1e-12)) << "row form " << pv;
        EXPECT_TRUE(valueAgrees(seen[2][pv], seen[0][pv], 1e-12)) << "DRN " << pv;
        EXPECT_TRUE(valueAgrees(seen[3][pv], seen[0][pv], 1e-12)) << "single file " << pv;
    }
}

TEST(ChainRewards, TheReportNamesTheRewardFilesAndTheRateFormAndOrdersStructuresByNumber)
{
    TempDir out;
    ProgramResult r = run_dss(DATA + "prism/", "bd", out);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string dir = DATA + "prism/";
    EXPECT_NE(slurp(out.file("r.txt"))
                  .find("\nState space files: " + dir + "bd.tra, " + dir + "bd.lab, " + dir +
                        "bd1.srew, " + dir + "bd1.trew, " + dir + "bd2.srew, " + dir +
                        "bd2.trew; transition rewards in the rate form: a reward PV's value is "
                        "the state reward + the sum of rate x reward over the state's "
                        "transitions\n"),
              std::string::npos);
    std::string csv = slurp(out.file("r.csv"));
    EXPECT_LT(csv.find(",births,"), csv.find(",cost,"));
    ProgramResult drn = run_dss(DATA + "drn/", "bd", out);
    ASSERT_EQ(drn.status, 0) << drn.err;
    EXPECT_NE(slurp(out.file("r.txt"))
                  .find("\nState space files: " + DATA + "drn/bd.drn; action rewards in the rate "
                        "form: a reward PV's value is the state reward + the sum of the state's "
                        "rates x the action's reward\n"),
              std::string::npos);
    // without rewards on transitions the line names the files only
    ProgramResult plain = run_dss(DATA + "prism/", "mm1k", out);
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(slurp(out.file("r.txt")).find(".srew\n\nVerbosity: "), std::string::npos);
}

TEST(ChainRewards, ARowFormFileMayStartWithSourcesThatHaveNoTransitions)
{
    // 3 (init) -> 0 and 3 -> 1 at rate 1; 0 -> 1 at rate 1, 0 -> 2 at rate 3;
    // the absorbing states 1 and 2 come first, as rows of one word
    TempDir out;
    ProgramResult r = run_dss(DATA + "prism/", "absorb_rows", out);
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, double> m = csv_means(out);
    EXPECT_TRUE(valueAgrees(m["left"], 0.625, 1e-12));
    EXPECT_TRUE(valueAgrees(m["deadlock"], 1.0, 1e-12));
}

TEST(ChainRewards, RandomChainsWithStateAndTransitionRewardsMatchADenseSolve)
{
    std::mt19937 gen(20261209);
    for (int trial = 0; trial < 6; ++trial) {
        RewardedChain c = random_chain(gen);
        const double want = c.long_run_rate();
        TempDir dir;
        write_prism(c, dir, "col", false);
        write_prism(c, dir, "row", true);
        write_drn(c, dir, "act");
        write_pexp(dir, "row", "one");
        for (const char* base : {"col", "row", "act", "one"}) {
            TempDir out;
            ProgramResult r = run_dss(dir.dir(), base, out);
            ASSERT_EQ(r.status, 0) << base << " trial " << trial << ": " << r.err;
            EXPECT_EQ(r.err, "") << base;
            EXPECT_TRUE(valueAgrees(csv_means(out)["gain"], want, 1e-10))
                << base << " trial " << trial << ", " << c.n << " states";
        }
    }
}

TEST(ChainRewards, AStructureWithTransitionRewardsOnlyOrStateRewardsOnlyIsOnePV)
{
    // 0 <-> 1 at rates 1 and 3: pi = (3/4, 1/4)
    TempDir dir;
    dir.write("m.tra", "2 2\n0 1 1\n1 0 3\n");
    // B.trew alone, unnamed: the structure takes the name "reward"
    dir.write("m.trew", "2 1\n1 0 2\n");
    // B1.srew alone
    dir.write("m1.srew", "# Reward structure \"up\"\n2 1\n1 1\n");
    // B2: an empty .trew beside a .srew that names the structure
    dir.write("m2.srew", "# Reward structure \"idle\"\n2 1\n0 1\n");
    dir.write("m2.trew", "2 0\n");
    TempDir out;
    ProgramResult r = run_dss(dir.dir(), "m", out);
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, double> m = csv_means(out);
    EXPECT_EQ(m.size(), 3u);
    EXPECT_TRUE(valueAgrees(m["reward"], 0.25 * 3.0 * 2.0, 1e-12));
    EXPECT_TRUE(valueAgrees(m["up"], 0.25, 1e-12));
    EXPECT_TRUE(valueAgrees(m["idle"], 0.75, 1e-12));
}

TEST(ChainRewards, PartsOfAFileThatAreNotUsedAreNamedOnStandardErrorAndInTheReport)
{
    TempDir dir;
    dir.write("w.tra", "2 2\n0 1 1 arrive\n1 0 3 serve\n");
    dir.write("w.lab", "0=\"init\"\n0: 0\n1: 0\n");
    dir.write("w1.srew", "2 1\n1 1\n");
    dir.write("w3.trew", "2 1\n1 0 1\n");
    dir.write("w12.srew", "2 1\n1 1\n");
    dir.write("p.pexp", "# Transitions (CTMC)\n2 2\n0 1 1\n1 0 3\n# Observations\n0 1\n"
                        "# Reward structure \"none\"\n");
    dir.write("w.pexp", "# Transitions (CTMC)\n2 2\n0 1 1\n1 0 3\n");
    dir.write("d.drn", "@type: CTMC\n@nr_states\n2\n@nr_choices\n2\n@valuations\nx\n@model\n"
                       "state 0 init\naction a {arrive}\n1 : 1\nstate 1 init\naction a {serve}\n"
                       "0 : 3\n");
    const std::string p = dir.dir();
    const std::map<std::string, std::string> warned = {
        {"w", "Warning: " + p + "w.tra: the action names of 2 transition(s) are not used (a chain "
              "needs none).\n"
              "Warning: " + p + "w.pexp is not read: " + p + "w.tra and the files beside it "
              "are.\n"
              "Warning: " + p + "w.lab: 2 states are labelled init; the first, state 0, is the "
              "initial state.\n"
              "Warning: " + p + "w12.srew is not read: there is no " + p + "w2.srew or " + p +
              "w2.trew, where the numbered reward files stop.\n"
              "Warning: " + p + "w3.trew is not read: there is no " + p + "w2.srew or " + p +
              "w2.trew, where the numbered reward files stop.\n"},
        {"p", "Warning: " + p + "p.pexp, line 5: the section \"# Observations\" is not used.\n"
              "Warning: " + p + "p.pexp, line 7: the reward structure \"none\" has neither "
              "state nor transition rewards; it is not a PV.\n"},
        {"d", "Warning: " + p + "d.drn, line 6: the section @valuations is not used.\n"
              "Warning: " + p + "d.drn: 2 states are labelled init; the first, state 0, is the "
              "initial state.\n"
              "Warning: " + p + "d.drn, line 10: \"{arrive}\" after the action is not used (nor "
              "what follows the action on 1 later line(s)).\n"},
    };
    for (const auto& w : warned) {
        TempDir out;
        ProgramResult r = run_dss(dir.dir(), w.first, out);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, w.second);
        EXPECT_NE(slurp(out.file("r.txt")).find(w.second), std::string::npos) << w.first;
    }
}

TEST(ChainRewards, TheFormatMayBeAttachedToF)
{
    TempDir dir, out;
    dir.write("both.tra", "2 2\n0 1 1\n1 0 3\n");
    dir.write("both.drn", "@type: CTMC\n@nr_states\n2\n@model\nstate 0 init\naction a\n1 : 1\n"
                          "state 1 \"up\"\naction a\n0 : 3\n");
    ProgramResult r = run_dss(dir.dir(), "both", out, {"-Fdrn"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(slurp(out.file("r.txt")).find("State space files: " + dir.file("both.drn") + "\n"),
              std::string::npos);
    EXPECT_TRUE(valueAgrees(csv_means(out)["up"], 0.25, 1e-12));
    ProgramResult bad = run_dss(dir.dir(), "both", out, {"-Fcsv"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Unknown state space format \"csv\" after -F: give flat, prism or drn.\n");
}
