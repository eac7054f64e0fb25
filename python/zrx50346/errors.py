"""What a failed command raises: the tool's exit code and message, as the
single command would have ended with them."""


class ZrxError(Exception):
    """A command failed. `exit_code` is what `zrx50346-cli` would have exited
    with (1 usage, 2 port, 3 file, 4 no answer or a register that differs,
    5 stopped by a signal); `answer` is the session's whole answer."""

    def __init__(self, message, exit_code, kind=None, answer=None):
        super().__init__(message)
        self.message = message
        self.exit_code = exit_code
        self.kind = kind
        self.answer = answer or {}


class UsageError(ZrxError):
    """A bad argument or option; program-otp without yes=True."""


class PortError(ZrxError):
    """The port was not found, may not be opened, or is in use."""


class PortLost(PortError):
    """The port went away during the command; a later command reopens it."""


class BadFile(ZrxError):
    """A file could not be read or written, or holds what is no channel set."""


class ChipSilent(ZrxError):
    """Every word read FFFF: no chip answers at the address."""


class VerifyDiffers(ZrxError):
    """load(verify=True) read a register back that differs."""


class BurnDiffers(ZrxError):
    """A burn's check found channels that do not read the code burned."""


class Stopped(ZrxError):
    """A signal ended the command before its work was done."""


class SessionEnded(ZrxError):
    """The session process ended; `exit_code` is its exit status."""


_BY_KIND = {
    "usage": UsageError,
    "port": PortError,
    "portLost": PortLost,
    "file": BadFile,
    "chipSilent": ChipSilent,
    "verifyDiffers": VerifyDiffers,
    "burnDiffers": BurnDiffers,
    "stopped": Stopped,
}
_BY_EXIT_CODE = {1: UsageError, 2: PortError, 3: BadFile, 4: ChipSilent, 5: Stopped}


def error_of(answer):
    """The exception a failed answer stands for."""
    kind = answer.get("kind")
    exit_code = answer.get("exitCode", 0)
    cls = _BY_KIND.get(kind) or _BY_EXIT_CODE.get(exit_code, ZrxError)
    return cls(answer.get("message", ""), exit_code, kind, answer)
