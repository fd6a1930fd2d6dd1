"""The guide's consumables example, run against the real portable store-bridge; the trace shows what reached the
Store."""

import json
import os
import re
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
sys.path.insert(0, str(HERE.parent / "examples"))
sys.path.insert(0, str(HERE))

from catalogue import traced  # noqa: E402
from coin_shop import CoinShop  # noqa: E402

EXECUTABLE = os.environ.get("STORE_BRIDGE_EXE")
if not EXECUTABLE:
    raise RuntimeError("STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)")

COINS = "9NBLGGH4CO1N"
GEMS = "9NBLGGH4GEMS"
REPORT = "ReportConsumableFulfillmentAsync"
UUID4 = re.compile(r"[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")
# Each touches the report only, not the purchase.
NOT_THROUGH = ["consumable=NetworkError", "consumable=ServerError", "fail=ConsumableResult.Status:E_FAIL",
               "fail=ConsumableResult.ExtendedError:0x80072EE7", "consumable=7"]


class CoinShopExample(unittest.TestCase):
    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="store-bridge-coins-"))
        self.state = self.scratch / "state.json"
        self.trace = self.scratch / "trace"

    def tearDown(self):
        shutil.rmtree(self.scratch)

    def forget(self):
        """A new user: no state, no trace."""
        for file in (self.state, self.trace):
            if file.exists():
                file.unlink()

    def shop(self, scenario):
        """The app started afresh, its Store doing what the scenario says."""
        env = {"STORE_BRIDGE_SIM": scenario, "STORE_BRIDGE_SIM_TRACE": str(self.trace)}
        return CoinShop(self.state, EXECUTABLE, env)

    def reports(self):
        return [(call["storeId"], call["quantity"], call["trackingId"]) for call in traced(self.trace, REPORT)]

    def test_a_purchase_grants_the_coins_and_reports_them(self):
        shop = self.shop("")
        self.assertEqual(shop.buy_coins(COINS, 100), "100 coins added.")
        [(store_id, quantity, tracking_id)] = self.reports()
        self.assertEqual((store_id, quantity), (COINS, 1))
        self.assertRegex(tracking_id, UUID4)
        self.assertEqual(json.loads(self.state.read_text()), {"coins": 100, "owed": []})

    def test_a_report_not_through_goes_again_with_the_same_tracking_id(self):
        for scenario in NOT_THROUGH:
            with self.subTest(scenario=scenario):
                self.forget()
                self.assertEqual(self.shop(scenario).buy_coins(COINS, 100), "100 coins added.")
                [(_, _, tracking_id)] = self.reports()
                # Granted, and the report is owed under the ID that was sent.
                self.assertEqual(json.loads(self.state.read_text()),
                                 {"coins": 100, "owed": [{"storeId": COINS, "trackingId": tracking_id}]})
                # The next start, still not through, then through.
                self.shop(scenario).report_owed()
                self.shop("").report_owed()
                self.assertEqual(self.reports(), [(COINS, 1, tracking_id)] * 3)
                self.assertEqual(json.loads(self.state.read_text()), {"coins": 100, "owed": []})

    def test_an_owed_report_goes_before_the_next_purchase(self):
        self.shop("consumable=NetworkError").buy_coins(COINS, 100)
        [(_, _, owed_id)] = self.reports()
        cases = [
            ("purchase=AlreadyPurchased;consumable=NetworkError",
             "Your last purchase is still being completed. Please try again later.", 100, 1),
            ("", "50 coins added.", 150, 0),
        ]
        for scenario, message, coins, owed in cases:
            with self.subTest(scenario=scenario):
                self.assertEqual(self.shop(scenario).buy_coins(COINS, 50), message)
                state = json.loads(self.state.read_text())
                self.assertEqual((state["coins"], len(state["owed"])), (coins, owed))
        sent = [tracking_id for _, _, tracking_id in self.reports()]
        self.assertEqual(sent[:3], [owed_id] * 3)
        self.assertEqual(len(sent), 4)  # and the new purchase's own report, under a new ID
        self.assertNotEqual(sent[3], owed_id)

    def test_a_purchase_without_coins_grants_nothing(self):
        cases = [
            ("purchase=NotPurchased", "The purchase was cancelled."),
            ("purchase=ServerError", "The Store could not complete the purchase. Please try again later."),
            ("results=E_FAIL;restricted=Konto%20gesperrt", "The purchase failed: Konto gesperrt"),
        ]
        for scenario, message in cases:
            with self.subTest(scenario=scenario):
                self.forget()
                self.assertEqual(self.shop(scenario).buy_coins(COINS, 100), message)
                self.assertFalse(self.state.exists())
                self.assertEqual(self.reports(), [])

    def test_gems_left(self):
        cases = [("balance=25", 25), ("consumable=NetworkError;balance=25", None), ("results=E_FAIL", None),
                 ("crash=abort", None)]
        for scenario, gems in cases:
            with self.subTest(scenario=scenario):
                self.assertEqual(self.shop(scenario).gems_left(GEMS), gems)
        asked = [call["storeId"] for call in traced(self.trace, "GetConsumableBalanceRemainingAsync")]
        self.assertEqual(asked[:3], [GEMS] * 3)


if __name__ == "__main__":
    unittest.main()
