"""A session process and the commands on it."""

import json
import os
import shutil
import subprocess

from .errors import SessionEnded, error_of

# The commands that take --vsup, and so the Bench's default for it.
_TAKES_VSUP = ("read", "write", "save")


def _default_cli():
    return os.environ.get("ZRX50346_CLI") or shutil.which("zrx50346-cli") or "zrx50346-cli"


class Bench:
    """One board on one port, through `zrx50346-cli session`.

    port: "COM5" or a device path; simulate=True for the simulated board.
    fast: fast mode on an FTDI adapter. rate: the bit rate.
    vsup: the reference for volts, given to read, write and save.
    a0: the chip's A0 pin, given to every command.
    cli: the tool's path (default: $ZRX50346_CLI, then zrx50346-cli on PATH).
    progress: called with each progress line of load, program_otp and batch.
    """

    def __init__(self, port=None, simulate=False, fast=False, vsup=None, a0=None, rate=None, cli=None,
                 progress=None):
        arguments = [cli or _default_cli(), "session"]
        if simulate:
            arguments.append("--simulate")
        if port is not None:
            arguments += ["--port", str(port)]
        if rate is not None:
            arguments += ["--rate", str(rate)]
        if fast:
            arguments.append("--fast")
        self.vsup = vsup
        self.a0 = a0
        self.progress = progress
        self._next_id = 1
        self._process = subprocess.Popen(arguments, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                          bufsize=1)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    @property
    def pid(self):
        return self._process.pid

    def close(self, timeout=30):
        """Ends the input: the session closes the port. Returns its exit status."""
        if self._process.stdin and not self._process.stdin.closed:
            try:
                self._process.stdin.close()
            except BrokenPipeError:
                pass
        status = self._process.wait(timeout)
        self._process.stdout.close()
        return status

    # The commands, as `zrx50346-cli` has them.
    def read(self):
        """Every channel and Max Bank: the answer, with "codes" (24 ints) and,
        with vsup, "volts" (24 floats) added."""
        answer = self.request("read")
        answer["codes"] = [channel["code"] for channel in answer["channels"]]
        if self.vsup is not None:
            answer["volts"] = [channel["volts"] for channel in answer["channels"]]
        return answer

    def write(self, channel, volts=None, code=None):
        """One channel (1..22, "c1", "c2") to volts (needs vsup) or a code;
        returns what was written: channel, register, code (and volts)."""
        if (volts is None) == (code is None):
            raise ValueError("write needs volts or code, one of them")
        value = "code:%d" % code if code is not None else "%rV" % float(volts)
        return self.request("write", channel=str(channel), value=value)["written"]

    def load(self, file, verify=False):
        return self.request("load", file=str(file), verify=verify)

    def save(self, file):
        return self.request("save", file=str(file))

    def reset(self):
        self.request("reset")

    def program_otp(self, file=None, yes=False, no_verify=False, log=None):
        """Burns the next OTP bank; yes=True is required. Returns the answer,
        "verdict" "verified" or "not checked"; raises BurnDiffers otherwise."""
        fields = {"yes": yes, "noVerify": no_verify}
        if file is not None:
            fields["file"] = str(file)
        if log is not None:
            fields["log"] = str(log)
        return self.request("program-otp", **fields)

    def batch(self, files, delay=None, cycles=None):
        fields = {"files": [str(f) for f in files]}
        if delay is not None:
            fields["delay"] = delay
        if cycles is not None:
            fields["cycles"] = cycles
        return self.request("batch", **fields)

    def request(self, cmd, **fields):
        """Any request: its answer as a dict, or the ZrxError it stands for."""
        request = {"id": self._next_id, "cmd": cmd}
        self._next_id += 1
        if self.vsup is not None and cmd in _TAKES_VSUP:
            request["vsup"] = self.vsup
        if self.a0 is not None:
            request["a0"] = self.a0
        if self.progress is not None:
            request["progress"] = True
        request.update(fields)
        try:
            self._process.stdin.write(json.dumps(request) + "\n")
            self._process.stdin.flush()
        except BrokenPipeError:
            pass  # the session has ended; its last words are still to read
        while True:
            line = self._process.stdout.readline()
            if not line:
                status = self._process.wait()
                raise SessionEnded("the session ended with status %d" % status, status)
            answer = json.loads(line)
            if "ok" not in answer:
                if self.progress is not None and answer.get("id") == request["id"]:
                    self.progress(answer["progress"])
                continue
            if answer.get("id") not in (request["id"], None):
                continue
            if not answer["ok"]:
                raise error_of(answer)
            for key in ("id", "ok"):
                answer.pop(key, None)
            return answer
