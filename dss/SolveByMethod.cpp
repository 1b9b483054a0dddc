// Solving through the method interface (-m ilu, gs, mla, auto), with the default factorisation as
// one of auto's candidates; the report and debug lines come from the attempt records.
#include <cstdio>
#include <ctime>
#include <memory>
#include <new>
#include <string>

#include "dss/AddedMethods.h"
#include "dss/ChainSolver.h"
#include "lu/Matrix.h"
#include "report/MethodLine.h"
#include "methods/Methods.h"
#include "report/CheckLine.h"

bool knownMethod(const std::string& name)
{
    return name == "lu" || name == "gth" || name == "ilu" || name == "gs" || name == "mla" ||
           name == "auto" ||
           addedMethod(name) != nullptr;
}

std::string unknownMethodText(const std::string& name)
{
    std::string names = "lu, gth, ilu, gs, mla";
    for (const std::string& added : addedMethodNames()) names += ", " + added;
    return "unknown method \"" + name + "\" for -m: use " + names + " or auto";
}

namespace {

// The default factorisation behind the method interface, with its retries at smaller drop
// tolerances; their records are folded into the one attempt it returns.
class LuMethod : public SolutionMethod {
public:
    // With a budget, the factorisation gives up once its fill outgrows budget times the chain.
    explicit LuMethod(ChainSolver& s, double budget = 0.0) : solver(s), budget(budget) {}
    const char* name() const override { return "lu"; }
    bool solve(const Generator&, std::vector<double>& pi, SolveAttempt& attempt) override
    {
        const size_t before = solver.record.attempts.size();
        const clock_t start = clock();
        solver.lu.fillBudget = budget;
        struct Reset {
            ChainSolver& s;
            ~Reset() { s.lu.fillBudget = 0.0; }
        } reset{solver};
        try {
            solver.allocateStateArrays();
            solver.solveWithLu();
        } catch (FillBudgetExceeded&) {
            delete[] solver.lu.A;
            solver.lu.A = nullptr;
            solver.record.attempts.resize(before);
            attempt.method = "lu";
            char note[120];
            snprintf(note, sizeof note, "its factors outgrew %g times the chain's entries", budget);
            attempt.note = note;
            attempt.check.failure = "the factorisation gave up";
            attempt.seconds = (double)(clock() - start) / CLOCKS_PER_SEC;
            return false;
        } catch (std::bad_alloc&) {
            delete[] solver.lu.A;
            solver.lu.A = nullptr;
            solver.record.attempts.resize(before);
            attempt.method = "lu";
            attempt.outOfMemory = true;
            attempt.note = "memory ran out";
            attempt.seconds = (double)(clock() - start) / CLOCKS_PER_SEC;
            return false;
        }
        std::vector<SolveAttempt>& all = solver.record.attempts;
        if (all.size() == before) return false;
        attempt = all.back();
        const size_t tries = all.size() - before;
        if (tries > 1) attempt.note = std::to_string(tries) + " factorisations";
        all.resize(before);
        pi.swap(solver.solutionVector);
        return !pi.empty();
    }

private:
    ChainSolver& solver;
    double budget;
};

}  // namespace

// The method line of an attempt, and its check line when it is not the factorisation's (which
// writes its own).
void ChainSolver::methodLines(const SolveAttempt& a, bool withCheck)
{
    note(methodLine(a));
    if (withCheck && !a.gaveUp) note(checkReportLine(a.check, a.forwardError));
}

void ChainSolver::solveWithMethod()
{
    // the factorisation's arrays of every state wait until a factorisation is tried
    lu.release();
    std::vector<double>().swap(rhs);
    // the methods work on the chain in its own unit of time, as the factorisation does
    if (rateUnit != 1.0 && chainUnit != rateUnit) {
        for (double& r : chain.rate) r /= rateUnit;
        for (double& r : chain.exitRate) r /= rateUnit;
        chainUnit = rateUnit;
    }
    MethodSettings settings;
    settings.accuracy = accuracy;
    settings.closedClasses = record.closedClasses;
    settings.transientStates = record.transientStates;
    settings.blocks = &blockLevels;
    settings.lendable = &chain;
    MethodMaker lu = [this, &settings](const std::string& name) -> std::unique_ptr<SolutionMethod> {
        if (name == "lu") return std::make_unique<LuMethod>(*this);
        if (AddedMaker added = addedMethod(name)) return added(settings);
        if (name == "lu-budget" && !budgetedLuTried) return std::make_unique<LuMethod>(*this, autoLuFillBudget);
        return nullptr;
    };
    std::unique_ptr<SolutionMethod> m = makeMethod(method, settings, lu);
    AutoMethod* automatic = method == "auto" ? static_cast<AutoMethod*>(m.get()) : nullptr;
    if (automatic != nullptr) {
        automatic->onChoice = [this](const AutoChoice& c) {
            sayFillGivenUp(shownName(c.order.front()));
            note("Method auto picked " + shownName(c.order.front()) + ": " + c.reason + ".\n");
        };
        automatic->onAttempt = [this](const SolveAttempt& a) {
            methodLines(a, a.method != "lu");
            if (!a.check.passed)
                note("Method " + a.method + " did not pass (" +
                     (a.check.failure[0] != '\0' ? std::string(a.check.failure) : a.note) + ").\n");
        };
    }
    progress(("Begin solution method " + method + ".\n").c_str(), true);
    std::vector<double> pi;
    SolveAttempt attempt;
    bool produced = m->solve(chain, pi, attempt);
    progress(("Finished solution method " + method + ".\n").c_str(), true);
    record.attempts = automatic != nullptr ? automatic->tried() : std::vector<SolveAttempt>{attempt};
    if (automatic == nullptr) methodLines(attempt, false);
    if (produced) {
        solutionVector.swap(pi);
        // normalised and cleared of rounding noise as the factorisation's (which did so itself)
        if (attempt.method != "lu") checkVector(attempt);
    } else {
        solutionVector.assign(chain.n, 0.0);
        attempt.check = SolutionCheck();
        attempt.check.failure = "no method produced a probability vector";
    }
    if (automatic == nullptr || !produced) note(checkReportLine(attempt.check, attempt.forwardError));
    // an iterate the check cannot certify, or one its method would not stand by, goes to gth
    if (automatic == nullptr && method != "gth" && record.closedClasses <= 1 &&
        !(produced && attempt.check.passed && attempt.converged)) {
        std::string why = !produced ? "no vector" : !attempt.check.passed ? attempt.check.failure : "it did not converge";
        if (continueWithGth(attempt.method + ": " + why, autoGthFillBudget)) {
            attempt = record.attempts.back();
            produced = true;
        } else if (produced && attempt.check.passed) {
            attempt.check.passed = false;
            attempt.check.failure = "the method did not converge and gth could not certify another answer";
        }
    }
    if (automatic != nullptr && produced)
        note("Method auto: the answer of " + attempt.method + " after " + std::to_string(record.attempts.size()) +
             (record.attempts.size() == 1 ? " attempt.\n" : " attempts.\n"));
    record.check = attempt.check;
    if (record.closedClasses > 1) {  // every mixture of the classes' vectors is stationary
        record.check.passed = false;
        record.check.failure = "the chain has several closed classes";
    }
}

bool ChainSolver::continueWithGth(const std::string& why, double budget)
{
    note("Solution not certified (" + why + "); continued with gth.\n");
    MethodSettings settings;
    settings.accuracy = accuracy;
    settings.closedClasses = record.closedClasses;
    settings.transientStates = record.transientStates;
    settings.blocks = &blockLevels;
    SolveAttempt a;
    std::vector<double> pi;
    const bool produced = solveWithGth(chain, settings, budget > 0.0, pi, a);
    if (produced) {
        solutionVector.swap(pi);
        checkVector(a);
    } else if (a.check.failure[0] == '\0') {
        a.check.failure = "the elimination gave up";
    }
    record.attempts.push_back(a);
    methodLines(a, true);
    if (!produced || !a.check.passed) return false;
    record.check = a.check;
    return true;
}

void ChainSolver::hintAtFill(int64_t factorEntries)
{
    const double chainEntries = (double)lu.numStates + (double)record.transitions;
    if (fillHinted || method != "lu" || lu.numStates < 2000 || factorEntries < 40.0 * chainEntries) return;
    fillHinted = true;
    fprintf(stderr,
            "dss: the factors have grown to %lld entries, %.0f times the chain's %.0f; -m auto may be much faster\n",
            (long long)factorEntries, factorEntries / chainEntries, chainEntries);
}
