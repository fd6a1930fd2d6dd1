"""A host's code as a type checker must see it; clients/test runs `mypy --strict` over this file.

Each `type: ignore[...]` marks a misuse the checker must catch: under --strict an
ignore that catches nothing is itself an error, so none of these can pass silently.
"""

import uuid
from pathlib import Path
from typing import FrozenSet, List, Literal, Optional, Tuple

import store_bridge
import store_bridge.aio
from store_bridge import (BalanceResult, ClosedForUpdate, ConsumableStatus, ConsumeFailure, ConsumeResult, Failure,
                          LicenseResult, PackageState, PackageUpdate, Product, ProductsResult, PurchaseResult,
                          PurchaseStatus, QueryFailure, ReviewResult, ReviewStatus, StoreBridgeError, UpdateProgress,
                          UpdateResult, UpdatesResult, UpdateState, VersionResult, AppResult, IdResult, Sku,
                          DurationUnit, CollectionData)


def purchase_words(result: PurchaseResult) -> str:
    if result.exit_code == 0:
        status: PurchaseStatus = result.status
        no_text: None = result.error  # after success error is None, not Optional
        return status
    text: str = result.error  # after failure it is text
    return text


def review_updated(result: ReviewResult) -> Optional[bool]:
    if isinstance(result, Failure):
        updated: Optional[Literal[False]] = result.updated
        return updated
    return result.updated


def misuses(purchase: PurchaseResult, review: ReviewResult) -> None:
    text: str = purchase.error  # type: ignore[assignment]
    if purchase.exit_code == 0:
        still_none: str = purchase.error  # type: ignore[assignment]
    words: ReviewStatus = purchase.status  # type: ignore[assignment]
    if review.exit_code == 0:
        review_words: PurchaseStatus = review.status  # type: ignore[assignment]
    purchase.updated  # type: ignore[union-attr]
    store_bridge.buy(42, executable="store-bridge.exe")  # type: ignore[arg-type]
    store_bridge.review(executable="store-bridge.exe", window="4242")  # type: ignore[arg-type]
    store_bridge.buy("9NBLGGH4R315", window="4242")  # type: ignore[arg-type]
    store_bridge.buy("9NBLGGH4R315", executable=42)  # type: ignore[arg-type]


def with_bundled_program() -> Path:
    bought: PurchaseResult = store_bridge.buy("9NBLGGH4R315", window=4242)
    reviewed: ReviewResult = store_bridge.review(window=4242)
    return store_bridge.exe_path()


def owned_add_ons(result: LicenseResult) -> FrozenSet[str]:
    if result.exit_code == 1:
        # Only the query's own failure line has a code; the general failure and crash lines have none.
        code: Optional[str] = result.code if isinstance(result, QueryFailure) else None
        return frozenset() if code is None else frozenset({code, result.error})
    expires: Optional[str] = result.expires
    left: int = result.trial_seconds_left
    return frozenset(add_on.store_id for add_on in result.add_ons if add_on.active and (expires or left))


def offers(result: ProductsResult) -> Tuple[Product, ...]:
    if result.exit_code == 1:
        return ()
    sale_ends: Optional[str] = result.products[0].sale_ends
    return tuple(product for product in result.products if not product.in_collection and sale_ends)


def fulfilment(result: ConsumeResult) -> str:
    if result.exit_code == 0:
        status: ConsumableStatus = result.status
        code: Optional[str] = result.code
        left: int = result.balance
        return "%s %s %d %s" % (status, code, left, result.tracking_id)
    if isinstance(result, ConsumeFailure):
        retry_with: str = result.tracking_id
        return retry_with
    return result.error


def identity(result: VersionResult) -> str:
    """What to log when the Store refuses to act: which bridge ran, and for which package."""
    if result.exit_code == 1:
        return result.error
    package: Optional[str] = result.package
    no_text: None = result.error
    return "%s %s" % (result.version, package or "without package identity")


def version_misuses(result: VersionResult) -> None:
    if result.exit_code == 0:
        package: str = result.package  # type: ignore[assignment]
    else:
        result.version  # type: ignore[attr-defined]
    store_bridge.version("9NBLGGH4R315", executable="store-bridge.exe")  # type: ignore[misc]
    wrong: LicenseResult = store_bridge.read_result_line("version", b"", 0)  # type: ignore[assignment]


def update_banner(result: UpdatesResult) -> str:
    """The banner to show, if any: mandatory updates; silent downloads only when the Store allows them."""
    if result.exit_code == 1:
        code: Optional[str] = result.code if isinstance(result, QueryFailure) else None
        return "%s: %s" % (code or "no code", result.error)
    mandatory: Tuple[PackageUpdate, ...] = tuple(update for update in result.updates if update.mandatory)
    silent: Optional[bool] = result.can_silently_download
    no_text: None = result.error
    names = ", ".join("%s %s" % (update.package_family_name, update.version) for update in mandatory)
    return names + (" (downloading)" if silent is True else "")


def updates_misuses(result: UpdatesResult) -> None:
    if result.exit_code == 0:
        silent: bool = result.can_silently_download  # type: ignore[assignment]
        result.updates.append(result.updates[0])  # type: ignore[attr-defined]
        version: int = result.updates[0].version  # type: ignore[assignment]
        result.updates[0].size  # type: ignore[attr-defined]
    else:
        result.updates  # type: ignore[union-attr]
        code: Optional[str] = result.code  # type: ignore[union-attr]
    store_bridge.updates("Contoso.Notes_8wekyb3d8bbwe", executable="store-bridge.exe")  # type: ignore[misc]
    store_bridge.updates(executable="store-bridge.exe", window=4242)  # type: ignore[call-arg]
    wrong: LicenseResult = store_bridge.read_result_line("updates", b"", 0)  # type: ignore[assignment]


def install_updates(window: int, silent: bool) -> str:
    """Install what the check found with a progress bar; a run Windows ended to install the app is no failure."""
    shares: List[float] = []

    def bar(progress: UpdateProgress) -> None:
        share: float = progress.total_progress
        size: int = progress.download_size
        shares.append(share * size)

    try:
        result = store_bridge.update(window, False, silent, bar, executable="store-bridge.exe", timeout=3600)
    except ClosedForUpdate as closed:
        error: StoreBridgeError = closed
        state: UpdateState = closed.last_progress.state
        return "closed while %s (%s)" % (state, error)
    if isinstance(result, QueryFailure):
        code: Optional[str] = result.code
        return "%s: %s" % (code, result.error)
    if result.exit_code == 1:
        return result.error
    if result.status == "noUpdates":
        return "up to date"
    failed: Tuple[PackageState, ...] = tuple(package for package in result.packages if package.state != "completed")
    no_text: None = result.error
    return "%s: %s%s" % (result.status, ", ".join(package.package_family_name for package in failed), no_text or "")


def update_misuses(result: UpdateResult, progress: UpdateProgress) -> None:
    if result.exit_code == 0:
        state: UpdateState = result.status  # type: ignore[assignment]
        result.packages.append(result.packages[0])  # type: ignore[attr-defined]
        result.packages[0].version  # type: ignore[attr-defined]
    else:
        result.packages  # type: ignore[union-attr]
    progress.total_progress = 1.0  # type: ignore[misc]
    fraction: str = progress.package_progress  # type: ignore[assignment]
    store_bridge.update(executable="store-bridge.exe", download_only="yes")  # type: ignore[arg-type]
    store_bridge.update("4242", executable="store-bridge.exe")  # type: ignore[arg-type]
    store_bridge.update(on_progress=lambda share: share + 1, executable="store-bridge.exe")  # type: ignore[operator]
    store_bridge.update(4242, False, False, None, "store-bridge.exe")  # type: ignore[misc]
    wrong: UpdatesResult = store_bridge.read_result_line("update", b"", 0)  # type: ignore[assignment]


def later_misuses(license: LicenseResult, listed: ProductsResult, consumed: ConsumeResult,
                  left: BalanceResult) -> None:
    if license.exit_code == 1:
        code: Optional[str] = license.code  # type: ignore[union-attr]
    else:
        license.add_ons.append(license.add_ons[0])  # type: ignore[attr-defined]
        license.add_ons[0].title  # type: ignore[attr-defined]
    listed.products  # type: ignore[union-attr]
    if left.exit_code == 0:
        left.tracking_id  # type: ignore[attr-defined]
    retry: str = consumed.tracking_id  # type: ignore[union-attr]
    if consumed.exit_code == 0:
        purchased: ConsumableStatus = "purchased"  # type: ignore[assignment]
    store_bridge.consume("9NBLGGH4CO1N", "5", executable="store-bridge.exe")  # type: ignore[arg-type]
    store_bridge.consume("9NBLGGH4CO1N", 5, 42, executable="store-bridge.exe")  # type: ignore[arg-type]
    store_bridge.license("9NBLGGH4R315", executable="store-bridge.exe")  # type: ignore[misc]
    store_bridge.balance(executable="store-bridge.exe")  # type: ignore[call-arg]
    wrong: LicenseResult = store_bridge.read_result_line("collection", b"", 0)  # type: ignore[assignment]


async def calls() -> None:
    from_wheel: PurchaseResult = await store_bridge.aio.buy("9NBLGGH4R315")
    bought: PurchaseResult = await store_bridge.aio.buy("9NBLGGH4R315", executable="store-bridge.exe", timeout=600)
    reviewed: ReviewResult = await store_bridge.aio.review(executable="store-bridge.exe", window=4242)
    read: PurchaseResult = store_bridge.read_result_line("buy", b'{"status":"purchased","error":null}', 0)
    misread: ReviewResult = store_bridge.read_result_line("buy", b"", 0)  # type: ignore[assignment]
    license: LicenseResult = await store_bridge.aio.license(executable="store-bridge.exe")
    listed: ProductsResult = await store_bridge.aio.products(("Durable", "Game"), executable="store-bridge.exe")
    owned: ProductsResult = await store_bridge.aio.collection(executable="store-bridge.exe", timeout=30)
    consumed: ConsumeResult = await store_bridge.aio.consume("9NBLGGH4CO1N", 5, uuid.uuid4(),
                                                             executable="store-bridge.exe")
    left: BalanceResult = await store_bridge.aio.balance("9NBLGGH4CO1N", executable="store-bridge.exe")
    read_consume: ConsumeResult = store_bridge.read_result_line("consume", b"", 0)
    reported: VersionResult = await store_bridge.aio.version(executable="store-bridge.exe", timeout=10)
    read_version: VersionResult = store_bridge.read_result_line("version", b"", 0)
    pending: UpdatesResult = await store_bridge.aio.updates(executable="store-bridge.exe", timeout=60)
    checked: UpdatesResult = store_bridge.updates(executable="store-bridge.exe", timeout=60)
    read_updates: UpdatesResult = store_bridge.read_result_line("updates", b"", 0)
    shown: List[UpdateProgress] = []
    installed: UpdateResult = await store_bridge.aio.update(4242, on_progress=shown.append,
                                                            executable="store-bridge.exe", timeout=3600)
    downloaded: UpdateResult = store_bridge.update(download_only=True, silent=True, executable="store-bridge.exe")
    read_update: UpdateResult = store_bridge.read_result_line("update", b"", 0)
    listing: AppResult = await store_bridge.aio.app(executable="store-bridge.exe", timeout=60)
    key: IdResult = await store_bridge.aio.purchase_id("ticket", "user-1", executable="store-bridge.exe", timeout=60)
    other_key: IdResult = store_bridge.collections_id("ticket", "user-1", executable="store-bridge.exe")
    read_key: IdResult = store_bridge.read_result_line("collections-id", b"", 0)
    store_bridge.purchase_id("ticket", 42)  # type: ignore[arg-type]
    store_bridge.collections_id(service_ticket="ticket")  # type: ignore[call-arg]


def subscription_terms(result: AppResult, key: IdResult, identity: VersionResult) -> str:
    """A subscription's terms from any of its SKUs, the key for the developer's service, and elevation."""
    if result.exit_code != 0 or result.product is None:
        return "not listed"
    terms: List[Sku] = [sku for sku in result.product.skus if sku.billing_period is not None]
    unit: Optional[DurationUnit] = terms[0].billing_period_unit if terms else None
    owned: Optional[CollectionData] = result.product.skus[0].collection
    months: int = result.product.skus[0].billing_period  # type: ignore[assignment]
    wrong_unit: DurationUnit = "fortnight"  # type: ignore[assignment]
    text: str = key.id if key.exit_code == 0 else key.error
    key.id  # type: ignore[union-attr]
    elevated: Optional[bool] = identity.elevated if identity.exit_code == 0 else None
    return "%s %s %s %s" % (unit, owned, text, elevated)
