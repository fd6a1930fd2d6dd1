"""A host's code as a type checker must see it; clients/test runs `mypy --strict` over this file.

Each `type: ignore[...]` marks a misuse the checker must catch: under --strict an
ignore that catches nothing is itself an error, so none of these can pass silently.
"""

from pathlib import Path
from typing import Literal, Optional

import store_bridge
import store_bridge.aio
from store_bridge import Failure, PurchaseResult, PurchaseStatus, ReviewResult, ReviewStatus


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
    store_bridge.buy("9NBLGGH4R315", executable=42)  # type: ignore[arg-type]


def with_bundled_program() -> Path:
    bought: PurchaseResult = store_bridge.buy("9NBLGGH4R315")
    reviewed: ReviewResult = store_bridge.review(window=4242)
    return store_bridge.exe_path()


async def calls() -> None:
    from_wheel: PurchaseResult = await store_bridge.aio.buy("9NBLGGH4R315")
    bought: PurchaseResult = await store_bridge.aio.buy("9NBLGGH4R315", executable="store-bridge.exe", timeout=600)
    reviewed: ReviewResult = await store_bridge.aio.review(executable="store-bridge.exe", window=4242)
    read: PurchaseResult = store_bridge.read_result_line("buy", b'{"status":"purchased","error":null}', 0)
    misread: ReviewResult = store_bridge.read_result_line("buy", b"", 0)  # type: ignore[assignment]
