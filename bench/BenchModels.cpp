// Model list and generation: tandem and random chains through ssgen, the kanban line here.
#include "bench/BenchModels.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>

std::vector<BenchModel> benchModels()
{
    // tandem rates are exact binary fractions; random rates carry ten digits
    return {
        {"tandem_1e4", {"tandem", "99", "99", "1", "1.5", "2"}, 0, false},
        {"tandem_2e4", {"tandem", "140", "140", "1", "1.5", "2"}, 0, false},
        {"random_1e4", {"random", "10000", "4", "11"}, 0, false},
        {"random_2e4", {"random", "20000", "4", "12"}, 0, false},
        {"kanban_2", {}, 2, false},
        {"kanban_3", {}, 3, true},
        {"tandem_1e5", {"tandem", "315", "315", "1", "1.5", "2"}, 0, true},
        {"random_1e5", {"random", "100000", "4", "13"}, 0, true},
        {"tandem_1e6", {"tandem", "999", "999", "1", "1.5", "2"}, 0, true},
    };
}

bool generateModel(const BenchModel& m, const std::string& dir)
{
    std::string base = dir + "/" + m.name;
    if (m.kanbanTokens > 0) return writeKanban(m.kanbanTokens, base);
    std::string cmd = SSGEN_BINARY;
    for (const std::string& a : m.ssgen) cmd += " " + a;
    cmd += " '" + base + "'";
    return system(cmd.c_str()) == 0;
}

namespace {

// Cards of one cell: free (waiting for a part), in the machine, back for rework, done.
enum Place { FREE, MACHINE, BACK, OUT, PLACES };
using Marking = std::array<int, 4 * PLACES>;

struct Move {
    Marking to;
    double rate;
};

int& at(Marking& s, int cell, Place p)
{
    return s[cell * PLACES + p];
}

// The timed moves out of s: each cell works, reworks and finishes; cell 0 takes parts in,
// its output forks to cells 1 and 2, their outputs join into cell 3, which ships.
std::vector<Move> movesFrom(Marking s)
{
    std::vector<Move> moves;
    auto shift = [&](std::initializer_list<std::pair<int, Place>> from,
                     std::initializer_list<std::pair<int, Place>> to, double rate) {
        Marking t = s;
        for (auto [c, p] : from)
            if (at(t, c, p)-- == 0) return;
        for (auto [c, p] : to) ++at(t, c, p);
        moves.push_back({t, rate});
    };
    for (int c = 0; c < 4; ++c) {
        shift({{c, MACHINE}}, {{c, OUT}}, 0.84);
        shift({{c, MACHINE}}, {{c, BACK}}, 0.16);
        shift({{c, BACK}}, {{c, MACHINE}}, 0.3);
    }
    shift({{0, FREE}}, {{0, MACHINE}}, 1.0);
    shift({{0, OUT}, {1, FREE}, {2, FREE}}, {{0, FREE}, {1, MACHINE}, {2, MACHINE}}, 0.4);
    shift({{1, OUT}, {2, OUT}, {3, FREE}}, {{1, FREE}, {2, FREE}, {3, MACHINE}}, 0.5);
    shift({{3, OUT}}, {{3, FREE}}, 0.9);
    return moves;
}

}  // namespace

bool writeKanban(int N, const std::string& base)
{
    Marking start{};
    for (int c = 0; c < 4; ++c) at(start, c, FREE) = N;
    std::map<Marking, long> number{{start, 1}};
    std::deque<Marking> queue{start};
    std::vector<Marking> states;
    while (!queue.empty()) {
        Marking s = queue.front();
        queue.pop_front();
        states.push_back(s);
        for (const Move& m : movesFrom(s))
            if (number.emplace(m.to, (long)number.size() + 1).second) queue.push_back(m.to);
    }
    FILE* arm = fopen((base + ".arm").c_str(), "w");
    FILE* var = fopen((base + ".var").c_str(), "w");
    FILE* pvt = fopen((base + ".pvtype").c_str(), "w");
    FILE* parm = fopen((base + ".parm").c_str(), "w");
    bool ok = arm && var && pvt && parm;
    if (ok) {
        fprintf(arm, "1 %zu\n", states.size());
        fprintf(var, "Done3 Busy0\n");
        for (size_t i = 0; i < states.size(); ++i) {
            fprintf(arm, "%zu", i + 1);
            for (const Move& m : movesFrom(states[i]))
                fprintf(arm, " %ld %.17g", number[m.to], m.rate);
            fprintf(arm, " 0\n");
            Marking s = states[i];
            fprintf(var, "%zu 0 %d 0 %d\n", i + 1, at(s, 3, OUT), at(s, 0, MACHINE));
        }
        fprintf(pvt, "Version:1\nNumPV:2\nName:Done3\nType:3\nNumTimes:0\n"
                     "Name:Busy0\nType:3\nNumTimes:0\n");
        fprintf(parm, "N = %d\n", N);
    }
    for (FILE* f : {arm, var, pvt, parm})
        if (f) ok = fclose(f) == 0 && ok;
    return ok;
}
