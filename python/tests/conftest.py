"""Shared helpers of the velmar tests: independent answers and the program to agree with."""
import json
import os
import subprocess
import tempfile

import numpy as np
import pytest

SOURCE = os.environ.get("VELMAR_SOURCE_DIR",
                        os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
DSS = os.environ.get("DSS_BINARY", os.path.join(SOURCE, "build", "dss"))


def relative_errors(got, want):
    """Per-state relative error; a NaN or an infinite entry counts as infinitely wrong, an
    entry that should be 0 must be 0 to the last bit."""
    got = np.asarray(got, dtype=float)
    want = np.asarray(want, dtype=float)
    assert got.shape == want.shape, (got.shape, want.shape)
    err = np.full(got.shape, np.inf)
    ok = np.isfinite(got) & np.isfinite(want)
    nonzero = ok & (want != 0)
    err[nonzero] = np.abs(got[nonzero] - want[nonzero]) / np.abs(want[nonzero])
    zero = ok & (want == 0)
    err[zero] = np.where(got[zero] == 0, 0.0, np.inf)
    return err


def assert_close(got, want, bound):
    err = relative_errors(got, want)
    worst = int(np.argmax(err)) if err.size else 0
    assert err.size == 0 or err.max() <= bound, \
        "state %d: got %r, want %r (relative error %g > %g)" % (worst, got[worst], want[worst],
                                                                 err[worst], bound)


def gth(rates):
    """Stationary vector of the irreducible chain with off-diagonal rates[i, j] by dense
    Grassmann-Taksar-Heyman elimination (no subtraction anywhere)."""
    P = np.array(rates, dtype=float)
    np.fill_diagonal(P, 0.0)
    n = len(P)
    out = np.zeros(n)
    for k in range(n - 1, 0, -1):
        out[k] = P[k, :k].sum()
        P[:k, :k] += np.outer(P[:k, k], P[k, :k]) / out[k]
        np.fill_diagonal(P, 0.0)
    pi = np.zeros(n)
    pi[0] = 1.0
    for k in range(1, n):
        pi[k] = pi[:k] @ P[:k, k] / out[k]
    return pi / pi.sum()


def birth_death(up, down):
    """Rates of the birth-death chain with up[i] from i to i+1 and down[i] from i+1 to i, and
    its stationary vector in closed form: pi[k] proportional to prod up[i]/down[i], i < k."""
    n = len(up) + 1
    Q = np.zeros((n, n))
    Q[np.arange(n - 1), np.arange(1, n)] = up
    Q[np.arange(1, n), np.arange(n - 1)] = down
    logs = np.concatenate([[0.0], np.cumsum(np.log(up) - np.log(down))])
    pi = np.exp(logs - logs.max())
    return Q, pi / pi.sum()


def run_dss(base, fmt=None, method=None):
    """dss on the model base name: (pi, {pv: (mean, variance, x, p)}) from its state file and
    its JSON results, both at full precision."""
    with tempfile.TemporaryDirectory() as d:
        directory, name = os.path.split(base)
        cmd = [DSS, "-P", "p", "-S", "s", "-E", name, "-G", directory + "/", "-s", d + "/",
               "-O", os.path.join(d, "states"), "-f", "-j", os.path.join(d, "r.json"),
               "-o", os.path.join(d, "report")]
        if fmt:
            cmd += ["-F", fmt]
        if method:
            cmd += ["-m", method]
        subprocess.run(cmd, check=True, capture_output=True)
        with open(os.path.join(d, "states")) as f:
            lines = f.read().splitlines()[3:]
        pi = np.array([float(line.split(",")[1]) for line in lines])
        with open(os.path.join(d, "r.json")) as f:
            results = json.load(f)
    pvs = {}
    for pv in results["performanceVariables"]:
        pvs[pv["name"]] = pv
    return pi, pvs, results


@pytest.fixture
def source():
    return SOURCE
