"""SKUs, the app's own product and the customer ID keys, synchronous and asyncio, against the real portable
store-bridge; and a subscription host's path with the client alone: products (its SKUs' terms), buy, license,
collection, against one scenario."""

import asyncio
import dataclasses
import os
import sys
import tempfile
import unittest
from datetime import datetime, timedelta, timezone
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
sys.path.insert(0, str(Path(__file__).resolve().parent))

import store_bridge  # noqa: E402
import store_bridge.aio  # noqa: E402
from catalogue import encoded, ticks, traced  # noqa: E402
from store_bridge import (AppProductResult, CollectionData, IdStatusResult, Product, PurchaseStatusResult,  # noqa: E402
                          QueryFailure, Sku, UsageError)

EXECUTABLE = os.environ.get("STORE_BRIDGE_EXE")
if not EXECUTABLE:
    raise RuntimeError("STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)")

PRO = "9NBLGGH4SUB1"


def _date(delta):
    return (datetime.now(timezone.utc).replace(microsecond=0) + delta).strftime("%Y-%m-%dT%H:%M:%SZ")


STARTED = _date(timedelta(days=-5))
RENEWS = _date(timedelta(days=25))
MONTHLY = Sku(PRO + "/0010", "Monthly", "", False, True, "$4.99", "$4.99", "USD", False, None, "$4.99", False, 1,
              "month", 7, "day", None)
YEARLY = Sku(PRO + "/0011", "Yearly", "", False, True, "$49.99", "$49.99", "USD", False, None, "$49.99", False, 1,
             "year", None, None, None)
# Owned, without terms: how the platform reports the SKU a subscriber holds.
HELD = Sku(PRO + "/0012", "Pro", "", False, False, "", "", "", False, None, "", True, None, None, None, None,
           CollectionData(False, STARTED, STARTED, RENEWS, 0))


def sku_item(sku):
    items = ["sku=" + sku.store_id, "title=" + encoded(sku.title),
             "in-collection=" + str(sku.in_collection).lower(), "subscription=" + str(sku.subscription).lower()]
    if sku.price:
        items += ["price=" + encoded(sku.price), "base-price=" + encoded(sku.base_price), "currency=" + sku.currency,
                  "recurrence-price=" + encoded(sku.recurrence_price)]
    if sku.billing_period is not None:
        items.append("billing=%d:%s" % (sku.billing_period, sku.billing_period_unit))
    if sku.trial_period is not None:
        items.append("trial-period=%d:%s" % (sku.trial_period, sku.trial_period_unit))
    if sku.collection is not None:
        items += ["acquired=%d" % ticks(sku.collection.acquired), "start=%d" % ticks(sku.collection.start),
                  "end=%d" % ticks(sku.collection.end)]
    return ",".join(items)


# One scenario for the whole path: the Store offers the plans, sells, and then the user holds /0012.
SUBSCRIBED = ";".join(["product=%s,kind=Durable,title=Pro,in-collection=true" % PRO,
                       *map(sku_item, (HELD, YEARLY, MONTHLY)),  # given out of order: the line sorts them
                       "add-on=%s,expires=%d" % (HELD.store_id, ticks(RENEWS))])
PRO_PRODUCT = Product(PRO, "Durable", "Pro", "", "", "", "", False, None, "", True, "", (MONTHLY, YEARLY, HELD))

TICKET = 'eyJ0eXAi.eyJhdWQiOiJvbmVzdG9yZSJ9.c2ln "\\\r\n\t\x01é😀'
USER = 'user 42 "Zoë"'
TRACE_CALLS = {"purchase-id": "GetCustomerPurchaseIdAsync", "collections-id": "GetCustomerCollectionsIdAsync"}


class Scratch(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.scratch = Path(folder.name)
        self.runs = 0

    def traced_env(self, scenario):
        self.runs += 1
        trace = self.scratch / ("%d.trace" % self.runs)
        return {"STORE_BRIDGE_SIM": scenario, "STORE_BRIDGE_SIM_TRACE": str(trace)}, trace


class SubscriptionHost(Scratch):
    def test_a_subscription_hosts_path(self):
        env, trace = self.traced_env(SUBSCRIBED)
        offered = store_bridge.products(["Durable"], executable=EXECUTABLE, env=env, timeout=60)
        self.assertEqual(offered.exit_code, 0)
        assert offered.exit_code == 0
        self.assertEqual(offered.products, (PRO_PRODUCT,))
        # The plans to show: any SKU with a billing period; the owned one has none.
        plans = [(s.title, s.price, s.billing_period, s.billing_period_unit, s.trial_period, s.trial_period_unit)
                 for s in offered.products[0].skus if s.billing_period is not None]
        self.assertEqual(plans, [("Monthly", "$4.99", 1, "month", 7, "day"),
                                 ("Yearly", "$49.99", 1, "year", None, None)])

        self.assertEqual(store_bridge.buy(PRO, executable=EXECUTABLE, env=env, timeout=60),
                         PurchaseStatusResult("purchased"))
        self.assertEqual([entry["storeId"] for entry in traced(trace, "RequestPurchaseAsync")], [PRO])

        # Access: the licence's add-on of this product, active and not expired ...
        licensed = store_bridge.license(executable=EXECUTABLE, env=env, timeout=60)
        assert licensed.exit_code == 0
        add_ons = [a for a in licensed.add_ons if a.sku.startswith(PRO + "/") and a.active]
        self.assertEqual([(a.store_id, a.sku, a.expires) for a in add_ons], [(PRO, HELD.store_id, RENEWS)])
        # ... cross-checked with the user's collection: the SKU held, until the same date.
        owned = store_bridge.collection(["Durable"], executable=EXECUTABLE, env=env, timeout=60)
        assert owned.exit_code == 0
        entitlements = [s.collection for p in owned.products if p.store_id == PRO for s in p.skus if s.collection]
        self.assertEqual([c.end for c in entitlements], [RENEWS])

    def test_app_reads_the_apps_own_product(self):
        game = Product(PRO, "Game", "Pro", "", "", "", "", False, None, "", False, "", ())
        cases = [
            ("app-product=%s,kind=Game,title=Pro" % PRO, AppProductResult(game)),
            ("app-product=%s,kind=Game,title=Pro;%s" % (PRO, sku_item(MONTHLY)),
             AppProductResult(dataclasses.replace(game, skus=(MONTHLY,)))),
            ("", AppProductResult(None)),
            ("app-extended-error=0x803F6107", QueryFailure("0x803F6107", "")),
            ("request=none", QueryFailure(None, "no operation")),
        ]
        for scenario, expected in cases:
            for name, call in (("sync", store_bridge.app), ("aio", _sync(store_bridge.aio.app))):
                with self.subTest(scenario=scenario, api=name):
                    self.assertEqual(call(executable=EXECUTABLE, env={"STORE_BRIDGE_SIM": scenario}, timeout=60),
                                     expected)


def _sync(coroutine_function):
    def call(*args, **kwargs):
        return asyncio.run(coroutine_function(*args, **kwargs))
    return call


ID_CALLS = [
    ("purchase-id", "sync", store_bridge.purchase_id), ("purchase-id", "aio", _sync(store_bridge.aio.purchase_id)),
    ("collections-id", "sync", store_bridge.collections_id),
    ("collections-id", "aio", _sync(store_bridge.aio.collections_id)),
]


class CustomerIds(Scratch):
    def test_the_ticket_goes_on_stdin_exactly_and_never_on_the_command_line(self):
        for command, api, call in ID_CALLS:
            with self.subTest(command=command, api=api):
                arguments = self.scratch / "arguments"
                launcher = self.scratch / "launcher"
                launcher.write_text("#!/bin/sh\nprintf '%%s\\n' \"$@\" > '%s'\nexec '%s' \"$@\"\n"
                                    % (arguments, EXECUTABLE))
                launcher.chmod(0o755)
                env, trace = self.traced_env("customer-id=" + encoded('key.for "you"'))
                self.assertEqual(call(TICKET, USER, executable=launcher, env=env, timeout=60),
                                 IdStatusResult('key.for "you"'))
                sent = [(e["serviceTicket"], e["publisherUserId"]) for e in traced(trace, TRACE_CALLS[command])]
                self.assertEqual(sent, [(TICKET, USER)])
                self.assertEqual(arguments.read_text(), command + "\n")

    def test_the_key_or_the_failure(self):
        cases = [
            ("", IdStatusResult("simulated-id")),
            ("customer-id=", QueryFailure(None, "no id")),
            ("results=0x80070525;restricted=Niemand%20angemeldet", QueryFailure("0x80070525", "Niemand angemeldet")),
            ("request=none", QueryFailure(None, "no operation")),
        ]
        for command, api, call in ID_CALLS:
            for scenario, expected in cases:
                with self.subTest(command=command, api=api, scenario=scenario):
                    self.assertEqual(call("ticket", "", executable=EXECUTABLE, env={"STORE_BRIDGE_SIM": scenario},
                                          timeout=60), expected)

    def test_a_request_refused_unread_is_a_usage_error_not_a_broken_pipe(self):
        # Far above the 64 KiB the bridge reads: it stops reading and exits while the client still writes.
        huge = "x" * (1024 * 1024)
        for command, api, call in ID_CALLS:
            with self.subTest(command=command, api=api):
                env, trace = self.traced_env("")
                with self.assertRaises(UsageError) as raised:
                    call(huge, "user", executable=EXECUTABLE, env=env, timeout=60)
                self.assertEqual(raised.exception.exit_code, 2)
                self.assertNotIn("xxxx", str(raised.exception))
                self.assertEqual(traced(trace, TRACE_CALLS[command]), [])

    def test_wrong_arguments_are_programming_errors_and_nothing_starts(self):
        missing = self.scratch / "never-started"
        cases = [((42, "user"), TypeError), (("ticket", None), TypeError), (("\ud800secret", "user"), ValueError),
                 (("ticket", "user\udc00"), ValueError)]
        for command, api, call in ID_CALLS:
            for arguments, error in cases:
                with self.subTest(command=command, api=api, arguments=arguments):
                    with self.assertRaises(error) as raised:
                        call(*arguments, executable=missing)
                    self.assertNotIn("secret", str(raised.exception))


if __name__ == "__main__":
    unittest.main()
