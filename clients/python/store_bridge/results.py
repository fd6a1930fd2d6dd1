"""What a run of store-bridge stands for, one type per kind of line.

A status result (exit_code 0) means the Store answered; a Failure (exit_code 1)
means it did not, and says why. The types are told apart by exit_code, so a type
checker knows that error is None after `if result.exit_code == 0`.
"""

from dataclasses import dataclass, field
from typing import Any, Literal, Mapping, Optional, Tuple, Union

PurchaseStatus = Literal["purchased", "alreadyPurchased", "cancelled", "error"]
ReviewStatus = Literal["succeeded", "cancelled", "network", "error"]
ConsumableStatus = Literal["succeeded", "insufficientQuantity", "network", "server", "error"]
# The state of an update, of the whole call or of one package.
UpdateState = Literal["pending", "downloading", "deploying", "completed", "cancelled", "error", "errorLowBattery",
                      "errorWiFiRecommended", "errorWiFiRequired"]
# A unit of a subscription's billing or trial period; "unknown" for one this bridge does not know.
DurationUnit = Literal["minute", "hour", "day", "week", "month", "year", "unknown"]

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


@dataclass(frozen=True)
class AddOnLicense:
    """An add-on licence the user holds (a durable add-on or a subscription).

    store_id is the product's Store ID, the part of sku ("9NBLGGH4TNMP/0010")
    before its first "/": the ID that products() and buy() use. expires is UTC,
    "YYYY-MM-DDTHH:MM:SSZ", or None when the licence never ends.
    """
    store_id: str
    sku: str
    active: bool
    expires: Optional[str]
    offer_token: str


@dataclass(frozen=True)
class LicenseStatusResult:
    """The app's licence and its add-on licences (sorted by store_id); dates as for AddOnLicense.

    trial_seconds_left is whole seconds, 0 unless trial.
    """
    active: bool
    trial: bool
    trial_owned: bool
    trial_seconds_left: int
    expires: Optional[str]
    sku: str
    trial_id: str
    add_ons: Tuple[AddOnLicense, ...]
    status: Literal["ok"] = field(default="ok", init=False)
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class CollectionData:
    """The user's entitlement to a SKU; dates as for AddOnLicense, None for none and for never.

    trial_seconds_left is whole seconds, for usage-limited trials only (few
    developer accounts have them).
    """
    trial: bool
    acquired: Optional[str]
    start: Optional[str]
    end: Optional[str]
    trial_seconds_left: int


@dataclass(frozen=True)
class Sku:
    """One SKU of a product ("9NBLGGH4TNMP/0010"), with the user's prices.

    The four period members are None without subscription terms, the trial's
    two None without a trial period. The platform is known to report an owned
    subscription SKU with subscription False and no terms: look for the terms
    on any SKU. in_collection is unreliable in a products() answer; collection
    is None when the Store gives no entitlement data.
    """
    store_id: str
    title: str
    description: str
    trial: bool
    subscription: bool
    price: str
    base_price: str
    currency: str
    on_sale: bool
    sale_ends: Optional[str]
    recurrence_price: str
    in_collection: bool
    billing_period: Optional[int]
    billing_period_unit: Optional[DurationUnit]
    trial_period: Optional[int]
    trial_period_unit: Optional[DurationUnit]
    collection: Optional[CollectionData]


@dataclass(frozen=True)
class Product:
    """A product with the user's prices; one without a price has empty price texts and on_sale False.

    kind is the Store's word ("Durable", "Consumable", ..., or one a later
    platform adds); sale_ends is UTC, "YYYY-MM-DDTHH:MM:SSZ", or None unless on
    sale with an end. The description may hold line breaks. skus holds every
    SKU, sorted by store_id.
    """
    store_id: str
    kind: str
    title: str
    description: str
    price: str
    base_price: str
    currency: str
    on_sale: bool
    sale_ends: Optional[str]
    recurrence_price: str
    in_collection: bool
    offer_token: str
    skus: Tuple[Sku, ...]


@dataclass(frozen=True)
class ProductListResult:
    """The products of products() or collection(), sorted by store_id."""
    products: Tuple[Product, ...]
    status: Literal["ok"] = field(default="ok", init=False)
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class BalanceStatusResult:
    """The Store answered a balance query; its status word stands even when code is set.

    code is the result's extended error ("0x8XXXXXXX") when it is a failure code, else None.
    """
    status: ConsumableStatus
    balance: int
    code: Optional[str] = None
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class ConsumeStatusResult:
    """The Store answered a fulfilment report; tracking_id is the one sent (lower case, no braces), to retry with."""
    status: ConsumableStatus
    balance: int
    tracking_id: str
    code: Optional[str] = None
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class QueryFailure:
    """A query, balance(), updates() or update() failed on the platform: code is the HRESULT ("0x8XXXXXXX") and error its words
    (possibly empty); or code is None and error is "no result" or "no operation"."""
    code: Optional[str]
    error: str
    status: Literal["error"] = field(default="error", init=False)
    exit_code: Literal[1] = field(default=1, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class ConsumeFailure:
    """consume() ended without a Store result, as QueryFailure; tracking_id is the one sent, to retry with."""
    code: Optional[str]
    tracking_id: str
    error: str
    status: Literal["error"] = field(default="error", init=False)
    exit_code: Literal[1] = field(default=1, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class PackageUpdate:
    """An update the Store has for one of this app's packages (the app's own or an optional one).

    version is "Major.Minor.Build.Revision", each part 0 to 65535. mandatory is
    what Partner Center says; the platform does not enforce it.
    """
    package_family_name: str
    version: str
    mandatory: bool


@dataclass(frozen=True)
class UpdatesStatusResult:
    """The updates the Store has for this app's packages, sorted by package_family_name (empty when none).

    can_silently_download tells whether the Store may download them without
    asking the user; None when the Store context cannot say.
    """
    updates: Tuple[PackageUpdate, ...]
    can_silently_download: Optional[bool]
    status: Literal["ok"] = field(default="ok", init=False)
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class UpdateProgress:
    """Where one package's update stands, as the Store reported it while update() ran.

    state "deploying": Windows installs it, and may close the app (and the
    bridge) to do so. The progress values are fractions from 0 to 1; the byte
    counts are exact (0 to 2**64 - 1).
    """
    package_family_name: str
    state: UpdateState
    package_progress: float
    total_progress: float
    bytes_downloaded: int
    download_size: int


@dataclass(frozen=True)
class PackageState:
    """One package of an update and the state it ended in."""
    package_family_name: str
    state: UpdateState


@dataclass(frozen=True)
class UpdateStatusResult:
    """The update call ended: status is the state of the whole call, packages each package's state, sorted by
    package_family_name; or status is "noUpdates" and packages empty: the check found nothing to update."""
    status: Union[UpdateState, Literal["noUpdates"]]
    packages: Tuple[PackageState, ...]
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class AppProductResult:
    """The app's own product in the Store; None when the Store's result has none."""
    product: Optional[Product]
    status: Literal["ok"] = field(default="ok", init=False)
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class IdStatusResult:
    """A Microsoft Store ID key for the developer's service, valid for 30 days."""
    id: str
    status: Literal["ok"] = field(default="ok", init=False)
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


@dataclass(frozen=True)
class VersionStatusResult:
    """The bridge's version ("0.2.0"), the package full name its process runs under (None without package
    identity, when the Store acts for no app) and whether it runs elevated, where in-app purchase is not supported
    (None when its token cannot be read)."""
    version: str
    package: Optional[str]
    elevated: Optional[bool]
    status: Literal["ok"] = field(default="ok", init=False)
    error: None = field(default=None, init=False)
    exit_code: Literal[0] = field(default=0, init=False)
    raw: RawLine = _raw()


PurchaseResult = Union[PurchaseStatusResult, Failure]
ReviewResult = Union[ReviewStatusResult, Failure]
LicenseResult = Union[LicenseStatusResult, QueryFailure, Failure]
ProductsResult = Union[ProductListResult, QueryFailure, Failure]
ConsumeResult = Union[ConsumeStatusResult, ConsumeFailure, Failure]
BalanceResult = Union[BalanceStatusResult, QueryFailure, Failure]
UpdatesResult = Union[UpdatesStatusResult, QueryFailure, Failure]
# The QueryFailure includes "owner closed", code None: the host's window went while the Store's UI was up.
UpdateResult = Union[UpdateStatusResult, QueryFailure, Failure]
VersionResult = Union[VersionStatusResult, Failure]
AppResult = Union[AppProductResult, QueryFailure, Failure]
# The QueryFailure includes "no id", code None: the Store answered with an empty ID.
IdResult = Union[IdStatusResult, QueryFailure, Failure]
Result = Union[PurchaseStatusResult, ReviewStatusResult, LicenseStatusResult, ProductListResult, ConsumeStatusResult,
               BalanceStatusResult, UpdatesStatusResult, UpdateStatusResult, VersionStatusResult, AppProductResult,
               IdStatusResult, QueryFailure, ConsumeFailure, Failure]
