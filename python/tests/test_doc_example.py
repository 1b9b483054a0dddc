"""The worked example of doc/python.md runs as written."""
import os
import re

from conftest import SOURCE


def test_the_pages_example_code_runs(capsys):
    with open(os.path.join(SOURCE, "doc", "python.md")) as f:
        blocks = re.findall(r"```python\n(.*?)```", f.read(), re.S)
    assert len(blocks) >= 4
    names = {}
    for block in blocks:
        exec(compile(block, "doc/python.md", "exec"), names)
    out = capsys.readouterr().out
    assert "mean queue length" in out and "[0.125 0.125 0.    0.75 ] 2" in out


def test_help_documents_every_function():
    import pydoc

    import velmar
    text = pydoc.render_doc(velmar, renderer=pydoc.plaintext)
    for name in ("solve(Q, method='auto', accuracy=1e-09, tolerance=0.001, initial=None",
                 "read(path, format=None)", "evaluate(chain, pi)", "solve_model(path",
                 "class CheckFailed", "class Solution", "class Chain", "class Evaluation"):
        assert name in text, name
