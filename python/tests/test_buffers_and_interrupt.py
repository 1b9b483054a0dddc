"""The vector comes back in the solver's own buffer, the caller's arrays are read in place, and
Ctrl-C stops a long solve with KeyboardInterrupt, leaving the package ready for the next."""
import os
import signal
import threading

import numpy as np
import pytest
import scipy.sparse as sp

import velmar
from conftest import SOURCE, assert_close, birth_death


def test_pi_is_the_solvers_buffer_not_a_copy():
    Q, want = birth_death(np.full(99, 1.0), np.full(99, 2.0))
    s = velmar.solve(sp.csr_matrix(Q))
    # numpy does not own the data: it is held by the capsule of the C++ vector
    assert not s.pi.flags.owndata
    assert type(s.pi.base).__name__ == "PyCapsule"
    assert s.pi.flags.c_contiguous and s.pi.dtype == np.float64
    # writable, and still the solution after the solver is gone
    s.pi[0] = s.pi[0]
    assert_close(s.pi, want, 1e-12)


def test_entry_distribution_leaves_a_view_of_the_buffer():
    R = np.zeros((4, 4))
    R[0, 1], R[1, 0], R[2, 0], R[2, 3] = 1.0, 1.0, 1.0, 1.0
    s = velmar.solve(R, initial=[0, 0, 0.5, 0.5])
    assert len(s.pi) == 4 and not s.pi.flags.owndata
    # from 2, half the way into {0, 1} and half into 3: 1/4 ends in {0, 1}, 3/4 in 3
    assert_close(s.pi, [0.125, 0.125, 0.0, 0.75], 1e-15)


def test_read_arrays_are_the_readers_buffers():
    chain = velmar.read(os.path.join(SOURCE, "examples/tandem"))
    assert not chain.Q.data.flags.owndata and not chain.Q.indices.flags.owndata
    for values in chain.pvs.values():
        assert not values.flags.owndata


def grid(side):
    """A two-dimensional random walk: elimination fills in heavily, so the solve takes long."""
    n = side * side
    idx = np.arange(n).reshape(side, side)
    rows = np.concatenate([idx[:, :-1].ravel(), idx[:, 1:].ravel(), idx[:-1, :].ravel(), idx[1:, :].ravel()])
    cols = np.concatenate([idx[:, 1:].ravel(), idx[:, :-1].ravel(), idx[1:, :].ravel(), idx[:-1, :].ravel()])
    rates = np.concatenate([np.full(side * (side - 1), 1.0), np.full(side * (side - 1), 2.0),
                            np.full(side * (side - 1), 1.5), np.full(side * (side - 1), 0.5)])
    return sp.csr_matrix((rates, (rows, cols)), shape=(n, n))


@pytest.mark.parametrize("method", ["gth", "gs"])
def test_ctrl_c_interrupts_a_long_solve(method):
    Q = grid(500)
    timer = threading.Timer(0.3, lambda: os.kill(os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            velmar.solve(Q, method=method, accuracy=1e-12)
    finally:
        timer.cancel()
    # nothing is left behind: the next solve runs as usual and a later signal still works
    Q2, want = birth_death(np.full(9, 1.0), np.full(9, 3.0))
    assert_close(velmar.solve(Q2).pi, want, 1e-13)
