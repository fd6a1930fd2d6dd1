"""What the synchronous and the asyncio calls share: the checked command line and the end of a run."""

import json
import math
import operator
import os
import re
import subprocess
import uuid
from collections.abc import Sequence
from dataclasses import dataclass
from typing import Callable, Dict, List, Mapping, Optional, SupportsIndex, TypeVar, Union

from ._lines import UPDATE, Command, read_line, read_progress_line
from .bundled_program import exe_path
from .errors import ClosedForUpdate, NoLine, NotStarted, TimedOut
from .results import UpdateProgress, UpdateResult

MAX_HANDLE = 2 ** 64 - 1
MAX_QUANTITY = 2 ** 32 - 1
_GUID = r"[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}"
GUID = re.compile(r"%s|\{%s\}" % (_GUID, _GUID))

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


def kinds_argument(kinds: object) -> List[str]:
    """Product kind words, in order, joined by commas; None leaves the bridge's own default."""
    if kinds is None:
        return []
    if isinstance(kinds, (str, bytes)) or not isinstance(kinds, Sequence):
        raise TypeError("kinds must be a list of product kind words, not %s" % type(kinds).__name__)
    if not kinds:
        raise ValueError("kinds must hold at least one product kind word")
    for kind in kinds:
        if not isinstance(kind, str):
            raise TypeError("each product kind must be a str, not %s" % type(kind).__name__)
        # A comma would split the word in two, an empty word is refused by the bridge, and no argument holds a NUL.
        if kind == "" or "," in kind or "\0" in kind:
            raise ValueError("not a product kind word: %r" % kind)
    return [",".join(kinds)]


def quantity_argument(quantity: object) -> str:
    if isinstance(quantity, bool) or not isinstance(quantity, SupportsIndex):
        raise TypeError("quantity must be an int, not %s" % type(quantity).__name__)
    count = operator.index(quantity)
    if not 1 <= count <= MAX_QUANTITY:
        raise ValueError("quantity must be from 1 to %d, not %d" % (MAX_QUANTITY, count))
    return str(count)


def tracking_id_argument(tracking_id: object) -> List[str]:
    """A uuid.UUID, or its text (either case, optionally in braces); None lets the bridge make one."""
    if tracking_id is None:
        return []
    if isinstance(tracking_id, uuid.UUID):
        return [str(tracking_id)]
    if not isinstance(tracking_id, str):
        raise TypeError("tracking_id must be a uuid.UUID or a GUID str, not %s" % type(tracking_id).__name__)
    if GUID.fullmatch(tracking_id) is None:
        raise ValueError("tracking_id is not a GUID: %r" % tracking_id)
    return [tracking_id]


def customer_id_request(service_ticket: object, publisher_user_id: object) -> bytes:
    """The object the ID commands read from stdin. The messages never quote the values: the ticket is a bearer
    token."""
    for name, value in (("service_ticket", service_ticket), ("publisher_user_id", publisher_user_id)):
        if not isinstance(value, str):
            raise TypeError("%s must be a str, not %s" % (name, type(value).__name__))
    # Its size is the bridge's to check (64 KiB): more is a usage line, as a wrong command line is.
    try:
        return json.dumps({"serviceTicket": service_ticket, "publisherUserId": publisher_user_id},
                          ensure_ascii=False).encode("utf-8")
    except UnicodeEncodeError:  # a lone surrogate has no UTF-8 form; its error would quote part of the value
        raise ValueError("service_ticket or publisher_user_id is not well-formed Unicode") from None


def update_arguments(window: object, download_only: object, silent: object, on_progress: object) -> List[str]:
    """Always with --progress: without on_progress the reports still tell whether the update was installing when the
    run went (ClosedForUpdate). The flags come before the window."""
    if not isinstance(download_only, bool):
        raise TypeError("download_only must be a bool, not %s" % type(download_only).__name__)
    if not isinstance(silent, bool):
        raise TypeError("silent must be a bool, not %s" % type(silent).__name__)
    if on_progress is not None and not callable(on_progress):
        raise TypeError("on_progress must be callable, not %s" % type(on_progress).__name__)
    flags = (["--download-only"] if download_only else []) + (["--silent"] if silent else []) + ["--progress"]
    return flags + window_argument(window)


class UpdateStream:
    """What update writes with --progress: whole lines, each ending in a line break, are progress reports, handed to
    on_progress as they arrive; whatever follows the last line break is the result line. Chunks may split lines
    anywhere, so the tail of one is kept for the next. What on_progress raises goes to the caller of feed()."""

    def __init__(self, on_progress: Optional[Callable[[UpdateProgress], object]]) -> None:
        self.output = bytearray()
        self._pending = bytearray()
        self._on_progress = on_progress
        self._last: Optional[UpdateProgress] = None
        self._deploying = False

    def feed(self, chunk: bytes) -> None:
        self.output.extend(chunk)
        self._pending.extend(chunk)
        while (end := self._pending.find(b"\n")) >= 0:
            progress = read_progress_line(bytes(self._pending[:end + 1]))
            del self._pending[:end + 1]
            self._last = progress
            self._deploying = self._deploying or progress.state == "deploying"
            if self._on_progress is not None:
                self._on_progress(progress)

    def finish(self, exit_code: int) -> UpdateResult:
        """The result once the run has ended by itself."""
        if self._pending:
            return read_line(UPDATE, bytes(self._pending), exit_code)
        if self._deploying and self._last is not None:
            # Windows closes an app whose package it installs, and the bridge started from it goes too.
            raise ClosedForUpdate("store-bridge ended without a result line while the update installed (%s)"
                                  % _end(exit_code), exit_code, bytes(self.output), self._last)
        raise NoLine("store-bridge ended without a result line (%s)" % _end(exit_code), exit_code, bytes(self.output))


def _end(exit_code: int) -> str:
    return "signal %d" % -exit_code if exit_code < 0 else "exit code %d" % exit_code


def finish(command: Command[R], output: bytes, exit_code: int) -> R:
    """The result of a run that ended by itself."""
    if not output:
        raise NoLine("store-bridge ended without a result line (%s)" % _end(exit_code), exit_code)
    return read_line(command, output, exit_code)
