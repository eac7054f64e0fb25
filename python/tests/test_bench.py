import json
import os
import signal
import threading

import pytest

from conftest import write_set
from zrx50346 import BadFile, Bench, BurnDiffers, ChipSilent, PortError, PortLost, SessionEnded, UsageError

CODES = [(i * 43 + 7) % 1024 for i in range(24)]


def test_sweep_writes_every_step_and_reads_it_back(cli):
    with Bench(simulate=True, vsup=10, cli=cli) as bench:
        written = [bench.write(5, code=code)["code"] for code in range(0, 1024, 16)]
        assert written == list(range(0, 1024, 16))
        assert bench.read()["codes"][4] == 1008
        assert bench.write("c1", 2.5) == {"channel": 19, "code": 256, "label": "c1", "register": 18, "volts": 2.5}
        assert bench.read()["volts"][18] == 2.5
    assert bench.close() == 0


def test_burn_loop_logs_every_attempt_and_raises_on_a_bad_burn(cli, tmp_path):
    first = write_set(tmp_path / "first.csv", CODES)
    second = write_set(tmp_path / "second.csv", [0x2AA] * 24)
    log = tmp_path / "burns.jsonl"
    with Bench(simulate=True, cli=cli) as bench:
        verdicts = [bench.program_otp(first, yes=True, log=log)["verdict"] for _ in range(4)]
        with pytest.raises(BurnDiffers) as burn:
            bench.program_otp(second, yes=True, log=log)
        with pytest.raises(UsageError, match="add --yes"):
            bench.program_otp(second, log=log)
    assert verdicts == ["verified"] * 4
    assert burn.value.exit_code == 4
    assert len(burn.value.answer["differences"]) == 24
    assert "Max Bank stayed at 4" in burn.value.message
    # An attempt before each of the five burns, a result after it; the refusal without yes is a result alone.
    records = [json.loads(line) for line in log.read_text().splitlines()]
    assert [r["record"] for r in records] == ["attempt", "result"] * 5 + ["result"]
    results = [r for r in records if r["record"] == "result"]
    assert [r["result"] for r in results] == ["verified"] * 4 + ["differs", "not burned"]
    assert [r["id"] for r in records[:10:2]] == [r["id"] for r in results[:5]]


@pytest.mark.parametrize("call, error, exit_code, words", [
    (lambda b: b.load("/nonexistent/set.csv"), BadFile, 3, "Cannot open"),
    (lambda b: b.write("c3", code=1), UsageError, 1, 'Unknown channel "c3"'),
    (lambda b: b.request("read", a0=1), ChipSilent, 4, "No answer from the chip"),
])
def test_errors_carry_the_exit_code_and_leave_the_session_usable(cli, call, error, exit_code, words):
    with Bench(simulate=True, cli=cli) as bench:
        with pytest.raises(error) as failure:
            call(bench)
        assert failure.value.exit_code == exit_code
        assert words in failure.value.message
        assert bench.write(1, code=1)["code"] == 1


def test_port_errors(cli, tmp_path):
    with Bench(port=tmp_path / "no-such-tty", cli=cli) as bench:
        for _ in range(2):  # and the next command tries again
            with pytest.raises(PortError) as failure:
                bench.reset()
            assert failure.value.exit_code == 2 and not isinstance(failure.value, PortLost)
    bench = Bench(port="COM5", simulate=True, cli=cli)
    with pytest.raises(UsageError, match="exclude each other"):
        bench.reset()
    assert bench.close() == 1


def test_progress_and_a_signal_during_a_batch(cli, tmp_path):
    files = [write_set(tmp_path / name, CODES) for name in ("a.csv", "b.csv")]
    lines = []
    with Bench(simulate=True, cli=cli, progress=lines.append) as bench:
        assert bench.batch(files, delay=0)["steps"] == 2
        assert lines == ["cycle 1  a.csv", "cycle 1  b.csv"]
        # A run until stopped: SIGINT ends it after a whole file, as a success,
        # and then ends the session.
        threading.Timer(0.5, os.kill, (bench.pid, signal.SIGINT)).start()
        stopped = bench.batch(files, delay=100, cycles=0)
        assert stopped["stopped"] and stopped["signal"] == "SIGINT"
        assert stopped["channelsWritten"] == 24 * stopped["steps"]
        with pytest.raises(SessionEnded) as ended:
            bench.reset()
        assert ended.value.exit_code == 5


def test_a_signal_between_commands_ends_the_session(cli):
    bench = Bench(simulate=True, cli=cli)
    bench.reset()
    os.kill(bench.pid, signal.SIGTERM)
    assert bench._process.wait(10) == 5
