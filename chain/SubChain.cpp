// Cutting closed classes and transient components out of a reducible chain.
#include "chain/SubChain.h"

#include <algorithm>
#include <cstdint>

#include "chain/ClosedClasses.h"
#include "chain/Generator.h"

ClassMembers classMembers(const ClosedClasses& classes)
{
    ClassMembers m;
    const int k = classes.count();
    m.start.assign(k + 1, 0);
    for (int c = 0; c < k; ++c) m.start[c + 1] = m.start[c] + classes.size[c];
    m.states.resize(m.start[k]);
    std::vector<int> next(m.start.begin(), m.start.end() - 1);
    for (int s = 0; s < (int)classes.classOf.size(); ++s)
        if (classes.classOf[s] >= 0) m.states[next[classes.classOf[s]]++] = s;
    return m;
}

ChainModel classChain(const Generator& q, const int* states, int m, std::vector<int>& local)
{
    ChainModel model;
    model.num_states = m;
    for (int k = 0; k < m; ++k) local[states[k]] = k;
    for (int k = 0; k < m; ++k) {
        int s = states[k];
        for (int64_t p = q.start[s]; p < q.start[s + 1]; ++p)
            if (local[q.target[p]] >= 0) model.addEdge(k, local[q.target[p]], q.rate[p]);
    }
    for (int k = 0; k < m; ++k) local[states[k]] = -1;
    return model;
}

std::vector<int> transientOrder(const Generator& q, const ClosedClasses& c, int initial)
{
    std::vector<int> order = {initial};
    std::vector<char> seen(q.n, 0);
    seen[initial] = 1;
    for (size_t h = 0; h < order.size(); ++h) {
        int s = order[h];
        for (int64_t p = q.start[s]; p < q.start[s + 1]; ++p) {
            int t = q.target[p];
            if (q.rate[p] > 0.0 && !seen[t] && c.classOf[t] < 0) {
                seen[t] = 1;
                order.push_back(t);
            }
        }
    }
    // a component reachable from another has the smaller number; the initial state's
    // component reaches every other one
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return c.component[a] > c.component[b]; });
    return order;
}

ChainModel componentChain(const Generator& q, const int* states, int m, const std::vector<double>& entering,
                          std::vector<int>& local)
{
    ChainModel model;
    model.num_states = m + 1;
    for (int k = 0; k < m; ++k) local[states[k]] = k;
    for (int k = 0; k < m; ++k) {
        int s = states[k];
        double away = 0.0;
        for (int64_t p = q.start[s]; p < q.start[s + 1]; ++p) {
            if (!(q.rate[p] > 0.0)) continue;
            if (local[q.target[p]] >= 0)
                model.addEdge(k, local[q.target[p]], q.rate[p]);
            else
                away += q.rate[p];
        }
        if (away > 0.0) model.addEdge(k, m, away);
    }
    for (int k = 0; k < m; ++k) {
        local[states[k]] = -1;
        if (entering[k] > 0.0) model.addEdge(m, k, entering[k]);
    }
    return model;
}
