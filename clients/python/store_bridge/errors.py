"""Runs that gave the host no result. Failure lines are results, not errors."""

from typing import Optional


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
