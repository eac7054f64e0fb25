"""The ZRX50346 bench from Python: one `zrx50346-cli session` per Bench.

    from zrx50346 import Bench
    with Bench(simulate=True, vsup=10) as bench:
        bench.write(5, 2.5)
        print(bench.read()["codes"])
"""

from .bench import Bench
from .errors import (BadFile, BurnDiffers, ChipSilent, PortError, PortLost, SessionEnded, Stopped, UsageError,
                     VerifyDiffers, ZrxError)

__all__ = ["Bench", "ZrxError", "UsageError", "PortError", "PortLost", "BadFile", "ChipSilent", "VerifyDiffers",
           "BurnDiffers", "Stopped", "SessionEnded"]
