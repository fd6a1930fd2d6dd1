"""Runs that gave the host no result. Failure lines are results, not errors."""

from typing import TYPE_CHECKING, Optional

if TYPE_CHECKING:
    from .results import UpdateProgress


class StoreBridgeError(Exception):
    """The run gave no result."""

    def __init__(self, message: str, exit_code: Optional[int] = None, output: bytes = b"") -> None:
        super().__init__(message)
        self.exit_code = exit_code  # None when there was none; negative: the signal that ended it
        self.output = output        # stdout as bytes


class NotStarted(StoreBridgeError, OSError):
    """The executable could not be started."""


class TimedOut(StoreBridgeError, TimeoutError):
    """The time-out ran out; the run was killed."""


class NoLine(StoreBridgeError):
    """The run ended without writing anything (killed, or the runtime's abort)."""


class BadLine(StoreBridgeError):
    """The output is not a documented line, or its exit code does not go with it."""


class UsageError(StoreBridgeError):
    """The bridge refused its command line."""


class ClosedForUpdate(StoreBridgeError):
    """update() ended without a result line after a report in state "deploying": Windows closed the app to install
    it, and the bridge with it. Run updates() again at the next start. last_progress is the last report seen."""

    def __init__(self, message: str, exit_code: Optional[int], output: bytes, last_progress: "UpdateProgress") -> None:
        super().__init__(message, exit_code, output)
        self.last_progress = last_progress
