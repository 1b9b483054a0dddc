// The choice and the fallbacks.
#include "methods/AutoMethod.h"

#include <cmath>
#include <cstdio>

#include "chain/ClosedClasses.h"
#include "chain/Generator.h"
#include "methods/Ordering.h"

std::string shownName(const std::string& name)
{
    if (name == "lu-budget") return "lu";
    if (name == "gth-budget") return "gth";
    return name;
}

AutoChoice chooseMethods(const Generator& q, int closedClasses, bool multilevel)
{
    AutoChoice c;
    c.chainEntries = (int64_t)q.n + q.transitions();
    if (closedClasses < 0) closedClasses = findClosedClasses(q).count();
    if (closedClasses != 1) {
        c.order = {"lu"};
        c.reason = "the chain has more than one closed class";
        return c;
    }
    if (q.n <= 1000) {
        c.order = {"gth", "ilu", "gs"};
        c.reason = "a small chain";
        return c;
    }
    c.envelope = envelopeSize(q, naturalOrdering(q.n));
    const double ratio = (double)c.envelope / (double)c.chainEntries;
    char text[240];
    if (ratio <= autoFillBudget) {
        c.order = {"gth", "ilu", "gs"};
        snprintf(text, sizeof text, "little fill: the factors stay within %lld entries, %.3g times the chain's",
                 (long long)c.envelope, ratio);
    } else if (ratio > autoWideEnvelope || (double)c.envelope > autoDenseShare * (double)q.n * q.n) {
        c.order = {"gs", "ilu", "gth-budget"};
        snprintf(text, sizeof text,
                 "the factors could fill up to %lld entries, %.3g times the chain's and %.2g of a dense matrix: "
                 "far too many for lu, so iterations that keep its pattern",
                 (long long)c.envelope, ratio, (double)c.envelope / ((double)q.n * q.n));
    } else if (multilevel) {
        c.order = {"mla", "lu-budget", "gs", "ilu", "gth"};
        snprintf(text, sizeof text,
                 "the factors could fill up to %lld entries, %.3g times the chain's: multilevel aggregation "
                 "goes first, then lu, which gives up past %g times, then iterations that keep its pattern",
                 (long long)c.envelope, ratio, autoLuFillBudget);
    } else {
        c.order = {"lu-budget", "gs", "ilu", "gth"};
        snprintf(text, sizeof text,
                 "the factors could fill up to %lld entries, %.3g times the chain's: lu goes first but gives up "
                 "past %g times, then iterations that keep its pattern",
                 (long long)c.envelope, ratio, autoLuFillBudget);
    }
    c.reason = text;
    return c;
}

bool AutoMethod::solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt)
{
    chosen = chooseMethods(q, settings.closedClasses, settings.multilevel);
    const AutoChoice& choice = chosen;
    if (onChoice) onChoice(choice);
    attempts.clear();
    bool produced = false;
    std::vector<double> candidate;
    for (const std::string& name : choice.order) {
        std::unique_ptr<SolutionMethod> m = make(name == "gs" || name == "mla" ? name + "-budget" : name);
        if (!m) continue;
        SolveAttempt a;
        bool ok = m->solve(q, candidate, a);
        a.method = shownName(name);
        a.gaveUp = !ok;
        attempts.push_back(a);
        if (onAttempt) onAttempt(a);
        // keep the first vector, or a later one that passes
        if (ok && (!produced || a.check.passed)) {
            pi.swap(candidate);
            attempt = a;
            produced = true;
        }
        // an iteration short of its own target can pass the check and still be far off on a
        // nearly decomposable chain: the next method gets to try
        const bool iterative = name == "gs" || name == "ilu" || name == "mla";
        if (ok && a.check.passed && (a.converged || !iterative)) break;
    }
    std::string first = choice.order.empty() ? std::string("nothing") : shownName(choice.order[0]);
    std::string said = "auto picked " + first + " (" + choice.reason + ")";
    if (produced && attempt.method != first) said += "; fell back to " + attempt.method;
    attempt.note = attempt.note.empty() ? said : said + "; " + attempt.note;
    return produced;
}
