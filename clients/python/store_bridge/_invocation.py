"""What the synchronous and the asyncio calls share: the checked command line and the end of a run."""

import math
import operator
import os
import subprocess
from dataclasses import dataclass
from typing import Dict, List, Mapping, Optional, SupportsIndex, TypeVar, Union

from ._lines import Command, read_line
from .bundled_program import exe_path
from .errors import NoLine, NotStarted, TimedOut

MAX_HANDLE = 2 ** 64 - 1

# A console program started by a GUI app would get a console window of its own.
NO_WINDOW: int = getattr(subprocess, "CREATE_NO_WINDOW", 0)

PathLike = Union[str, "os.PathLike[str]"]

R = TypeVar("R")


@dataclass(frozen=True)
class Invocation:
    argv: List[str]
    env: Dict[str, str]
    timeout: Optional[float]

    def not_started(self, error: OSError) -> NotStarted:
        return NotStarted("cannot start %s: %s" % (self.argv[0], error))

    def timed_out(self, output: bytes) -> TimedOut:
        return TimedOut("store-bridge gave no result within %s s and was killed" % self.timeout, output=output)


def invocation(command: Command[object], arguments: List[str], executable: Optional[PathLike],
               timeout: Optional[float], env: Optional[Mapping[str, str]]) -> Invocation:
    """Checks what the host passed before anything starts; no executable: the one this installation carries."""
    environment = dict(os.environ)
    environment.update(env or {})
    seconds = _seconds(timeout)
    if executable is None:
        try:
            executable = exe_path()
        except FileNotFoundError as error:
            raise NotStarted(str(error)) from error
    return Invocation([os.fspath(executable), command.word, *arguments], environment, seconds)


# The checks take any object: callers without a type checker pass anything.
def _seconds(timeout: object) -> Optional[float]:
    if timeout is None:
        return None
    if isinstance(timeout, bool) or not isinstance(timeout, (int, float)):
        raise TypeError("timeout must be a number of seconds")
    if not (math.isfinite(timeout) and timeout > 0):
        raise ValueError("timeout must be above 0 s and finite, not %r" % timeout)
    return timeout


def store_id_argument(store_id: object) -> List[str]:
    if not isinstance(store_id, str):
        raise TypeError("store_id must be a str")
    return [store_id]


def window_argument(window: object) -> List[str]:
    """The host window (an HWND as int) as the bridge takes it: unsigned decimal."""
    if window is None:
        return []
    if isinstance(window, bool) or not isinstance(window, SupportsIndex):
        raise TypeError("window must be an int, not %s" % type(window).__name__)
    handle = operator.index(window)
    if not 0 <= handle <= MAX_HANDLE:
        raise ValueError("window handle out of range: %d" % handle)
    return [str(handle)]


def finish(command: Command[R], output: bytes, exit_code: int) -> R:
    """The result of a run that ended by itself."""
    if not output:
        end = "signal %d" % -exit_code if exit_code < 0 else "exit code %d" % exit_code
        raise NoLine("store-bridge ended without a result line (%s)" % end, exit_code)
    return read_line(command, output, exit_code)
