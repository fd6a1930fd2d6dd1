"""Reading a run's output: one table of the line shapes each command can end with."""

import json
import re
from dataclasses import dataclass
from typing import Any, Callable, Dict, FrozenSet, Generic, List, Mapping, Optional, Tuple, TypeVar, Union, cast

from .errors import BadLine, UsageError
from .results import (AddOnLicense, AppProductResult, AppResult, CollectionData, IdResult,
                      IdStatusResult, Sku, PackageState, BalanceResult, BalanceStatusResult, ConsumableStatus, ConsumeFailure,
                      ConsumeResult, ConsumeStatusResult, Failure, LicenseResult, LicenseStatusResult, PackageUpdate,
                      Product, ProductListResult, ProductsResult, PurchaseResult, PurchaseStatus, PurchaseStatusResult,
                      QueryFailure, RawLine, Result, ReviewResult, ReviewStatus, ReviewStatusResult, UpdateProgress,
                      UpdateResult, UpdatesResult, UpdateState, UpdateStatusResult, UpdatesStatusResult, VersionResult,
                      VersionStatusResult)

PURCHASE_STATUSES: FrozenSet[str] = frozenset({"purchased", "alreadyPurchased", "cancelled", "error"})
REVIEW_STATUSES: FrozenSet[str] = frozenset({"succeeded", "cancelled", "network", "error"})
CONSUMABLE_STATUSES: FrozenSet[str] = frozenset({"succeeded", "insufficientQuantity", "network", "server", "error"})
UPDATE_STATES: FrozenSet[str] = frozenset({"pending", "downloading", "deploying", "completed", "cancelled", "error",
                                           "errorLowBattery", "errorWiFiRecommended", "errorWiFiRequired"})
DURATION_UNITS: FrozenSet[str] = frozenset({"minute", "hour", "day", "week", "month", "year", "unknown"})
MAX_PERIOD = 2 ** 32 - 1

# RFC 3339 UTC in whole seconds; a failure HRESULT as 0x%08X; a GUID as the bridge writes it back.
DATE = re.compile(r"[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z")
FAILURE_CODE = re.compile(r"0x[89A-F][0-9A-F]{7}")
TRACKING_ID = re.compile(r"[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}")
# A package version, Major.Minor.Build.Revision, each part 0 to 65535 written without leading zeros.
PACKAGE_VERSION = re.compile(r"(?:0|[1-9][0-9]{0,4})(?:\.(?:0|[1-9][0-9]{0,4})){3}")
MAX_BALANCE = 2 ** 32 - 1
MAX_BYTES = 2 ** 64 - 1

R = TypeVar("R", covariant=True)
E = TypeVar("E")


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


def _is_bool(value: object) -> bool:
    return isinstance(value, bool)


def _is_str(value: object) -> bool:
    return isinstance(value, str)


def _is_count(value: object) -> bool:
    return isinstance(value, int) and not isinstance(value, bool) and value >= 0


def _matches(pattern: "re.Pattern[str]", value: object) -> bool:
    return isinstance(value, str) and pattern.fullmatch(value) is not None


def _is_date(value: object) -> bool:
    return value is None or _matches(DATE, value)


def _is_code(value: object) -> bool:
    return value is None or _matches(FAILURE_CODE, value)


def _is_update_state(value: object) -> bool:
    return _is_one_of(value, UPDATE_STATES)


def _is_fraction(value: object) -> bool:
    return isinstance(value, (int, float)) and not isinstance(value, bool) and 0 <= value <= 1


def _is_byte_count(value: object) -> bool:
    return _is_count(value) and cast(int, value) <= MAX_BYTES


def _is_package_version(value: object) -> bool:
    return _matches(PACKAGE_VERSION, value) and all(int(part) <= 0xFFFF for part in cast(str, value).split("."))


def _is_period(value: object) -> bool:
    return value is None or (_is_count(value) and cast(int, value) <= MAX_PERIOD)


def _is_duration_unit(value: object) -> bool:
    return value is None or _is_one_of(value, DURATION_UNITS)


# What _fields and _entries give for a value that does not fit (None is a value a member can have).
MISFIT: Any = object()


@dataclass(frozen=True)
class Nested:
    """A member that is an object or a list of its own, read into its own type (MISFIT when it does not fit), so
    that its unknown members are dropped too."""
    read: Callable[[object], Any]


Types = Mapping[str, Union[Callable[[object], bool], Nested]]


def _fields(entry: object, types: Types) -> Optional[List[Any]]:
    """An entry's values in the order of types, or None when it is no object or one does not fit. Members beyond
    these are ignored, as at the top of a line."""
    if not isinstance(entry, dict):
        return None
    values = []
    for name, kind in types.items():
        if name not in entry:
            return None
        value = kind.read(entry[name]) if isinstance(kind, Nested) else entry[name]
        if value is MISFIT or (not isinstance(kind, Nested) and not kind(value)):
            return None
        values.append(value)
    return values


def _entries(value: object, types: Types, make: Callable[..., E]) -> Optional[Tuple[E, ...]]:
    if not isinstance(value, list):
        return None
    made = []
    for entry in value:
        fields = _fields(entry, types)
        if fields is None:
            return None
        made.append(make(*fields))
    return tuple(made)


ADD_ON = {"storeId": _is_str, "sku": _is_str, "active": _is_bool, "expires": _is_date, "offerToken": _is_str}
COLLECTION_DATA: Types = {"trial": _is_bool, "acquired": _is_date, "start": _is_date, "end": _is_date,
                          "trialSecondsLeft": _is_count}


def _collection_data(value: object) -> Any:
    fields = None if value is None else _fields(value, COLLECTION_DATA)
    return None if value is None else MISFIT if fields is None else CollectionData(*fields)


SKU: Types = {"storeId": _is_str, "title": _is_str, "description": _is_str, "trial": _is_bool,
              "subscription": _is_bool, "price": _is_str, "basePrice": _is_str, "currency": _is_str,
              "onSale": _is_bool, "saleEnds": _is_date, "recurrencePrice": _is_str, "inCollection": _is_bool,
              "billingPeriod": _is_period, "billingPeriodUnit": _is_duration_unit, "trialPeriod": _is_period,
              "trialPeriodUnit": _is_duration_unit, "collection": Nested(_collection_data)}


def _sku(entry: object) -> Optional[Sku]:
    """A period and its unit are there together; the trial's only with a billing period (a SKU without
    subscription terms has neither, one without a trial period no trial's)."""
    fields = _fields(entry, SKU)
    if fields is None:
        return None
    sku = Sku(*fields)
    billing, trial = sku.billing_period is not None, sku.trial_period is not None
    paired = billing == (sku.billing_period_unit is not None) and trial == (sku.trial_period_unit is not None)
    return sku if paired and (billing or not trial) else None


def _skus(value: object) -> Any:
    if not isinstance(value, list):
        return MISFIT
    skus = [_sku(entry) for entry in value]
    return MISFIT if None in skus else tuple(skus)


PRODUCT: Types = {"storeId": _is_str, "kind": _is_str, "title": _is_str, "description": _is_str, "price": _is_str,
                  "basePrice": _is_str, "currency": _is_str, "onSale": _is_bool, "saleEnds": _is_date,
                  "recurrencePrice": _is_str, "inCollection": _is_bool, "offerToken": _is_str,
                  "skus": Nested(_skus)}
PACKAGE_UPDATE = {"packageFamilyName": _is_str, "version": _is_package_version, "mandatory": _is_bool}
PACKAGE_STATE = {"packageFamilyName": _is_str, "state": _is_update_state}
PROGRESS = {"packageFamilyName": _is_str, "state": _is_update_state, "packageProgress": _is_fraction,
            "totalProgress": _is_fraction, "bytesDownloaded": _is_byte_count, "downloadSize": _is_byte_count}
LICENSE = {"active": _is_bool, "trial": _is_bool, "trialOwned": _is_bool, "trialSecondsLeft": _is_count,
           "expires": _is_date, "sku": _is_str, "trialId": _is_str}


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


def _license(line: RawLine) -> Optional[LicenseStatusResult]:
    add_ons = _entries(line["addOns"], ADD_ON, AddOnLicense)
    if line["status"] == "ok" and line["error"] is None and _fields(line, LICENSE) is not None and add_ons is not None:
        return LicenseStatusResult(line["active"], line["trial"], line["trialOwned"], line["trialSecondsLeft"],
                                   line["expires"], line["sku"], line["trialId"], add_ons, raw=line)
    return None


def _product_list(line: RawLine) -> Optional[ProductListResult]:
    products = _entries(line["products"], PRODUCT, Product)
    if line["status"] == "ok" and line["error"] is None and products is not None:
        return ProductListResult(products, raw=line)
    return None


def _query_failure(line: RawLine) -> Optional[QueryFailure]:
    # Without a code the text says why ("no result", "no operation"); a code's own words may be empty.
    code, error = line["code"], line["error"]
    if line["status"] == "error" and _is_code(code) and _is_str(error) and (code is not None or error != ""):
        return QueryFailure(code, error, raw=line)
    return None


def _consumable_answer(line: RawLine) -> bool:
    # The Store's answer: its status word always stands, code is its extended error.
    balance = line["balance"]
    return (line["error"] is None and _is_one_of(line["status"], CONSUMABLE_STATUSES) and _is_count(balance)
            and balance <= MAX_BALANCE and _is_code(line["code"]))


def _balance_status(line: RawLine) -> Optional[BalanceStatusResult]:
    if _consumable_answer(line):
        return BalanceStatusResult(cast(ConsumableStatus, line["status"]), line["balance"], line["code"], raw=line)
    return None


def _consume_status(line: RawLine) -> Optional[ConsumeStatusResult]:
    tracking_id = line["trackingId"]
    if _consumable_answer(line) and _matches(TRACKING_ID, tracking_id):
        return ConsumeStatusResult(cast(ConsumableStatus, line["status"]), line["balance"], tracking_id, line["code"],
                                   raw=line)
    return None


def _consume_failure(line: RawLine) -> Optional[ConsumeFailure]:
    # Without a result the line still carries the tracking ID that was sent, to retry with.
    failure, tracking_id = _query_failure(line), line["trackingId"]
    if failure is not None and _matches(TRACKING_ID, tracking_id):
        return ConsumeFailure(failure.code, tracking_id, failure.error, raw=line)
    return None


def _updates_status(line: RawLine) -> Optional[UpdatesStatusResult]:
    # None: the Store context cannot say whether it may download without asking.
    updates, silent = _entries(line["updates"], PACKAGE_UPDATE, PackageUpdate), line["canSilentlyDownload"]
    answered = line["status"] == "ok" and line["error"] is None
    if answered and updates is not None and (silent is None or _is_bool(silent)):
        return UpdatesStatusResult(updates, silent, raw=line)
    return None


def _update_status(line: RawLine) -> Optional[UpdateStatusResult]:
    status, packages = line["status"], _entries(line["packages"], PACKAGE_STATE, PackageState)
    # The check found nothing: no second call, so no package either.
    done = packages == () if status == "noUpdates" else _is_update_state(status)
    if done and line["error"] is None and packages is not None:
        return UpdateStatusResult(status, packages, raw=line)
    return None


def _app_product(line: RawLine) -> Optional[AppProductResult]:
    # The product is None when the Store's result has none.
    entry = line["product"]
    fields = None if entry is None else _fields(entry, PRODUCT)
    if line["status"] == "ok" and line["error"] is None and (entry is None or fields is not None):
        return AppProductResult(None if fields is None else Product(*fields), raw=line)
    return None


def _customer_id(line: RawLine) -> Optional[IdStatusResult]:
    # An empty ID is no answer: the bridge gives the query failure "no id" instead.
    if line["status"] == "ok" and line["error"] is None and _is_text(line["id"]):
        return IdStatusResult(line["id"], raw=line)
    return None


def _version_status(line: RawLine) -> Optional[VersionStatusResult]:
    # elevated is None when the process token cannot be read.
    version, package, elevated = line["version"], line["package"], line["elevated"]
    answered = line["status"] == "ok" and line["error"] is None and _is_text(version)
    if answered and (package is None or _is_str(package)) and (elevated is None or _is_bool(elevated)):
        return VersionStatusResult(version, package, elevated, raw=line)
    return None


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

QUERY_FAILURE = Shape(frozenset({"status", "code", "error"}), 1, _query_failure)
LICENSE_LINE = frozenset({"status", "active", "trial", "trialOwned", "trialSecondsLeft", "expires", "sku", "trialId",
                          "addOns", "error"})
PRODUCT_LIST = Shape(frozenset({"status", "products", "error"}), 0, _product_list)

LICENSE_COMMAND: Command[LicenseResult] = Command("license", (
    Shape(LICENSE_LINE, 0, _license), QUERY_FAILURE, GENERAL_FAILURE, CRASH))
PRODUCTS: Command[ProductsResult] = Command("products", (PRODUCT_LIST, QUERY_FAILURE, GENERAL_FAILURE, CRASH))
COLLECTION: Command[ProductsResult] = Command("collection", PRODUCTS.shapes)
CONSUME: Command[ConsumeResult] = Command("consume", (
    Shape(frozenset({"status", "balance", "trackingId", "code", "error"}), 0, _consume_status),
    Shape(frozenset({"status", "code", "trackingId", "error"}), 1, _consume_failure),
    GENERAL_FAILURE,
    CRASH,
))
BALANCE: Command[BalanceResult] = Command("balance", (
    Shape(frozenset({"status", "balance", "code", "error"}), 0, _balance_status),
    QUERY_FAILURE,
    GENERAL_FAILURE,
    CRASH,
))
UPDATES: Command[UpdatesResult] = Command("updates", (
    Shape(frozenset({"status", "updates", "canSilentlyDownload", "error"}), 0, _updates_status),
    QUERY_FAILURE,
    GENERAL_FAILURE,
    CRASH,
))
# "owner closed" is a query failure without a code: the Store may still finish the update.
UPDATE: Command[UpdateResult] = Command("update", (
    Shape(frozenset({"status", "packages", "error"}), 0, _update_status),
    QUERY_FAILURE,
    GENERAL_FAILURE,
    CRASH,
))
# No Store call, so no Store failure line of its own.
APP: Command[AppResult] = Command("app", (
    Shape(frozenset({"status", "product", "error"}), 0, _app_product), QUERY_FAILURE, GENERAL_FAILURE, CRASH))
CUSTOMER_ID = Shape(frozenset({"status", "id", "error"}), 0, _customer_id)
PURCHASE_ID: Command[IdResult] = Command("purchase-id", (CUSTOMER_ID, QUERY_FAILURE, GENERAL_FAILURE, CRASH))
COLLECTIONS_ID: Command[IdResult] = Command("collections-id", PURCHASE_ID.shapes)
VERSION: Command[VersionResult] = Command("version", (
    Shape(frozenset({"status", "version", "package", "elevated", "error"}), 0, _version_status),
    GENERAL_FAILURE,
    CRASH,
))

COMMANDS: Dict[str, Command[Result]] = {command.word: command for command in (
    BUY, REVIEW, LICENSE_COMMAND, PRODUCTS, COLLECTION, CONSUME, BALANCE, UPDATES, UPDATE, APP, PURCHASE_ID,
    COLLECTIONS_ID, VERSION)}


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
        raise UsageError("store-bridge refused its command line or standard input", exit_code, output)
    for shape in command.shapes:
        result = shape.read(line) if shape.members == known else None
        if result is not None:
            if exit_code != shape.exit_code:
                raise bad("exit code %s does not go with the line" % exit_code)
            return result
    raise bad('not a result line of "%s"' % command.word)


def read_progress_line(output: bytes) -> UpdateProgress:
    """One progress line of update, its line break included: {"progress":{...}} and nothing else at its top, read as
    strictly as a result line; raises BadLine. Members a later bridge may add inside the report are ignored."""

    def bad(problem: str) -> BadLine:
        return BadLine("%s: %r" % (problem, output), None, output)

    try:
        text = output.decode("utf-8")
        parsed: object = json.loads(text, object_pairs_hook=_no_duplicates, parse_constant=_not_json)
    except ValueError as error:
        raise bad("not JSON (%s)" % error) from None
    if not (text.startswith("{") and text.endswith("}\n")) or not isinstance(parsed, dict):
        raise bad("not exactly one JSON object and its line break")
    report = parsed.get("progress") if list(parsed) == ["progress"] else None
    fields = _fields(report, PROGRESS)
    if fields is None:
        raise bad("not a progress line")
    name, state, package_progress, total_progress, bytes_downloaded, download_size = fields
    return UpdateProgress(name, cast(UpdateState, state), float(package_progress), float(total_progress),
                          bytes_downloaded, download_size)
