"""The guide's Python example, run against the real portable store-bridge."""

import os
import sys
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
sys.path.insert(0, str(HERE.parent / "examples"))

import store_actions  # noqa: E402

EXECUTABLE = os.environ.get("STORE_BRIDGE_EXE")
if not EXECUTABLE:
    raise RuntimeError("STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)")


def sim(scenario):
    return {"executable": EXECUTABLE, "env": {"STORE_BRIDGE_SIM": scenario}}


class StoreActions(unittest.TestCase):
    def test_buy_product(self):
        cases = [
            ("", "Thank you for your purchase!"),
            ("purchase=AlreadyPurchased", "You already own this."),
            ("purchase=NotPurchased", "The purchase was cancelled."),
            ("purchase=NetworkError", "The Store could not complete the purchase. Please try again later."),
            ("results=E_FAIL;restricted=Konto%20gesperrt", "The purchase failed: Konto gesperrt"),
        ]
        for scenario, message in cases:
            with self.subTest(scenario=scenario):
                self.assertEqual(store_actions.buy_product("9NBLGGH4R315", **sim(scenario)), message)

    def test_ask_for_review(self):
        cases = [
            ("updated=true", None, "Thank you for your review!"),
            ("review=CanceledByUser", None, None),
            ("review=NetworkError", None, "The Store could not be reached. Please try again later."),
            ("request=none", None, "The review failed: no operation"),
            ("after=never;window=4242:0,0,800,600:close=200", 4242, None),
        ]
        for scenario, window, message in cases:
            with self.subTest(scenario=scenario):
                self.assertEqual(store_actions.ask_for_review(window, **sim(scenario)), message)

    def test_no_result_becomes_a_message(self):
        message = store_actions.buy_product("9NBLGGH4R315", **sim("crash=abort"))
        self.assertTrue(message.startswith("No answer from the Store (store-bridge ended without a result line"),
                        message)


if __name__ == "__main__":
    unittest.main()
