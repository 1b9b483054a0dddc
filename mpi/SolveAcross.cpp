// The rows sent out, the Krylov solves, and the first process's verdict after each.
#include "mpi/SolveAcross.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numeric>
#include <string>

#include "chain/Generator.h"
#include "check/SolutionCheck.h"
#include "mpi/DistributedChain.h"
#include "mpi/KrylovSolve.h"

namespace {

const int tagStart = 12, tagDest = 13, tagRate = 14;
const int64_t piece = 1 << 26;  // elements of one message: MPI counts are ints

template <class T>
void sendAll(const T* data, int64_t count, MPI_Datatype type, int to, int tag, MPI_Comm comm)
{
    for (int64_t at = 0; at < count; at += piece)
        MPI_Send(data + at, (int)std::min(piece, count - at), type, to, tag, comm);
}

template <class T>
void receiveAll(T* data, int64_t count, MPI_Datatype type, int tag, MPI_Comm comm)
{
    for (int64_t at = 0; at < count; at += piece)
        MPI_Recv(data + at, (int)std::min(piece, count - at), type, 0, tag, comm, MPI_STATUS_IGNORE);
}

// The first state of each process's rows, and n at the end: shares of about equal states
// plus transitions.
std::vector<int> rowCuts(const Generator& q, int processes)
{
    std::vector<int> cut((size_t)processes + 1, q.n);
    cut[0] = 0;
    const double total = (double)q.n + (double)q.transitions();
    int i = 0;
    for (int r = 1; r < processes; ++r) {
        const double goal = total * r / processes;
        while (i < q.n && (double)i + (double)q.start[(size_t)i] < goal) ++i;
        cut[(size_t)r] = i;
    }
    return cut;
}

// This process's rows, sent by the first process from q (collective).
RowShare shareRows(MPI_Comm comm, const Generator* q)
{
    int rank, size;
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &size);
    std::vector<int> cut((size_t)size + 1, 0);
    int n = 0;
    if (rank == 0) {
        cut = rowCuts(*q, size);
        n = q->n;
    }
    MPI_Bcast(&n, 1, MPI_INT, 0, comm);
    MPI_Bcast(cut.data(), size + 1, MPI_INT, 0, comm);
    RowShare s;
    s.numStates = n;
    s.first = cut[(size_t)rank];
    s.count = cut[(size_t)rank + 1] - s.first;
    if (rank != 0) {
        s.start.resize((size_t)s.count + 1);
        receiveAll(s.start.data(), s.count + 1, MPI_INT64_T, tagStart, comm);
        const int64_t entries = s.start.back();
        s.dest.resize((size_t)entries);
        s.rate.resize((size_t)entries);
        receiveAll(s.dest.data(), entries, MPI_INT, tagDest, comm);
        receiveAll(s.rate.data(), entries, MPI_DOUBLE, tagRate, comm);
        return s;
    }
    for (int r = 0; r < size; ++r) {
        const int64_t from = q->start[(size_t)cut[(size_t)r]];
        const int64_t to = q->start[(size_t)cut[(size_t)r + 1]];
        std::vector<int64_t> start(q->start.begin() + cut[(size_t)r], q->start.begin() + cut[(size_t)r + 1] + 1);
        for (int64_t& p : start) p -= from;
        if (r == 0) {
            s.start.swap(start);
            s.dest.assign(q->target.begin(), q->target.begin() + to);
            s.rate.assign(q->rate.begin(), q->rate.begin() + to);
            continue;
        }
        sendAll(start.data(), (int64_t)start.size(), MPI_INT64_T, r, tagStart, comm);
        sendAll(q->target.data() + from, to - from, MPI_INT, r, tagDest, comm);
        sendAll(q->rate.data() + from, to - from, MPI_DOUBLE, r, tagRate, comm);
    }
    return s;
}

// A PETSc failure on any process, as a code every process returns (the first one's own
// where it failed too).
PetscErrorCode agreed(MPI_Comm comm, PetscErrorCode mine)
{
    int code = (int)mine, worst = 0;
    MPI_Allreduce(&code, &worst, 1, MPI_INT, MPI_MAX, comm);
    return mine != 0 ? mine : (PetscErrorCode)worst;
}

// What the first process tells every process before a solve.
struct Step {
    int stop = 0;
    int sendsGuess = 0;  // the start vector comes from the first process
    KrylovStart start;
};

// The first process's side: the verdict on each vector and the start of the next solve. A
// vector that fails its check is solved again with a relative tolerance a thousand times
// smaller, three times at most.
class Plan {
public:
    Plan(FirstProcessPart& part, int absorbing, int processes) : part(part), processes(processes)
    {
        step.start.rtol = 1e-4 * residualBound(part.accuracy);  // the imbalance is judged state by state
        // an absorbing state's equation is replaced (its diagonal is zero, and it is recurrent)
        step.start.row = absorbing >= 0 ? absorbing : 0;
    }

    Step step;
    std::vector<double> guess;  // the start vector, when the step sends one

    // Judges the vector x of a solve; the step is then the next solve's, or the stop.
    void judge(std::vector<double>& x, const KrylovOutcome& k)
    {
        ++solves;
        part.attempt->iterations += (int)k.iterations;
        describe(k);
        if (step.start.homogeneous && std::accumulate(x.begin(), x.end(), 0.0) < 0.0)
            for (double& v : x) v = -v;  // a solution of A x = 0 has no sign of its own
        const bool normalised = normaliseProbabilities(x);
        SolutionCheck c = checkSolution(*part.q, x, part.accuracy, part.blocks);
        if (!normalised) {
            c.passed = false;
            c.failure = "the probabilities do not sum to a positive number";
        } else if (!c.passed) {
            withoutDust(x, c);
        }
        part.pi->assign(x.begin(), x.end());
        part.attempt->check = c;
        part.attempt->converged = c.passed;
        if (c.passed || solves == 4) {
            step.stop = 1;
            return;
        }
        step.start.rtol /= 1000.0;
        nextStart(x, normalised && k.reason > 0);
    }

private:
    // Entries within 64 roundings of zero relative to the largest, left by the iteration in
    // states without flow, fail the imbalance test there: the vector without them is checked
    // instead, and kept when it passes. It moves no probability by more than 1.5e-14.
    void withoutDust(std::vector<double>& x, SolutionCheck& c)
    {
        double largest = 0.0;
        for (double v : x) largest = std::max(largest, std::fabs(v));
        std::vector<double> y(x);
        for (double& v : y)
            if (std::fabs(v) < 64.0 * DBL_EPSILON * largest) v = 0.0;
        if (!normaliseProbabilities(y)) return;
        SolutionCheck again = checkSolution(*part.q, y, part.accuracy, part.blocks);
        if (!again.passed) return;
        x.swap(y);
        c = again;
    }

    // From the converged vector scaled to its largest entry, whose state keeps the system's
    // scale where the probabilities are; after a breakdown, from zero with GMRES(100) and the
    // last state's equation replaced (the replaced one may have been a state of probability
    // 0), then from ones on the balance equations alone.
    void nextStart(const std::vector<double>& x, bool converged)
    {
        KrylovStart& s = step.start;
        const size_t at = x.empty() ? 0 : (size_t)(std::max_element(x.begin(), x.end()) - x.begin());
        const double largest = x.empty() ? 0.0 : x[at];
        s.fromGuess = converged && largest > 0.0 && std::isfinite(1.0 / largest);
        if (s.fromGuess) {
            s.row = (PetscInt)at;
            guess.resize(x.size());
            for (size_t i = 0; i < x.size(); ++i) guess[i] = x[i] / largest;
        } else {
            s.restartedGmres = true;
            const PetscInt last = (PetscInt)x.size() - 1;
            if (s.row != last) {
                s.row = last;
            } else {
                s.homogeneous = true;
                s.fromGuess = true;
                guess.assign(x.size(), 1.0);
            }
        }
        step.sendsGuess = s.fromGuess ? 1 : 0;
    }

    void describe(const KrylovOutcome& k)
    {
        char text[300];
        const KrylovStart& s = step.start;
        std::string from = s.homogeneous ? "on the balance equations alone" : "with unit row " + std::to_string((long)s.row + 1);
        snprintf(text, sizeof text, "KSP %s on %d process%s, %d solve%s, %s%s to relative tolerance %.1e (reason %d)",
                 k.method.c_str(), processes, processes == 1 ? "" : "es", solves, solves == 1 ? "" : "s",
                 solves == 1 ? "" : "the last ", from.c_str(), s.rtol, (int)k.reason);
        part.attempt->note = text;
    }

    FirstProcessPart& part;
    int processes;
    int solves = 0;
};

// The solves on the built chain (collective).
PetscErrorCode solveChain(MPI_Comm comm, DistributedChain& chain, FirstProcessPart* first, Vec x, VecScatter toFirst,
                          Vec whole)
{
    int processes;
    MPI_Comm_size(comm, &processes);
    std::unique_ptr<Plan> plan;
    if (first != nullptr) plan = std::make_unique<Plan>(*first, chain.absorbing, processes);
    for (;;) {
        Step step;
        if (plan) step = plan->step;
        MPI_Bcast(&step, (int)sizeof step, MPI_BYTE, 0, comm);
        if (step.stop) return 0;
        if (step.sendsGuess) {
            if (plan) {
                PetscScalar* w;
                PetscCall(VecGetArray(whole, &w));
                std::copy(plan->guess.begin(), plan->guess.end(), w);
                PetscCall(VecRestoreArray(whole, &w));
            }
            PetscCall(VecScatterBegin(toFirst, whole, x, INSERT_VALUES, SCATTER_REVERSE));
            PetscCall(VecScatterEnd(toFirst, whole, x, INSERT_VALUES, SCATTER_REVERSE));
        }
        KrylovOutcome k;
        const std::vector<double>* flows = chain.flowScale.empty() ? nullptr : &chain.flowScale;
        PetscErrorCode solved = agreed(comm, solveBalance(chain.A, step.start, x, k, flows));
        if (solved != 0) return solved;
        PetscCall(VecScatterBegin(toFirst, x, whole, INSERT_VALUES, SCATTER_FORWARD));
        PetscCall(VecScatterEnd(toFirst, x, whole, INSERT_VALUES, SCATTER_FORWARD));
        if (plan) {
            PetscInt n;
            const PetscScalar* w;
            PetscCall(VecGetSize(whole, &n));
            PetscCall(VecGetArrayRead(whole, &w));
            std::vector<double> pi(w, w + n);
            PetscCall(VecRestoreArrayRead(whole, &w));
            plan->judge(pi, k);
        }
    }
}

}  // namespace

PetscErrorCode solveAcross(MPI_Comm comm, FirstProcessPart* first)
{
    DistributedChain chain;
    {
        RowShare share = shareRows(comm, first != nullptr ? first->q : nullptr);
        PetscErrorCode built = agreed(comm, buildChain(share, comm, chain));
        if (built != 0) return built;
    }
    Vec x = nullptr, whole = nullptr;
    VecScatter toFirst = nullptr;
    PetscErrorCode made = MatCreateVecs(chain.A, &x, nullptr);
    if (made == 0) made = VecScatterCreateToZero(x, &toFirst, &whole);
    PetscErrorCode code = agreed(comm, made);
    if (code == 0) code = agreed(comm, solveChain(comm, chain, first, x, toFirst, whole));
    if (toFirst) VecScatterDestroy(&toFirst);
    if (whole) VecDestroy(&whole);
    if (x) VecDestroy(&x);
    return code;
}
