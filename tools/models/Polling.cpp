// Polling system: states are (queue lengths, server position, walking or serving).
#include "tools/models/Polling.h"

#include <vector>

#include "tools/models/FlatWriter.h"

namespace {

struct PollingState {
    std::vector<int> length;
    int at = 0;           // the queue served, or walked to
    bool serving = false; // serving requires a customer at `at`
};

// Dense numbering over every (lengths, position, mode) combination; -1 where invalid.
struct PollingSpace {
    const PollingModel& m;
    long lengths = 1;  // (capacity + 1)^queues
    std::vector<int> number;
    long states = 0;

    explicit PollingSpace(const PollingModel& model) : m(model)
    {
        for (int q = 0; q < m.queues; ++q) lengths *= m.capacity + 1;
        number.assign((size_t)lengths * m.queues * 2, -1);
        for (long code = 0; code < (long)number.size(); ++code)
            if (valid(decode(code))) number[code] = (int)states++;
    }
    long encode(const PollingState& s) const
    {
        long c = 0;
        for (int q = m.queues - 1; q >= 0; --q) c = c * (m.capacity + 1) + s.length[q];
        return (c * m.queues + s.at) * 2 + (s.serving ? 1 : 0);
    }
    PollingState decode(long code) const
    {
        PollingState s;
        s.serving = code % 2 == 1;
        code /= 2;
        s.at = (int)(code % m.queues);
        code /= m.queues;
        for (int q = 0; q < m.queues; ++q, code /= m.capacity + 1)
            s.length.push_back((int)(code % (m.capacity + 1)));
        return s;
    }
    bool valid(const PollingState& s) const { return !s.serving || s.length[s.at] > 0; }
};

// Calls f(target, rate) for every move out of s.
template <class F> void movesFrom(const PollingModel& m, const PollingState& s, F f)
{
    for (int q = 0; q < m.queues; ++q)
        if (s.length[q] < m.capacity) {
            PollingState t = s;
            ++t.length[q];
            f(t, m.arrival);
        }
    PollingState t = s;
    if (s.serving) {
        if (--t.length[s.at] == 0) t = {t.length, (s.at + 1) % m.queues, false};
        f(t, m.service);
        return;
    }
    if (s.length[s.at] > 0)
        t.serving = true;
    else
        t.at = (s.at + 1) % m.queues;
    f(t, m.walk);
}

}  // namespace

long pollingStates(const PollingModel& m)
{
    double all = 2.0 * m.queues;
    for (int q = 0; q < m.queues; ++q) all *= m.capacity + 1;
    if (m.queues < 1 || m.capacity < 1 || all > 2147483647.0) return -1;
    return PollingSpace(m).states;
}

bool writePollingFiles(const PollingModel& m, const std::string& base, std::string& error)
{
    PollingSpace space(m);
    FlatWriter arm(base + ".arm"), var(base + ".var"), parm(base + ".parm");
    arm.text("1 ");
    arm.number(space.states);
    arm.text("\n");
    var.text("Queue1 Walking\n");
    for (long code = 0; code < (long)space.number.size(); ++code) {
        if (space.number[code] < 0) continue;
        PollingState s = space.decode(code);
        long id = space.number[code] + 1L;
        arm.number(id);
        movesFrom(m, s, [&](const PollingState& t, double rate) {
            arm.text(" ");
            arm.number(space.number[space.encode(t)] + 1L);
            arm.text(" ");
            arm.rate(rate);
        });
        arm.text(" 0\n");
        var.number(id);
        var.text(" 0 ");
        var.number(s.length[0]);
        var.text(s.serving ? " 0 0\n" : " 0 1\n");
    }
    parm.text(("queues = " + std::to_string(m.queues) + "\ncapacity = " +
               std::to_string(m.capacity) + "\narrival = " + shortestText(m.arrival) +
               "\nservice = " + shortestText(m.service) + "\nwalk = " + shortestText(m.walk) + "\n")
                  .c_str());
    for (FlatWriter* f : {&arm, &var, &parm})
        if (!f->close()) {
            error = f->error();
            return false;
        }
    return writeSteadyStatePVTypes(base, {"Queue1", "Walking"}, error);
}
