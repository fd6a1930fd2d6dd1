"""Selling coins, a consumable add-on, from a Python desktop app.

Coins are developer-managed (kind UnmanagedConsumable): the app keeps the count.
A bought one cannot be bought again until the app reports it fulfilled: until
then every purchase of it answers alreadyPurchased. So the app grants the coins
and writes down the report it owes, with a tracking ID, in one save; then it
reports. A report that did not get through is sent again, with the same ID, at
the next purchase or start: the Store counts a tracking ID once.
Gems are Store-managed (kind Consumable): the Store keeps the count.
"""

import json
import os
import uuid
from pathlib import Path
from typing import Dict, List, Mapping, Optional, Union

import store_bridge

PURCHASE_TIMEOUT = 10 * 60  # seconds: the user may keep the dialog open
REPORT_TIMEOUT = 60  # a report shows no dialog


class CoinShop:
    def __init__(self, state_file: Path, executable: Union[str, Path], env: Optional[Mapping[str, str]] = None):
        self.state_file = state_file
        self.executable = executable
        self.env = env
        state = json.loads(state_file.read_text()) if state_file.exists() else {"coins": 0, "owed": []}
        self.coins: int = state["coins"]
        self.owed: List[Dict[str, str]] = state["owed"]  # reports not yet through: Store ID and tracking ID

    def save(self) -> None:
        # Written whole and then renamed: a crash leaves the old state or the new one, never half of it.
        temporary = self.state_file.with_suffix(".tmp")
        temporary.write_text(json.dumps({"coins": self.coins, "owed": self.owed}))
        os.replace(temporary, self.state_file)

    def buy_coins(self, store_id: str, coins: int) -> str:
        self.report_owed()  # an unreported earlier purchase would block this one
        try:
            result = store_bridge.buy(store_id, executable=self.executable, env=self.env, timeout=PURCHASE_TIMEOUT)
        except store_bridge.StoreBridgeError as error:
            return "No answer from the Store (%s)." % error
        if result.exit_code == 1:
            return "The purchase failed: %s" % result.error
        if result.status != "purchased":
            return {"alreadyPurchased": "Your last purchase is still being completed. Please try again later.",
                    "cancelled": "The purchase was cancelled.",
                    "error": "The Store could not complete the purchase. Please try again later."}[result.status]
        self.coins += coins
        self.owed.append({"storeId": store_id, "trackingId": str(uuid.uuid4())})
        self.save()  # granted and owed in one save, before the report
        self.report_owed()
        return "%d coins added." % coins

    def report_owed(self) -> None:
        """Reports each purchase granted but not yet reported; keeps the ones to send again."""
        for owed in list(self.owed):
            try:
                # A developer-managed consumable is fulfilled one purchase at a time.
                result = store_bridge.consume(owed["storeId"], 1, owed["trackingId"], executable=self.executable,
                                              env=self.env, timeout=REPORT_TIMEOUT)
            except store_bridge.StoreBridgeError:
                return  # no run, no answer: try again later
            if result.exit_code == 1 or result.status not in ("succeeded", "insufficientQuantity"):
                return  # not through (network, server, ...): the same tracking ID goes again later
            # Through, or nothing left to fulfil: nothing to send again.
            self.owed.remove(owed)
            self.save()

    def gems_left(self, store_id: str) -> Optional[int]:
        """The user's Store-managed balance, or None when the Store cannot say now."""
        try:
            result = store_bridge.balance(store_id, executable=self.executable, env=self.env, timeout=REPORT_TIMEOUT)
        except store_bridge.StoreBridgeError:
            return None
        return result.balance if result.exit_code == 0 and result.status == "succeeded" else None
