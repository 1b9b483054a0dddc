// Kanban line: markings coded in mixed radix over the cells' card configurations.
#include "tools/models/Kanban.h"

#include <array>

#include "tools/models/FlatWriter.h"

namespace {

enum Place { FREE, MACHINE, BACK, OUT, PLACES };
using Cell = std::array<int, PLACES>;
using Marking = std::array<Cell, 4>;

// The configurations of one cell's cards and their ranks.
struct CellTable {
    int tokens = 0;
    std::vector<Cell> cells;
    std::vector<int> rank;  // by (machine, back, out) in base tokens + 1

    explicit CellTable(int t) : tokens(t), rank((t + 1) * (t + 1) * (t + 1), -1)
    {
        for (int m = 0; m <= t; ++m)
            for (int b = 0; m + b <= t; ++b)
                for (int o = 0; m + b + o <= t; ++o) {
                    rank[key(m, b, o)] = (int)cells.size();
                    cells.push_back({t - m - b - o, m, b, o});
                }
    }
    int key(int m, int b, int o) const { return (m * (tokens + 1) + b) * (tokens + 1) + o; }
    int size() const { return (int)cells.size(); }
    uint32_t encode(const Marking& s) const
    {
        uint32_t code = 0;
        for (int c = 3; c >= 0; --c)
            code = code * (uint32_t)size() + (uint32_t)rank[key(s[c][MACHINE], s[c][BACK], s[c][OUT])];
        return code;
    }
    Marking decode(uint32_t code) const
    {
        Marking s;
        for (int c = 0; c < 4; ++c) {
            s[c] = cells[code % (uint32_t)size()];
            code /= (uint32_t)size();
        }
        return s;
    }
};

struct Move {
    Marking to;
    double rate;
};

// The timed moves out of s, always in the same order.
std::vector<Move> movesFrom(const Marking& s)
{
    std::vector<Move> moves;
    using Token = std::pair<int, Place>;
    auto shift = [&](std::initializer_list<Token> from, std::initializer_list<Token> to, double rate) {
        Marking t = s;
        for (auto [c, p] : from)
            if (t[c][p]-- == 0) return;
        for (auto [c, p] : to) ++t[c][p];
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

KanbanSpace exploreKanban(int tokens)
{
    KanbanSpace space;
    space.tokens = tokens;
    if (tokens < 1 || tokens > kanbanMaxTokens) return space;
    CellTable table(tokens);
    uint64_t all = 1;
    for (int c = 0; c < 4; ++c) all *= (uint64_t)table.size();
    space.number.assign(all, -1);
    Marking start{};
    for (Cell& c : start) c[FREE] = tokens;
    uint32_t first = table.encode(start);
    space.number[first] = 0;
    space.codes.push_back(first);
    for (size_t next = 0; next < space.codes.size(); ++next)
        for (const Move& m : movesFrom(table.decode(space.codes[next]))) {
            uint32_t code = table.encode(m.to);
            if (space.number[code] >= 0) continue;
            space.number[code] = (int32_t)space.codes.size();
            space.codes.push_back(code);
        }
    return space;
}

// Writes the .arm file: every state's moves in order.
static bool writeArm(const KanbanSpace& space, const CellTable& table, const std::string& base,
                     std::string& error)
{
    FlatWriter arm(base + ".arm");
    arm.text("1 ");
    arm.number((long)space.codes.size());
    arm.text("\n");
    for (size_t i = 0; i < space.codes.size(); ++i) {
        arm.number((long)i + 1);
        for (const Move& m : movesFrom(table.decode(space.codes[i]))) {
            arm.text(" ");
            arm.number((long)space.number[table.encode(m.to)] + 1);
            arm.text(" ");
            arm.rate(m.rate);
        }
        arm.text(" 0\n");
    }
    if (arm.close()) return true;
    error = arm.error();
    return false;
}

bool writeKanbanFiles(const KanbanSpace& space, const std::string& base, std::string& error)
{
    CellTable table(space.tokens);
    if (!writeArm(space, table, base, error)) return false;
    FlatWriter var(base + ".var");
    var.text("Done3 Busy0\n");
    for (size_t i = 0; i < space.codes.size(); ++i) {
        Marking s = table.decode(space.codes[i]);
        var.number((long)i + 1);
        var.text(" 0 ");
        var.number(s[3][OUT]);
        var.text(" 0 ");
        var.number(s[0][MACHINE]);
        var.text("\n");
    }
    FlatWriter parm(base + ".parm");
    parm.text("T = ");
    parm.number(space.tokens);
    parm.text("\n");
    for (FlatWriter* f : {&var, &parm})
        if (!f->close()) {
            error = f->error();
            return false;
        }
    return writeSteadyStatePVTypes(base, {"Done3", "Busy0"}, error);
}
