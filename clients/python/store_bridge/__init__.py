"""Host side of store-bridge: start it, read its one result line, return a typed result.

    result = store_bridge.buy("9NBLGGH4R315")
    result = store_bridge.review(window=hwnd, timeout=600, executable=path)

Without executable=, the calls start the program inside the installed wheel
(exe_path()).

Every documented line is a result, failure lines included (a Failure: status
"error", exit_code 1, error holding the bridge's text). A run that gives no
result raises a StoreBridgeError subclass: NotStarted, TimedOut, NoLine, BadLine
or UsageError. store_bridge.aio has the same calls for asyncio. Standard library
only, Python 3.9+.
"""

import subprocess
from typing import List, Literal, Mapping, Optional, TypeVar, overload

from ._invocation import NO_WINDOW, PathLike, finish, invocation, store_id_argument, window_argument
from ._lines import BUY, COMMANDS, REVIEW, Command, read_line
from .bundled_program import exe_path
from .errors import BadLine, NoLine, NotStarted, StoreBridgeError, TimedOut, UsageError
from .results import (Failure, PurchaseResult, PurchaseStatus, PurchaseStatusResult, RawLine, Result, ReviewResult,
                      ReviewStatus, ReviewStatusResult)

__all__ = ["buy", "review", "read_result_line", "exe_path",
           "Result", "PurchaseResult", "ReviewResult", "PurchaseStatusResult", "ReviewStatusResult", "Failure",
           "PurchaseStatus", "ReviewStatus", "RawLine",
           "StoreBridgeError", "NotStarted", "TimedOut", "NoLine", "BadLine", "UsageError"]

R = TypeVar("R")


def buy(store_id: str, *, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
        env: Optional[Mapping[str, str]] = None) -> PurchaseResult:
    """Shows the purchase dialog for the product with this Store ID."""
    return _run(BUY, store_id_argument(store_id), executable, timeout, env)


def review(*, executable: Optional[PathLike] = None, window: Optional[int] = None, timeout: Optional[float] = None,
           env: Optional[Mapping[str, str]] = None) -> ReviewResult:
    """Shows the rate-and-review dialog, centred over the host's window (an HWND as int) when given."""
    return _run(REVIEW, window_argument(window), executable, timeout, env)


def _run(command: Command[R], arguments: List[str], executable: Optional[PathLike], timeout: Optional[float],
         env: Optional[Mapping[str, str]]) -> R:
    run = invocation(command, arguments, executable, timeout, env)
    try:
        done = subprocess.run(run.argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              env=run.env, timeout=run.timeout, creationflags=NO_WINDOW)
    except subprocess.TimeoutExpired as expired:
        raise run.timed_out(expired.stdout or b"") from None
    except OSError as error:
        raise run.not_started(error) from error
    return finish(command, done.stdout, done.returncode)


@overload
def read_result_line(command: Literal["buy"], output: bytes, exit_code: Optional[int]) -> PurchaseResult: ...
@overload
def read_result_line(command: Literal["review"], output: bytes, exit_code: Optional[int]) -> ReviewResult: ...
@overload
def read_result_line(command: str, output: bytes, exit_code: Optional[int]) -> Result: ...
def read_result_line(command: str, output: bytes, exit_code: Optional[int]) -> Result:
    """The result that a command's stdout and exit code stand for; raises UsageError or BadLine."""
    if command not in COMMANDS:
        raise ValueError("store-bridge has no command %r" % (command,))
    return read_line(COMMANDS[command], output, exit_code)
