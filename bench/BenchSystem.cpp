// Reading, forming and finishing for every engine.
#include "bench/BenchSystem.h"

#include <cstdio>

#include "check/SolutionCheck.h"
#include "statelevel/Flat/FlatStateLevel.h"

Generator readChain(const std::string& base, Figures& f, const Report& report)
{
    const auto t0 = Clock::now();
    FlatStateLevel level(base.c_str());
    Generator q = takeGenerator(level);
    f.read = since(t0);
    f.states = q.n;
    f.transitions = (long)q.transitions();
    report(f);
    return q;
}

bool fixedSystem(const Generator& q, ReducedSystem& s, Figures& f)
{
    const PhaseClock phase(f.structure);
    Ordering o = naturalOrdering(q.n);
    s = reducedSystem(q, o, -1);
    int k = stateToFix(q, o, s);
    if (k < 0) return false;
    fixState(s, k);
    return true;
}

void finishPeer(const Generator& q, std::vector<double>& pi, const std::string& path, Figures& f,
                const Report& report, bool accepted)
{
    {
        const PhaseClock phase(f.check);
        if (!normaliseProbabilities(pi)) return;
        // the program's own check, blocks included: a vector whose states balance but whose
        // blocks hold the wrong masses (a nearly decomposable chain) is not accepted
        const SolutionCheck c = checkSolution(q, pi, 1e-9);
        f.residual = c.residual;
        accepted = accepted && c.passed;
    }
    {
        const PhaseClock phase(f.write);
        FILE* out = fopen(path.c_str(), "wb");
        if (out != nullptr) {
            fwrite(pi.data(), sizeof(double), pi.size(), out);
            fclose(out);
        }
    }
    f.complete = accepted;
    report(f);
}
