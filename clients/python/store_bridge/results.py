"""What a run of store-bridge stands for, one type per kind of line.

A status result (exit_code 0) means the Store answered; a Failure (exit_code 1)
means it did not, and says why. The types are told apart by exit_code, so a type
checker knows that error is None after `if result.exit_code == 0`.
"""

from dataclasses import dataclass, field
from typing import Any, Literal, Mapping, Optional, Union

PurchaseStatus = Literal["purchased", "alreadyPurchased", "cancelled", "error"]
ReviewStatus = Literal["succeeded", "cancelled", "network", "error"]

# The line as read, members this client does not know included (a later bridge may add some).
RawLine = Mapping[str, Any]


def _no_members() -> RawLine:
    return {}


def _raw() -> Any:
    return field(default_factory=_no_members, compare=False, repr=False)


@dataclass(frozen=True)
class PurchaseStatusResult:
    """The Store delivered a purchase result, even when its word is "error"."""
    status: PurchaseStatus
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class ReviewStatusResult:
    """The Store delivered a review result; updated: an earlier review of the user's was replaced."""
    status: ReviewStatus
    updated: bool
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class Failure:
    """The run ended without a Store result; error says why (the general failure's text may be empty).

    updated is False on the lines that carry it (review failures, "no operation",
    "owner closed", "crash") and None on the others.
    """
    error: str
    updated: Optional[Literal[False]] = None
    status: Literal["error"] = field(default="error", init=False)
    exit_code: Literal[1] = field(default=1, init=False)
    raw: RawLine = _raw()


PurchaseResult = Union[PurchaseStatusResult, Failure]
ReviewResult = Union[ReviewStatusResult, Failure]
Result = Union[PurchaseStatusResult, ReviewStatusResult, Failure]
