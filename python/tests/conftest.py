import os
import pathlib
import sys

import pytest

PYTHON_DIR = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(PYTHON_DIR))


@pytest.fixture(scope="session")
def cli():
    """The built tool: $ZRX50346_CLI, as CTest sets it."""
    path = os.environ.get("ZRX50346_CLI")
    if not path or not os.access(path, os.X_OK):
        pytest.fail("set ZRX50346_CLI to the built zrx50346-cli (ctest does)")
    return path


def write_set(path, codes, reference=10):
    path.write_text("".join("%s\r\n" % value for value in [reference] + list(codes)))
    return path
