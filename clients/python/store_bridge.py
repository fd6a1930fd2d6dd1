"""Host side of store-bridge: start it, read its one result line, return a typed result.

    result = store_bridge.buy("9NBLGGH4R315", executable=path)
    result = store_bridge.review(executable=path, window=hwnd, timeout=600)

Every documented line is a Result, failure lines included (status "error",
exit_code 1, error holding the bridge's text). A run that gives no result
raises a StoreBridgeError subclass: NotStarted, TimedOut, NoLine, BadLine or
UsageError. Standard library only, Python 3.9+.
"""

import json
import operator
import os
import subprocess
from dataclasses import dataclass
from typing import Mapping, Optional, Union

__all__ = ["Result", "StoreBridgeError", "NotStarted", "TimedOut", "NoLine", "BadLine", "UsageError", "buy",
           "review"]

PURCHASE_STATUSES = frozenset({"purchased", "alreadyPurchased", "cancelled", "error"})
REVIEW_STATUSES = frozenset({"succeeded", "cancelled", "network", "error"})

MAX_HANDLE = 2 ** 64 - 1

# A console program started by a GUI app would get a console window of its own.
_NO_WINDOW = getattr(subprocess, "CREATE_NO_WINDOW", 0)

PathLike = Union[str, "os.PathLike[str]"]


@dataclass(frozen=True)
class Result:
    status: str
    error: Optional[str]            # None when the Store delivered a result
    exit_code: int                  # 0 with a Store result, 1 for a failure line
    updated: Optional[bool] = None  # review lines and the crash line only


class StoreBridgeError(Exception):
    """The run gave no result."""

    def __init__(self, message, exit_code=None, output=b""):
        super().__init__(message)
        self.exit_code = exit_code  # None when there was none; negative: the signal that ended it
        self.output = output        # stdout as bytes


class NotStarted(StoreBridgeError):
    """The executable could not be started."""


class TimedOut(StoreBridgeError):
    """The time-out ran out; the run was killed."""


class NoLine(StoreBridgeError):
    """The run ended without writing anything (killed, or the runtime's abort)."""


class BadLine(StoreBridgeError):
    """The output is not a documented line, or its exit code does not go with it."""


class UsageError(StoreBridgeError):
    """The bridge refused its command line."""


def buy(store_id: str, *, executable: PathLike, timeout: Optional[float] = None,
        env: Optional[Mapping[str, str]] = None) -> Result:
    """Shows the purchase dialog for the product with this Store ID."""
    if not isinstance(store_id, str):
        raise TypeError("store_id must be a str")
    return _run("buy", [store_id], executable, timeout, env)


def review(*, executable: PathLike, window: Optional[int] = None, timeout: Optional[float] = None,
           env: Optional[Mapping[str, str]] = None) -> Result:
    """Shows the rate-and-review dialog, centred over the host's window (an HWND as int) when given."""
    arguments = [] if window is None else [str(_window_handle(window))]
    return _run("review", arguments, executable, timeout, env)


def _window_handle(window) -> int:
    if isinstance(window, bool):
        raise TypeError("window must be an int, not a bool")
    handle = operator.index(window)
    if not 0 <= handle <= MAX_HANDLE:
        raise ValueError("window handle out of range: %d" % handle)
    return handle


def _run(command, arguments, executable, timeout, env) -> Result:
    environment = dict(os.environ)
    environment.update(env or {})
    try:
        done = subprocess.run([os.fspath(executable), command, *arguments], stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=environment, timeout=timeout,
                              creationflags=_NO_WINDOW)
    except subprocess.TimeoutExpired as expired:
        raise TimedOut("store-bridge gave no result within %g s and was killed" % timeout,
                       output=expired.stdout or b"") from None
    except OSError as error:
        raise NotStarted("cannot start %s: %s" % (os.fspath(executable), error)) from error
    if not done.stdout:
        end = "signal %d" % -done.returncode if done.returncode < 0 else "exit code %d" % done.returncode
        raise NoLine("store-bridge ended without a result line (%s)" % end, done.returncode)
    return read_result_line(command, done.stdout, done.returncode)


def read_result_line(command: str, output: bytes, exit_code: Optional[int]) -> Result:
    """The result that a run's stdout and exit code stand for; raises UsageError or BadLine."""

    def bad(problem):
        return BadLine("%s: %r" % (problem, output), exit_code, output)

    try:
        text = output.decode("utf-8")
        line = json.loads(text, object_pairs_hook=_no_duplicates)
    except ValueError as error:  # also UnicodeDecodeError and JSONDecodeError
        raise bad("not JSON (%s)" % error) from None
    if not (text.startswith("{") and text.endswith("}")) or not isinstance(line, dict):
        raise bad("not exactly one JSON object")
    if exit_code == 2 and line == {"error": "usage"}:
        raise UsageError("store-bridge refused its command line", exit_code, output)
    shape = _shape_of(command, line)
    if shape is None:
        raise bad('not a result line of "%s"' % command)
    result, expected_exit = shape
    if exit_code != expected_exit:
        raise bad("exit code %s does not go with the line" % exit_code)
    return result


def _no_duplicates(pairs):
    names = [name for name, _ in pairs]
    if len(names) != len(set(names)):
        raise ValueError("a duplicate member")
    return dict(pairs)


def _is_text(value) -> bool:
    return isinstance(value, str) and value != ""


def _shape_of(command, line):
    """The documented shape the line has for this command: (result, its exit code), or None."""
    members = sorted(line)
    status, updated, error = line.get("status"), line.get("updated"), line.get("error")
    if not (status is None or isinstance(status, str)):
        return None
    if members == ["error"] and isinstance(error, str):
        return Result("error", error, 1), 1
    if members == ["error", "status"] and command == "buy":
        if error is None and status in PURCHASE_STATUSES:
            return Result(status, None, 0), 0
        if status == "error" and _is_text(error):
            return Result(status, error, 1), 1
    if members == ["error", "status", "updated"] and isinstance(updated, bool):
        if command == "review" and error is None and status in REVIEW_STATUSES:
            return Result(status, None, 0, updated), 0
        # The crash line has the review failure's shape whichever command crashed.
        if status == "error" and updated is False and _is_text(error) and (command == "review" or error == "crash"):
            return Result(status, error, 1, updated), 1
    return None
