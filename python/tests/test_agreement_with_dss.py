"""The package and dss on the same models on disk: the same vector to the last bits and the
same PV results, for the flat examples, a PRISM export and a DRN file."""
import os

import numpy as np
import pytest

import velmar
from conftest import SOURCE, assert_close, run_dss

MODELS = [("examples/mm1k", None), ("examples/machine", None), ("examples/tandem", None),
          ("tests/data/prism/tandem", "prism"), ("tests/data/prism/bd", "prism"),
          ("tests/data/drn/queue", "drn"), ("tests/data/drn/mm1k", "drn")]


@pytest.mark.parametrize("model,fmt", MODELS)
@pytest.mark.parametrize("method", [None, "auto"])
def test_solve_model_agrees_with_dss(model, fmt, method):
    base = os.path.join(SOURCE, model)
    pi, pvs, results = run_dss(base, fmt, method)
    s = velmar.solve_model(base, format=fmt, method=method)
    assert s.valid == results["valid"]
    assert_close(s.pi, pi, 1e-15)
    assert sorted(s.pvs) == sorted(pvs)
    for name, want in pvs.items():
        got = s.pvs[name]
        assert_close([got["mean"], got["variance"]], [want["mean"], want["variance"]], 1e-15)
        x, p = np.array(want["distribution"]).T
        assert_close(got["values"], x, 0.0)
        assert_close(got["probabilities"], p, 1e-15)
    assert s.record["figures"]["factorEntries"] == results["solve"]["factorEntries"]
    assert s.record["closed_classes"] == results["solve"]["closedClasses"]


@pytest.mark.parametrize("model,fmt", MODELS)
def test_read_then_solve_agrees_with_dss_auto(model, fmt):
    base = os.path.join(SOURCE, model)
    pi, pvs, _ = run_dss(base, fmt, "auto")
    chain = velmar.read(base, format=fmt)
    s = velmar.solve(chain.Q, initial=chain.initial)
    assert_close(s.pi, pi, 1e-15)
    ev = velmar.evaluate(chain, s.pi)
    assert sorted(ev) == sorted(pvs)
    for name, want in pvs.items():
        assert_close([ev[name]["mean"], ev[name]["variance"]], [want["mean"], want["variance"]], 1e-15)


def test_read_gives_the_chain_the_labels_and_the_initial_state():
    chain = velmar.read(os.path.join(SOURCE, "tests/data/prism/mm1k.tra"))
    assert chain.format == "prism" and chain.states == 6
    Q = chain.Q.toarray()
    assert np.all(np.diag(Q) == 0)
    # an M/M/1/K: arrivals up one, services down one
    assert np.count_nonzero(Q) == 10
    assert np.all(np.diag(Q, 1) > 0) and np.all(np.diag(Q, -1) > 0)
    assert chain.initial == 0
    assert list(chain.labels["init"]) == [0]
    assert list(chain.labels["full"]) == [5]
    assert len(chain.labels["deadlock"]) == 0
    assert "busy" in chain.pvs and "init" in chain.pvs
    assert chain.pvs["busy"].shape == (6,)


def test_evaluate_records_for_a_table():
    chain = velmar.read(os.path.join(SOURCE, "examples/mm1k"))
    ev = velmar.evaluate(chain, velmar.solve(chain.Q).pi)
    rows = ev.records()
    assert [r["pv"] for r in rows] == list(ev)
    dist = ev.distribution_records()
    for name in ev:
        mass = sum(r["probability"] for r in dist if r["pv"] == name)
        assert abs(mass - 1.0) < 1e-14
