"""The docs' examples, run as written: the session transcript of
docs/command-line.md and the Python blocks of docs/python.md."""

import json
import os
import pathlib
import re
import subprocess
import sys

from conftest import PYTHON_DIR, write_set

DOCS = PYTHON_DIR.parent / "docs"


def blocks(path, language):
    return re.findall(r"^```%s\n(.*?)^```" % language, path.read_text(), re.S | re.M)


def test_the_session_transcript_replays(cli, tmp_path):
    [transcript] = blocks(DOCS / "command-line.md", "session")
    lines = transcript.splitlines()
    sent = [line[2:] for line in lines if line.startswith("> ")]
    expected = [json.loads(line[2:]) for line in lines if line.startswith("< ")]
    # The last request without its line end: the end of the input still ends it.
    run = subprocess.run([cli, "session", "--simulate"], input="\n".join(sent), capture_output=True,
                         text=True, cwd=tmp_path, timeout=60)
    assert run.returncode == 0
    assert [json.loads(line) for line in run.stdout.splitlines()] == expected


def test_the_python_examples_run(cli, tmp_path):
    examples = blocks(DOCS / "python.md", "python")
    assert len(examples) == 4
    write_set(tmp_path / "gamma.csv", [(i * 43 + 7) % 1024 for i in range(24)])
    environment = dict(os.environ, ZRX50346_CLI=cli, PYTHONPATH=str(PYTHON_DIR))
    for example in examples:
        run = subprocess.run([sys.executable, "-c", example], capture_output=True, text=True, cwd=tmp_path,
                             env=environment, timeout=120)
        assert run.returncode == 0, run.stderr
    # Five burns: an attempt line and a result line each.
    assert len((tmp_path / "burns.jsonl").read_text().splitlines()) == 10
