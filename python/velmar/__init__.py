"""velmar: steady-state solutions of continuous-time Markov chains, from Python.

The same solver as the program dss, for chains held in memory or read from disk:

    solve(Q, method="auto", accuracy=1e-9, tolerance=1e-3, initial=None)
        The stationary (long-run) distribution of the chain whose off-diagonal rates are
        Q[i, j]: a scipy.sparse matrix of any format or a dense numpy array. Returns a
        Solution: .pi, .valid, .record and the record's figures as attributes.
    read(path, format=None)
        A model on disk (flat files, a PRISM export, a DRN file) as a Chain: .Q, .pvs,
        .labels, .initial.
    evaluate(chain, pi)
        Mean, variance and distribution of every PV of a chain (or of a dict of PVs).
    solve_model(path, **options)
        Reads, solves and evaluates a model on disk as dss does, writing no file.
    CheckFailed
        Raised when a vector fails its check against the chain; carries the solution.

Bad input (a matrix that is not square, a negative or NaN rate, a malformed file, an unknown
method) raises ValueError with the program's message. The solve releases the GIL, and Ctrl-C
stops it with KeyboardInterrupt. See doc/python.md for a worked example.
"""

import numbers

import numpy as np

from . import _core

__all__ = ["solve", "read", "evaluate", "solve_model", "Solution", "Chain", "Evaluation",
           "CheckFailed"]

METHODS = ("auto", "lu", "gth", "ilu", "gs", "mla")


class CheckFailed(ArithmeticError):
    """The vector failed its check against the chain.

    .solution is the Solution (its .pi is the vector that failed, .record says why) and .record
    its record as a dict.
    """

    def __init__(self, message, solution):
        super().__init__(message)
        self.solution = solution
        self.record = solution.record


class Solution:
    """The result of a solve.

    pi      numpy array of the long-run probabilities, one per state (the solver's own buffer)
    valid   True when pi passed its check against the chain
    record  dict of what the solve did: method, attempts (each with its figures and check),
            iterations, factor_entries, check, closed_classes, transient_states, seconds (the
            phases' times), figures (as the program's JSON results file names them)
    pvs     for solve_model: an Evaluation of the model's PVs, else None

    The record's entries are attributes too (solution.method, solution.check, ...), and
    as_dict() gives pi and the record in one dict.
    """

    def __init__(self, pi, record, pvs=None):
        self.pi = pi
        self.record = record
        self.pvs = pvs

    @property
    def valid(self):
        return bool(self.record["valid"])

    def __getattr__(self, name):
        record = self.__dict__.get("record")
        if record is not None and name in record:
            return record[name]
        raise AttributeError(name)

    def __dir__(self):
        return sorted(set(super().__dir__()) | set(self.record))

    def as_dict(self):
        """pi and the record's entries (and the PVs' results, if any) as one dict."""
        d = dict(self.record)
        d["pi"] = self.pi
        if self.pvs is not None:
            d["pvs"] = self.pvs.as_dict()
        return d

    def __repr__(self):
        return "<velmar.Solution: %d states, method %s, %s>" % (
            len(self.pi), self.record["method"] or "none", "valid" if self.valid else "NOT valid")


class Chain:
    """A chain read from disk.

    Q        scipy.sparse.csr_matrix of the off-diagonal rates as the program reads them
             (repeated transitions summed, self-loops left out, diagonal empty)
    pvs      dict: PV name -> numpy array of its value in each state, for the PVs the program
             evaluates in steady state
    labels   dict: label name -> numpy array of the states that carry it (PRISM and DRN)
    initial  the initial state
    format   "flat", "prism" or "drn"; files: the files read; warnings: about their content
    """

    def __init__(self, Q, pvs, labels, initial, fmt, files, warnings):
        self.Q = Q
        self.pvs = pvs
        self.labels = labels
        self.initial = initial
        self.format = fmt
        self.files = files
        self.warnings = warnings

    @property
    def states(self):
        return self.Q.shape[0]

    def __repr__(self):
        return "<velmar.Chain: %d states, %d transitions, %d PVs, %s>" % (
            self.Q.shape[0], self.Q.nnz, len(self.pvs), self.format)


class Evaluation:
    """Mean, variance and distribution of each PV.

    evaluation[name] is a dict with "mean", "variance", "values" and "probabilities" (the
    distinct values in ascending order and P(X = value)). as_dict() gives all of them;
    records() a list of {"pv", "mean", "variance"} rows and distribution_records() a list of
    {"pv", "value", "probability"} rows, ready for pandas.DataFrame.
    """

    def __init__(self, results):
        self._results = results

    def __getitem__(self, name):
        return self._results[name]

    def __iter__(self):
        return iter(self._results)

    def __len__(self):
        return len(self._results)

    def as_dict(self):
        return dict(self._results)

    def records(self):
        return [{"pv": name, "mean": r["mean"], "variance": r["variance"]}
                for name, r in self._results.items()]

    def distribution_records(self):
        return [{"pv": name, "value": float(x), "probability": float(p)}
                for name, r in self._results.items()
                for x, p in zip(r["values"], r["probabilities"])]

    def __repr__(self):
        return "<velmar.Evaluation of %s>" % ", ".join(self._results) if self._results else \
            "<velmar.Evaluation of no PV>"


def _pv_entry(mean, variance, x, p):
    return {"mean": mean, "variance": variance, "values": x, "probabilities": p}


def _csr_parts(Q):
    """(n, indptr, indices, data) of Q in compressed rows, without a copy when Q is a float64
    CSR matrix already."""
    if isinstance(Q, np.ndarray) or not hasattr(Q, "tocsr"):
        A = np.asarray(Q)
        if A.dtype == object or np.iscomplexobj(A):
            raise ValueError("Q must hold real numbers, not %s" % A.dtype)
        if A.ndim != 2:
            raise ValueError("Q must be a square matrix: it has %d dimension%s" % (
                A.ndim, "" if A.ndim == 1 else "s"))
        _check_square(A.shape)
        import scipy.sparse
        A = np.ascontiguousarray(A, dtype=np.float64)
        Q = scipy.sparse.csr_matrix(A)
    else:
        _check_square(Q.shape)
        if np.iscomplexobj(Q.dtype.type(0)):
            raise ValueError("Q must hold real numbers, not %s" % Q.dtype)
        Q = Q.tocsr()
    data = Q.data if Q.data.dtype == np.float64 else Q.data.astype(np.float64)
    return Q.shape[0], _contiguous(Q.indptr), _contiguous(Q.indices), _contiguous(data)


def _contiguous(a):
    return a if a.flags.c_contiguous else np.ascontiguousarray(a)


def _check_square(shape):
    if len(shape) != 2 or shape[0] != shape[1]:
        raise ValueError("Q must be a square matrix: it has shape %s" % (tuple(shape),))
    if shape[0] == 0:
        raise ValueError("Q has no states: the chain must have at least one")
    if shape[0] >= 2**31 - 1:
        raise ValueError("Q has too many states: at most 2147483646")


def _entry(initial, n):
    """(initial state, entry indices, entry weights) for the solve."""
    none = np.zeros(0, dtype=np.int32), np.zeros(0, dtype=np.float64)
    if initial is None:
        return 0, none[0], none[1]
    if isinstance(initial, numbers.Integral) and not isinstance(initial, bool):
        if not 0 <= initial < n:
            raise ValueError("initial state %d is not a state of the chain (0 to %d)" % (initial, n - 1))
        return int(initial), none[0], none[1]
    w = np.asarray(initial, dtype=np.float64)
    if w.shape != (n,):
        raise ValueError("initial must be a state or a distribution of %d probabilities, not shape %s"
                         % (n, w.shape))
    if not np.all(np.isfinite(w)) or np.any(w < 0):
        raise ValueError("initial: a probability is a finite number of at least zero")
    if not w.sum() > 0:
        raise ValueError("initial: the probabilities do not sum to a positive number")
    support = np.flatnonzero(w).astype(np.int32)
    if len(support) == 1:
        return int(support[0]), none[0], none[1]
    return n, support, np.ascontiguousarray(w[support])


def _method(method):
    if method is None:
        return "lu", False
    if not isinstance(method, str):
        raise ValueError("method must be a name such as \"auto\", not %r" % (method,))
    return method, True


def _finish(solution, check):
    if check and not solution.valid:
        reason = solution.record["check"]["failure"] or "the check failed"
        raise CheckFailed("the solution fails its check against the chain: " + reason, solution)
    return solution


def solve(Q, method="auto", accuracy=1e-9, tolerance=1e-3, initial=None, check=True):
    """The long-run distribution of a continuous-time Markov chain.

    Q          the rates: Q[i, j] (i != j) is the rate from state i to state j, as a
               scipy.sparse matrix of any format (CSR of float64 is used without a copy) or a
               dense numpy array. The diagonal is ignored and formed as minus each row's sum.
    method     "auto" (the solver picks), "lu", "gth", "ilu", "gs" or "mla"; None for the program's
               default (lu within auto's fill budget).
    accuracy   the accuracy the vector is checked to (the program's -a as a number).
    tolerance  the factorisation's drop tolerance (the program's -t).
    initial    for a chain with several closed classes: the initial state, or an initial
               distribution (n probabilities); the result is then the distribution in the long
               run from it. Required for such a chain; not needed otherwise.
    check      when True (the default) a vector that fails its check raises CheckFailed;
               when False the Solution comes back with valid False.

    Returns a Solution. Raises ValueError for bad input, with the program's messages.
    """
    n, indptr, indices, data = _csr_parts(Q)
    start, entry_index, entry_weight = _entry(initial, n)
    name, given = _method(method)
    pi, record = _core.solve_csr(n, indptr, indices, data, name, given, float(accuracy),
                                 float(tolerance), start, entry_index, entry_weight)
    if len(entry_index) > 0:
        pi = pi[:n]  # a view: the entry state is no state of the chain
    if initial is None and record["closed_classes"] > 1:
        raise ValueError("the chain has %d closed classes: its long-run distribution depends on the "
                         "initial state; give initial= a state or a distribution"
                         % record["closed_classes"])
    return _finish(Solution(pi, record), check)


def read(path, format=None):
    """A model on disk as a Chain.

    path    the model's base name (e.g. "examples/mm1k") or one of its files ("model.tra",
            "model.drn", "model.arm")
    format  "flat", "prism" or "drn"; None finds it from the files present, as dss does.

    Raises ValueError with the program's message for a file it cannot use.
    """
    import scipy.sparse
    d = _core.read_model(str(path), "" if format is None else str(format))
    n = d["states"]
    indptr = d["indptr"]
    if len(indptr) and indptr[-1] < 2**31:
        indptr = indptr.astype(np.int32)  # n+1 entries; the indices are 32-bit already
    Q = scipy.sparse.csr_matrix((d["data"], d["indices"], indptr), shape=(n, n), copy=False)
    pvs = {name: values for name, values, steady, label in d["pvs"] if steady}
    labels = {name: np.flatnonzero(values) for name, values, steady, label in d["pvs"] if label}
    return Chain(Q, pvs, labels, d["initial"], d["format"], d["files"], d["warnings"])


def evaluate(chain, pi):
    """Mean, variance and distribution of every PV of chain on pi, as an Evaluation.

    chain   a Chain (its .pvs) or a dict: PV name -> values per state
    pi      the probabilities per state
    """
    pvs = chain.pvs if isinstance(chain, Chain) else chain
    pi = np.asarray(pi, dtype=np.float64)
    results = {}
    for name, values in pvs.items():
        results[name] = _pv_entry(*_core.evaluate_pv(str(name), values, pi))
    return Evaluation(results)


def solve_model(path, format=None, method=None, accuracy=1e-9, tolerance=1e-3, check=True):
    """Reads, solves and evaluates a model on disk as dss does, writing no file.

    path, format         as for read()
    method               None for dss's default (lu within auto's fill budget), or a name as
                         for solve()
    accuracy, tolerance  as for solve()
    check                as for solve()

    Returns a Solution whose .pvs is the Evaluation of the PVs dss evaluates in steady state.
    A chain with several closed classes is solved from the model's initial state.
    """
    name, given = _method(method)
    d = _core.solve_model(str(path), "" if format is None else str(format), name, given,
                          float(accuracy), float(tolerance))
    pvs = Evaluation({n: _pv_entry(m, v, x, p) for n, m, v, x, p in d["pvs"]})
    return _finish(Solution(d["pi"], d["record"], pvs), check)
