"""Every input the package refuses, with the message that says why, and nothing solved."""
import os
import subprocess

import numpy as np
import pytest
import scipy.sparse as sp

import velmar
from conftest import DSS, SOURCE


def chain3():
    return np.array([[0.0, 1.0, 0.0], [0.0, 0.0, 2.0], [3.0, 0.0, 0.0]])


@pytest.mark.parametrize("Q,message", [
    (np.ones(3), "square matrix: it has 1 dimension"),
    (np.ones((2, 2, 2)), "square matrix: it has 3 dimensions"),
    (np.ones((2, 3)), r"square matrix: it has shape \(2, 3\)"),
    (sp.csr_matrix((3, 4)), r"square matrix: it has shape \(3, 4\)"),
    (np.zeros((0, 0)), "no states"),
    (sp.csr_matrix((0, 0)), "no states"),
    (np.array([[0, 1j], [1, 0]]), "real numbers"),
    ([["a", "b"], ["c", "d"]], None),
])
def test_shapes_and_kinds_refused(Q, message):
    with pytest.raises(ValueError, match=message):
        velmar.solve(Q)


@pytest.mark.parametrize("value,reason", [
    (-1.0, "a rate is a finite number of at least zero"),
    (np.nan, "a rate is a finite number of at least zero"),
    (np.inf, "a rate is a finite number of at least zero"),
    (-0.0 - 1e-310, "a rate is a finite number of at least zero"),
    (1e-310, "rate"),
])
@pytest.mark.parametrize("form", ["dense", "csr"])
def test_rates_refused_with_their_place(value, reason, form):
    Q = chain3()
    Q[1, 2] = value
    with pytest.raises(ValueError) as e:
        velmar.solve(sp.csr_matrix(Q) if form == "csr" else Q)
    assert str(e.value).startswith("Q[1, 2] = ")
    assert reason in str(e.value)


def test_the_diagonal_may_hold_anything():
    Q = chain3()
    np.fill_diagonal(Q, [-1.0, np.nan, -np.inf])
    assert velmar.solve(Q).valid


def test_subnormal_rate_message_is_the_programs():
    Q = chain3()
    Q[0, 2] = 1e-310
    with pytest.raises(ValueError, match="underflow|normal"):
        velmar.solve(Q)


@pytest.mark.parametrize("kwargs,message", [
    ({"method": "newton"}, 'unknown method "newton" for -m: use lu, gth, ilu, gs, mla or auto'),
    ({"method": 3}, "method must be a name"),
    ({"accuracy": 0.0}, "accuracy"), ({"accuracy": 2.0}, "accuracy"),
    ({"accuracy": float("nan")}, "accuracy"),
    ({"tolerance": -1.0}, "tolerance"), ({"tolerance": float("inf")}, "tolerance"),
    ({"initial": 3}, "initial state 3 is not a state"), ({"initial": -1}, "not a state"),
    ({"initial": [0.5, 0.5]}, "distribution of 3 probabilities"),
    ({"initial": [0.5, -0.5, 1.0]}, "at least zero"),
    ({"initial": [np.nan, 0.5, 0.5]}, "at least zero"),
    ({"initial": [0.0, 0.0, 0.0]}, "positive"),
])
def test_settings_refused(kwargs, message):
    with pytest.raises(ValueError, match=message):
        velmar.solve(chain3(), **kwargs)


def test_broken_csr_arrays_refused():
    Q = sp.csr_matrix(chain3())
    Q.indices[0] = 7  # a column beyond the states
    with pytest.raises(ValueError, match="not a state"):
        velmar.solve(Q)


@pytest.mark.parametrize("name,fmt", [("tra_rate_negative", "prism"), ("tra_rate_nan", "prism"),
                                      ("tra_header_word", "prism"), ("drn_rate", "drn"),
                                      ("drn_state_order", "drn")])
def test_file_faults_give_the_programs_message(tmp_path, name, fmt):
    folder = os.path.join(SOURCE, "tests/data", fmt)
    run = subprocess.run([DSS, "-P", "p", "-S", "s", "-E", name, "-G", folder + "/",
                          "-s", str(tmp_path) + "/", "-F", fmt], capture_output=True, text=True)
    assert run.returncode == 1
    said = (run.stdout + run.stderr).strip()
    for call in (lambda: velmar.read(os.path.join(folder, name), format=fmt),
                 lambda: velmar.solve_model(os.path.join(folder, name), format=fmt)):
        with pytest.raises(ValueError) as e:
            call()
        assert str(e.value).strip() and str(e.value).strip() in said


def test_missing_model_and_unknown_format():
    with pytest.raises(ValueError, match="Error reading file"):
        velmar.read(os.path.join(SOURCE, "examples", "no_such_model"))
    with pytest.raises(ValueError, match='Unknown state space format "csv" after -F'):
        velmar.read(os.path.join(SOURCE, "examples", "mm1k"), format="csv")


def overflowing_chain():
    """Every rate the largest double: the flows through a state overflow, so no vector of this
    chain passes the check against it as given (the uniform answer included)."""
    M = np.finfo(float).max
    return np.full((3, 3), M) - np.diag(np.full(3, M))


def test_check_failure_raises_with_the_record(tmp_path):
    Q = overflowing_chain()
    with pytest.raises(velmar.CheckFailed) as e:
        velmar.solve(Q)
    record = e.value.record
    assert record["valid"] is False and record["check"]["passed"] is False
    assert record["check"]["failure"] and record["check"]["failure"] in str(e.value)
    assert len(e.value.solution.pi) == 3 and record["attempts"]
    s = velmar.solve(Q, check=False)
    assert not s.valid and s.record["check"]["failure"] == record["check"]["failure"]
    # the same chain on disk: dss says its results are not valid, solve_model raises
    with open(tmp_path / "big.tra", "w") as f:
        f.write("3 6\n" + "".join("%d %d %r\n" % (i, j, Q[0, 1])
                                    for i in range(3) for j in range(3) if i != j))
    run = subprocess.run([DSS, "-P", "p", "-S", "s", "-E", "big", "-G", str(tmp_path) + "/",
                          "-s", str(tmp_path) + "/"], capture_output=True, text=True)
    assert run.returncode == 1 and "not valid" in run.stderr
    with pytest.raises(velmar.CheckFailed) as e:
        velmar.solve_model(tmp_path / "big.tra")
    assert e.value.solution.pvs is not None
