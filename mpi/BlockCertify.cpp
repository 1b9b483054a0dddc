// Gathering, the block balance and gth on the first process, the verdict to all.
#include "mpi/BlockCertify.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "chain/BlockBalance.h"
#include "chain/Generator.h"
#include "report/MethodLine.h"
#include "methods/Methods.h"
#include "report/CheckLine.h"

namespace {

// The off-diagonal entries of this process's rows of A: transitions source -> target.
struct Transitions {
    std::vector<int> source, target;
    std::vector<double> rate;
};

PetscErrorCode localTransitions(Mat A, Transitions& t)
{
    PetscInt lo, hi;
    PetscCall(MatGetOwnershipRange(A, &lo, &hi));
    for (PetscInt r = lo; r < hi; ++r) {
        PetscInt count;
        const PetscInt* cols;
        const PetscScalar* vals;
        PetscCall(MatGetRow(A, r, &count, &cols, &vals));
        for (PetscInt k = 0; k < count; ++k)
            if (cols[k] != r && vals[k] > 0.0) {
                t.source.push_back((int)cols[k]);
                t.target.push_back((int)r);
                t.rate.push_back(vals[k]);
            }
        PetscCall(MatRestoreRow(A, r, &count, &cols, &vals));
    }
    return 0;
}

// Every process's transitions on the first one (false on all when they are too many for MPI's
// counts).
bool gatherTransitions(const Transitions& mine, MPI_Comm comm, Transitions& all)
{
    int rank, size;
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &size);
    long long count = (long long)mine.rate.size(), total = 0;
    MPI_Allreduce(&count, &total, 1, MPI_LONG_LONG, MPI_SUM, comm);
    if (total > INT_MAX) return false;
    int own = (int)count;
    std::vector<int> counts(size), offsets(size, 0);
    MPI_Gather(&own, 1, MPI_INT, counts.data(), 1, MPI_INT, 0, comm);
    if (rank == 0) {
        for (int p = 1; p < size; ++p) offsets[p] = offsets[p - 1] + counts[p - 1];
        all.source.resize(total);
        all.target.resize(total);
        all.rate.resize(total);
    }
    MPI_Gatherv(mine.source.data(), own, MPI_INT, all.source.data(), counts.data(), offsets.data(), MPI_INT, 0, comm);
    MPI_Gatherv(mine.target.data(), own, MPI_INT, all.target.data(), counts.data(), offsets.data(), MPI_INT, 0, comm);
    MPI_Gatherv(mine.rate.data(), own, MPI_DOUBLE, all.rate.data(), counts.data(), offsets.data(), MPI_DOUBLE, 0,
                comm);
    return true;
}

// The chain by source state.
Generator generatorOf(int n, const Transitions& t)
{
    Generator q;
    q.n = n;
    q.start.assign((size_t)n + 1, 0);
    for (int s : t.source) ++q.start[s + 1];
    for (int i = 0; i < n; ++i) q.start[i + 1] += q.start[i];
    q.target.resize(t.rate.size());
    q.rate.resize(t.rate.size());
    q.exitRate.assign(n, 0.0);
    std::vector<int64_t> next(q.start.begin(), q.start.end() - 1);
    for (size_t k = 0; k < t.rate.size(); ++k) {
        const int64_t p = next[t.source[k]]++;
        q.target[p] = t.target[k];
        q.rate[p] = t.rate[k];
        q.exitRate[t.source[k]] += t.rate[k];
    }
    return q;
}

// The verdict as the first process sends it to the others.
struct Verdict {
    double figures[8];
    int blocks, passed, replaced;
    char failure[200];
};

// A failure text that outlives the message it came in.
const char* keptFailure(const char* text)
{
    static const char* const known[] = {
        "the solution contains values that are not finite numbers", "the probabilities do not sum to 1",
        "some probabilities are clearly negative", "the residual against the chain is above the bound",
        "the balance of some state is off by more than the bound",
        "the balance of a block of states is off by more than the bound",
        "the probabilities do not sum to a positive number"};
    for (const char* k : known)
        if (std::strcmp(k, text) == 0) return k;
    return text[0] == '\0' ? "" : "the solution could not be certified";
}

// On the first process: the block balance of pi, and gth's answer when pi is not certified.
void certify(const Generator& q, std::vector<double>& pi, double accuracy, SolutionCheck& check, bool& replaced,
             std::vector<std::string>& lines)
{
    BlockLevels levels = findBlockLevels(q);
    if (check.passed) {
        judgeBlocks(check, blockBalance(q, levels, pi));
        if (levels.split()) lines.push_back(checkReportLine(check));
        if (check.passed) return;
    }
    lines.push_back(std::string("Solution not certified (") + check.failure +
                    "); continued with gth on the first process.\n");
    MethodSettings settings;
    settings.accuracy = accuracy;
    SolveAttempt a;
    std::vector<double> answer;
    const bool produced = solveWithGth(q, settings, true, answer, a);
    lines.push_back(methodLine(a));
    if (!produced) return;
    lines.push_back(checkReportLine(a.check, a.forwardError));
    if (!a.check.passed) return;
    clearRoundingNoise(answer, a.check.bound);
    pi.swap(answer);
    check = a.check;
    replaced = true;
}

}  // namespace

PetscErrorCode certifyOnFirst(Mat A, Vec x, double accuracy, SolutionCheck& check, std::vector<std::string>& lines)
{
    MPI_Comm comm = PetscObjectComm((PetscObject)A);
    int rank;
    MPI_Comm_rank(comm, &rank);
    Transitions mine, all;
    PetscCall(localTransitions(A, mine));
    const bool gathered = gatherTransitions(mine, comm, all);
    mine = Transitions();
    VecScatter toFirst;
    Vec whole;
    PetscCall(VecScatterCreateToZero(x, &toFirst, &whole));
    PetscCall(VecScatterBegin(toFirst, x, whole, INSERT_VALUES, SCATTER_FORWARD));
    PetscCall(VecScatterEnd(toFirst, x, whole, INSERT_VALUES, SCATTER_FORWARD));
    Verdict v{};
    if (rank == 0) {
        PetscInt n;
        PetscCall(VecGetSize(x, &n));
        PetscScalar* w;
        PetscCall(VecGetArray(whole, &w));
        std::vector<double> pi(w, w + n);
        bool replaced = false;
        if (gathered) {
            Generator q = generatorOf((int)n, all);
            all = Transitions();
            certify(q, pi, accuracy, check, replaced, lines);
        } else if (check.passed) {
            check.passed = false;
            check.failure = "the solution could not be certified";
            lines.push_back("The chain has too many transitions to gather its blocks on the first process.\n");
        }
        if (replaced) std::copy(pi.begin(), pi.end(), w);
        PetscCall(VecRestoreArray(whole, &w));
        const double figures[8] = {check.residual, check.imbalance, check.bound, check.sum,
                                   check.mostNegative, check.blockImbalance, check.coupling, 0.0};
        std::copy(figures, figures + 8, v.figures);
        v.blocks = check.blocks;
        v.passed = check.passed;
        v.replaced = replaced;
        snprintf(v.failure, sizeof v.failure, "%s", check.failure);
    }
    MPI_Bcast(&v, (int)sizeof v, MPI_BYTE, 0, comm);
    if (v.replaced) {
        PetscCall(VecScatterBegin(toFirst, whole, x, INSERT_VALUES, SCATTER_REVERSE));
        PetscCall(VecScatterEnd(toFirst, whole, x, INSERT_VALUES, SCATTER_REVERSE));
    }
    PetscCall(VecScatterDestroy(&toFirst));
    PetscCall(VecDestroy(&whole));
    check.residual = v.figures[0];
    check.imbalance = v.figures[1];
    check.bound = v.figures[2];
    check.sum = v.figures[3];
    check.mostNegative = v.figures[4];
    check.blockImbalance = v.figures[5];
    check.coupling = v.figures[6];
    check.blocks = v.blocks;
    check.passed = v.passed != 0;
    check.failure = check.passed ? "" : keptFailure(v.failure);
    return 0;
}
