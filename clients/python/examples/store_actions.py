"""Buy and review from a Python desktop app (Qt, Tk, wx, ...).

store-bridge.exe ships next to the app's exe inside the MSIX package, so it runs
with the app's package identity: the Store acts for the package of its caller.
Pass the window as an int: int(widget.winId()) in Qt, int(root.wm_frame(), 16) in Tk.
"""

import sys
from pathlib import Path
from typing import Dict, Mapping, Optional, Union

import store_bridge

# The user may keep a Store dialog open for a while; past this we stop waiting.
PURCHASE_TIMEOUT = 10 * 60  # seconds
# A review over our window ends by itself when the window closes; this bounds the rest.
REVIEW_TIMEOUT = 10 * 60

PURCHASE_MESSAGES: Dict[store_bridge.PurchaseStatus, str] = {
    "purchased": "Thank you for your purchase!",
    "alreadyPurchased": "You already own this.",
    "cancelled": "The purchase was cancelled.",
    "error": "The Store could not complete the purchase. Please try again later.",
}
REVIEW_MESSAGES: Dict[store_bridge.ReviewStatus, Optional[str]] = {
    "succeeded": "Thank you for your review!",
    "cancelled": None,
    "network": "The Store could not be reached. Please try again later.",
    "error": "The Store could not take your review. Please try again later.",
}


def bridge_next_to_app() -> Path:
    # A frozen app (PyInstaller, cx_Freeze, Nuitka) is sys.executable.
    return Path(sys.executable).with_name("store-bridge.exe")


def buy_product(store_id: str, executable: Union[str, Path, None] = None,
                env: Optional[Mapping[str, str]] = None) -> str:
    """The message to show the user once the purchase dialog is done."""
    try:
        result = store_bridge.buy(store_id, executable=executable or bridge_next_to_app(),
                                  timeout=PURCHASE_TIMEOUT, env=env)
    except store_bridge.StoreBridgeError as error:
        return "No answer from the Store (%s)." % error
    if result.exit_code == 1:
        return "The purchase failed: %s" % result.error
    return PURCHASE_MESSAGES[result.status]


def ask_for_review(window: Optional[int], executable: Union[str, Path, None] = None,
                   env: Optional[Mapping[str, str]] = None) -> Optional[str]:
    """The message to show the user once the review dialog is done, or None for nothing."""
    try:
        result = store_bridge.review(executable=executable or bridge_next_to_app(), window=window,
                                     timeout=REVIEW_TIMEOUT, env=env)
    except store_bridge.StoreBridgeError as error:
        return "No answer from the Store (%s)." % error
    if result.error == "owner closed":
        return None  # our window is gone: nobody to tell
    if result.exit_code == 1:
        return "The review failed: %s" % result.error
    return REVIEW_MESSAGES[result.status]
