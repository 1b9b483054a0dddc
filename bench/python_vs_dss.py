#!/usr/bin/env python3
"""The Python package against dss on the same chains: the time of kanban T=4 with -m auto, and
the peak memory of a 10^6-state solve.

usage: bench/python_vs_dss.py BUILD_DIR [WORK_DIR] [--runs N]

BUILD_DIR holds dss, tools/ssgen and python/velmar. Each measurement runs in its own process:
whole-process wall-clock times (median of N runs) and each process's peak resident memory.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable


def wall(cmd, env=None):
    began = time.perf_counter()
    out = subprocess.run(cmd, check=True, capture_output=True, text=True, env=env)
    return time.perf_counter() - began, out.stdout


def dss_run(build, base, work, method="auto"):
    d, name = os.path.split(base)
    results = os.path.join(work, name + ".json")
    cmd = [os.path.join(build, "dss"), "-P", "p", "-S", "s", "-E", name, "-G", d + "/",
           "-s", work + "/", "-o", os.path.join(work, name + ".out"), "-j", results, "-m", method]
    seconds, _ = wall(cmd)
    with open(results) as f:
        solve = json.load(f)["solve"]
    return seconds, solve


CHILD = r"""
import resource, sys, time, json
import numpy as np, scipy.sparse as sp
import velmar
what, path = sys.argv[1], sys.argv[2]
if what == "model":
    s = velmar.solve_model(path, method="auto")
    print(json.dumps({"seconds": s.seconds["solve"], "method": s.method}))
else:
    Q = sp.load_npz(path).tocsr()
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    began, cpu = time.perf_counter(), time.process_time()
    s = velmar.solve(Q, method="auto")
    seconds, cpu = time.perf_counter() - began, time.process_time() - cpu
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print(json.dumps({"seconds": seconds, "cpu": cpu, "before_kib": before, "peak_kib": peak,
                      "method": s.method, "valid": s.valid}))
"""


def python_run(build, what, path):
    env = dict(os.environ, PYTHONPATH=os.path.join(build, "python"))
    seconds, out = wall([PYTHON, "-c", CHILD, what, path], env)
    return seconds, json.loads(out.strip().splitlines()[-1])


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    runs = 3
    if "--runs" in sys.argv:
        runs = int(sys.argv[sys.argv.index("--runs") + 1])
        args.remove(str(runs))
    if not args:
        sys.exit(__doc__)
    build = os.path.abspath(args[0])
    work = os.path.abspath(args[1]) if len(args) > 1 else tempfile.mkdtemp(prefix="pybench")
    ssgen = os.path.join(build, "tools", "ssgen")
    sys.path.insert(0, os.path.join(build, "python"))
    import scipy.sparse as sp
    import velmar

    kanban = os.path.join(work, "kanban4")
    if not os.path.exists(kanban + ".arm"):
        subprocess.run([ssgen, "kanban", "4", kanban], check=True)
    kanban_npz = kanban + ".npz"
    if not os.path.exists(kanban_npz):
        sp.save_npz(kanban_npz, velmar.read(kanban).Q, compressed=False)
    d_times, p_times, p_solve, d_solve, m_solve, m_cpu = [], [], [], [], [], []
    for _ in range(runs):
        _, child = python_run(build, "matrix", kanban_npz)
        m_solve.append(child["seconds"])
        m_cpu.append(child["cpu"])
        t, solve = dss_run(build, kanban, work)
        d_times.append(t)
        d_solve.append(solve["computationSeconds"])
        t, child = python_run(build, "model", kanban)
        p_times.append(t)
        p_solve.append(child["seconds"])
    dm, pm = statistics.median(d_times), statistics.median(p_times)
    print("kanban T=4, -m auto (%d states): whole process dss %.2f s, Python solve_model %.2f s, "
          "ratio %.3f" % (velmar.read(kanban).states, dm, pm, pm / dm))
    print("  the solve alone: dss %.2f s (processor), Python %.2f s (wall)"
          % (statistics.median(d_solve), statistics.median(p_solve)))
    print("  velmar.solve of kanban's Q in memory: %.2f s (wall), %.2f s (processor), %.3f times "
          "dss's whole process" % (statistics.median(m_solve), statistics.median(m_cpu),
                                   statistics.median(m_solve) / dm))

    big = os.path.join(work, "tandem1m")
    if not os.path.exists(big + ".arm"):
        subprocess.run([ssgen, "tandem", "999", "999", "1.0", "1.5", "1.2", big], check=True)
    npz = big + ".npz"
    if not os.path.exists(npz):
        sp.save_npz(npz, velmar.read(big).Q, compressed=False)
    _, solve = dss_run(build, big, work)
    _, child = python_run(build, "matrix", npz)
    dss_mib = solve["peakMemoryMiB"]
    py_mib = child["peak_kib"] / 1024.0
    base_mib = child["before_kib"] / 1024.0
    print("10^6-state tandem, -m auto: peak memory dss %.0f MiB; Python %.0f MiB in all, %.0f MiB "
          "before the solve (interpreter, numpy, scipy and Q), %.0f MiB added by the solve"
          % (dss_mib, py_mib, base_mib, py_mib - base_mib))
    print("  ratio of peaks %.3f (method %s)" % (py_mib / dss_mib, child["method"]))


if __name__ == "__main__":
    main()
