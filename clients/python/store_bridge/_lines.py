"""Reading a run's output: one table of the line shapes each command can end with."""

import json
from dataclasses import dataclass
from typing import Any, Callable, Dict, FrozenSet, Generic, List, Optional, Tuple, TypeVar, cast

from .errors import BadLine, UsageError
from .results import (Failure, PurchaseResult, PurchaseStatus, PurchaseStatusResult, RawLine, Result, ReviewResult,
                      ReviewStatus, ReviewStatusResult)

PURCHASE_STATUSES: FrozenSet[str] = frozenset({"purchased", "alreadyPurchased", "cancelled", "error"})
REVIEW_STATUSES: FrozenSet[str] = frozenset({"succeeded", "cancelled", "network", "error"})

R = TypeVar("R", covariant=True)


@dataclass(frozen=True)
class Shape(Generic[R]):
    """A kind of line: its members, its exit code, and its reading (None when a value does not fit)."""
    members: FrozenSet[str]
    exit_code: int
    read: Callable[[RawLine], Optional[R]]


@dataclass(frozen=True)
class Command(Generic[R]):
    word: str
    shapes: Tuple[Shape[R], ...]

    def known_members(self) -> FrozenSet[str]:
        return frozenset(name for shape in self.shapes for name in shape.members)


def _is_text(value: object) -> bool:
    return isinstance(value, str) and value != ""


def _is_one_of(value: object, words: FrozenSet[str]) -> bool:
    return isinstance(value, str) and value in words


def _purchase_status(line: RawLine) -> Optional[PurchaseStatusResult]:
    status = line["status"]
    if line["error"] is None and _is_one_of(status, PURCHASE_STATUSES):
        return PurchaseStatusResult(cast(PurchaseStatus, status), raw=line)
    return None


def _review_status(line: RawLine) -> Optional[ReviewStatusResult]:
    status, updated = line["status"], line["updated"]
    if line["error"] is None and _is_one_of(status, REVIEW_STATUSES) and isinstance(updated, bool):
        return ReviewStatusResult(cast(ReviewStatus, status), updated, raw=line)
    return None


def _purchase_failure(line: RawLine) -> Optional[Failure]:
    error = line["error"]
    return Failure(error, raw=line) if line["status"] == "error" and _is_text(error) else None


def _review_failure(line: RawLine) -> Optional[Failure]:
    error = line["error"]
    if line["status"] == "error" and line["updated"] is False and _is_text(error):
        return Failure(error, False, raw=line)
    return None


def _crash(line: RawLine) -> Optional[Failure]:
    # The crash line has the review failure's shape whichever command crashed.
    return _review_failure(line) if line["error"] == "crash" else None


def _general_failure(line: RawLine) -> Optional[Failure]:
    error = line["error"]
    return Failure(error, raw=line) if isinstance(error, str) else None


GENERAL_FAILURE = Shape(frozenset({"error"}), 1, _general_failure)
CRASH = Shape(frozenset({"status", "updated", "error"}), 1, _crash)

BUY: Command[PurchaseResult] = Command("buy", (
    Shape(frozenset({"status", "error"}), 0, _purchase_status),
    Shape(frozenset({"status", "error"}), 1, _purchase_failure),
    GENERAL_FAILURE,
    CRASH,
))
REVIEW: Command[ReviewResult] = Command("review", (
    Shape(frozenset({"status", "updated", "error"}), 0, _review_status),
    Shape(frozenset({"status", "updated", "error"}), 1, _review_failure),  # the crash line among them
    GENERAL_FAILURE,
))

COMMANDS: Dict[str, Command[Result]] = {command.word: command for command in (BUY, REVIEW)}


def _no_duplicates(pairs: List[Tuple[str, Any]]) -> Dict[str, Any]:
    names = [name for name, _ in pairs]
    if len(names) != len(set(names)):
        raise ValueError("a duplicate member")
    return dict(pairs)


def _not_json(constant: str) -> None:
    raise ValueError("%s is not JSON" % constant)


def read_line(command: Command[R], output: bytes, exit_code: Optional[int]) -> R:
    """The result that a run's stdout and exit code stand for; raises UsageError or BadLine.

    Members the command's lines do not have are ignored (a later bridge may add
    some); the members it knows decide the shape and must have its types.
    """

    def bad(problem: str) -> BadLine:
        return BadLine("%s: %r" % (problem, output), exit_code, output)

    try:
        text = output.decode("utf-8")
        parsed: object = json.loads(text, object_pairs_hook=_no_duplicates, parse_constant=_not_json)
    except ValueError as error:  # also UnicodeDecodeError and JSONDecodeError
        raise bad("not JSON (%s)" % error) from None
    if not (text.startswith("{") and text.endswith("}")) or not isinstance(parsed, dict):
        raise bad("not exactly one JSON object")
    line = cast(Dict[str, Any], parsed)
    known = command.known_members().intersection(line)
    if exit_code == 2 and known == frozenset({"error"}) and line["error"] == "usage":
        raise UsageError("store-bridge refused its command line", exit_code, output)
    for shape in command.shapes:
        result = shape.read(line) if shape.members == known else None
        if result is not None:
            if exit_code != shape.exit_code:
                raise bad("exit code %s does not go with the line" % exit_code)
            return result
    raise bad('not a result line of "%s"' % command.word)
