// The closed class cut out, solved, and put back among zeros.
#include "methods/ClosedClassOnly.h"

#include "chain/ClosedClasses.h"
#include "check/SolutionCheck.h"
#include "methods/Finish.h"

Generator subGenerator(const Generator& q, const std::vector<int>& states, const std::vector<int>& local)
{
    Generator g;
    g.n = (int)states.size();
    g.start.assign(1, 0);
    for (int a = 0; a < g.n; ++a) {
        const int i = states[a];
        double exit = 0.0;
        for (int64_t p = q.start[i]; p < q.start[i + 1]; ++p) {
            const int j = local[q.target[p]];
            if (j < 0) continue;
            g.target.push_back(j);
            g.rate.push_back(q.rate[p]);
            exit += q.rate[p];
        }
        g.start.push_back((int64_t)g.target.size());
        g.exitRate.push_back(exit);
    }
    return g;
}

bool ClosedClassOnly::solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt)
{
    if (settings.closedClasses == 1 && settings.transientStates == 0) return inner->solve(q, pi, attempt);
    std::vector<int> states, local;
    {
        ClosedClasses classes = findClosedClasses(q);
        if (classes.count() != 1 || classes.transient == 0) return inner->solve(q, pi, attempt);
        local.assign(q.n, -1);
        for (int i = 0; i < q.n; ++i)
            if (classes.classOf[i] == 0) {
                local[i] = (int)states.size();
                states.push_back(i);
            }
    }
    std::vector<double> own;
    bool produced = true;
    if (states.size() == 1) {  // an absorbing state: nothing to iterate on
        own.assign(1, 1.0);
        attempt.method = inner->name();
        attempt.ordering = "none";
        attempt.converged = true;
    } else {
        Generator g = subGenerator(q, states, local);
        produced = inner->solve(g, own, attempt);
    }
    if (!produced) return false;
    pi.assign(q.n, 0.0);
    for (size_t k = 0; k < states.size(); ++k) pi[states[k]] = own[k];
    checkAttempt(q, pi, settings, attempt);
    if (attempt.note.empty()) attempt.note = "the closed class alone";
    return true;
}
