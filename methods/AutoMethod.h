// Method "auto": a cheap look at the chain's structure picks the method to try first, the
// others follow when one fails the solution check or stalls.
#ifndef VELMAR_DSS_AUTOMETHOD_H
#define VELMAR_DSS_AUTOMETHOD_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "methods/SolutionMethod.h"
#include "methods/MethodSettings.h"

struct Generator;

// Creates the method of that name, or nullptr.
using MethodMaker = std::function<std::unique_ptr<SolutionMethod>(const std::string&)>;

// What the look found, and the order of methods it leads to.
struct AutoChoice {
    std::vector<std::string> order;
    std::string reason;
    int64_t envelope = 0;   // entries the factors of lu could fill at most, in the states' order
    int64_t chainEntries = 0;  // states + transitions
};

// The factors of lu may fill at most this many times the chain's entries for lu to go first.
const double autoFillBudget = 40.0;
// Beyond that, lu still goes first but gives up once its fill comes at a rate that would make
// this many times the chain's entries in all: dropping keeps many such chains sparse.
const double autoLuFillBudget = 40.0;

// Past this many times the chain's entries the envelope is so wide that dropping rarely keeps
// the factors sparse (chains with concurrency, random chains): gs, then ilu, then lu without
// a budget (a budgeted lu that does not give up early can take many times ilu's time).
const double autoWideEnvelope = 1000.0;
// Nor when the envelope covers more than this share of a dense matrix: the states' order then
// has no locality for the factorisation to keep (the kanban line, random chains), unlike the
// narrow band of queues in tandem (0.4 % of it at 10^6 states).
const double autoDenseShare = 0.1;

// gth, without dropping, gives up once its factors hold this many times the chain's entries,
// or are on their way there at the rate of their fill so far.
const double autoGthFillBudget = 40.0;

// A method's name as the report shows it: lu within its fill budget is lu.
std::string shownName(const std::string& name);
// Sweeps gs may take under auto before it gives way to ilu (it gives up early when its rate
// of convergence says it will not make it).
const int autoSweepBudget = 400;
// Cycles mla may take under auto before it gives way to lu (queues in tandem take about 70
// at every size; it gives up early when the cycles stop gaining).
const int autoCycleBudget = 120;

// Picks the order. gth goes first when the chain is small or when the factors in the states'
// own order cannot grow past the budget (its fill-reducing order does better still), then
// ilu and gs. When the envelope is wide, multilevel aggregation goes first (on queues in
// tandem its cycles stay as few at 10^6 states as at 10^4), with a budget of cycles, then lu
// with a fill budget (its dropping keeps the factors of a band far sparser than gth's: 18 s
// against 43 s on the 10^6-state tandem), then gs (with a budget of sweeps), ilu, and gth
// for what none of them could certify; when
// it is very wide, gs, ilu and gth within its budget. lu alone serves chains with several
// closed classes.
// Without multilevel, mla is left out of the order.
AutoChoice chooseMethods(const Generator& q, int closedClasses = -1, bool multilevel = true);

class AutoMethod : public SolutionMethod {
public:
    AutoMethod(const MethodSettings& s, MethodMaker m) : settings(s), make(std::move(m)) {}
    const char* name() const override { return "auto"; }
    // attempt becomes the attempt whose vector is returned, its note saying what auto
    // picked and why; tried() lists every attempt in order.
    bool solve(const Generator& q, std::vector<double>& pi, SolveAttempt& attempt) override;
    const std::vector<SolveAttempt>& tried() const { return attempts; }
    const AutoChoice& choice() const { return chosen; }
    // Told the choice before the first method runs, and each attempt when it is done (the
    // driver writes them to the report as they happen).
    std::function<void(const AutoChoice&)> onChoice;
    std::function<void(const SolveAttempt&)> onAttempt;

private:
    AutoChoice chosen;
    MethodSettings settings;
    MethodMaker make;
    std::vector<SolveAttempt> attempts;
};

#endif
