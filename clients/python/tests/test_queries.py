"""license, products, collection, consume, balance, updates and version, synchronous and asyncio, against the real portable
store-bridge and its simulated Store; and a host's whole path through them with the client alone."""

import asyncio
import dataclasses
import itertools
import os
import re
import shutil
import sys
import tempfile
import unittest
import uuid
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
sys.path.insert(0, str(Path(__file__).resolve().parent))

import store_bridge  # noqa: E402
import store_bridge.aio  # noqa: E402
from catalogue import (CATALOGUE, LICENCE_EXPIRES, catalogue_products, catalogue_scenario, encoded, sku,  # noqa: E402
                       ticks, traced)
from store_bridge import (AddOnLicense, BalanceStatusResult, ConsumeFailure, ConsumeStatusResult, Failure,  # noqa: E402
                          LicenseStatusResult, PackageUpdate, Product, ProductListResult, PurchaseStatusResult,
                          QueryFailure, UpdatesStatusResult, VersionStatusResult)

EXECUTABLE = os.environ.get("STORE_BRIDGE_EXE")
if not EXECUTABLE:
    raise RuntimeError("STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)")

# Quotes, a backslash, CR LF, a tab and non-ASCII letters: the query lines keep the line break.
AWKWARD = 'Die "Store" sagt: C:\\Pfad\r\nnicht erreichbar\tüber Café'
FULL = LicenseStatusResult(True, False, False, 0, None, "", "", ())
COINS = "9NBLGGH4CO1N"
ID = "6f9619ff-8b86-d011-b42d-00c04fc964ff"
# Version 4, RFC 4122 variant: what CoCreateGuid makes.
RANDOM_GUID = re.compile(r"[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")
# The version every build is configured with.
PROJECT_VERSION = re.search(r"^project\(store_bridge VERSION (\S+)",
                            (Path(__file__).resolve().parents[3] / "CMakeLists.txt").read_text(encoding="utf-8"),
                            re.MULTILINE)[1]


def run_in_asyncio(call):
    return lambda *arguments, **options: asyncio.run(call(*arguments, **options))


class Api:
    """One way of calling the client: the synchronous calls, or the asyncio ones run to their end."""

    def __init__(self, name, module, wrap):
        self.name = name
        for call in ("buy", "license", "products", "collection", "consume", "balance", "updates", "version"):
            setattr(self, call, wrap(getattr(module, call)))


APIS = [Api("sync", store_bridge, lambda call: call), Api("asyncio", store_bridge.aio, run_in_asyncio)]


class Runs(unittest.TestCase):
    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="store-bridge-queries-"))
        self.traces = 0

    def tearDown(self):
        shutil.rmtree(self.scratch)

    @staticmethod
    def sim(scenario):
        return {"executable": EXECUTABLE, "env": {"STORE_BRIDGE_SIM": scenario}}

    def traced_sim(self, scenario):
        """The options of a run with a fresh trace, and the trace's file."""
        self.traces += 1
        trace = self.scratch / ("%d.trace" % self.traces)
        env = {"STORE_BRIDGE_SIM": scenario, "STORE_BRIDGE_SIM_TRACE": str(trace)}
        return {"executable": EXECUTABLE, "env": env}, trace

    def each(self, cases, check):
        """check(api, *case) for every case through every API, each a subtest; a case's first member names it."""
        for api, case in itertools.product(APIS, cases):
            with self.subTest(api=api.name, case=case[0]):
                check(api, *case)


class Queries(Runs):
    def test_license(self):
        trial_left = 86400 * 10_000_000 + 9_999_999  # a day and a fraction: whole seconds, rounded down
        trial = ";".join(["app-trial=true", "app-trial-owned=true", "app-trial-left=%d" % trial_left,
                          "app-expires=%d" % ticks("2026-12-24T18:30:05Z"), "app-sku=" + encoded("9NBLGGH4R315/0011"),
                          "app-trial-id=trial-1"])
        add_ons = ";".join(["add-on=%s,active=false,token=%s,expires=0" % (sku("9NBLGGH4TNMQ"), encoded(AWKWARD)),
                            "add-on=9NBLGGH4TNMP,expires=%d" % ticks(LICENCE_EXPIRES)])
        cases = [
            ("", FULL),
            (trial, LicenseStatusResult(True, True, True, 86400, "2026-12-24T18:30:05Z", "9NBLGGH4R315/0011",
                                        "trial-1", ())),
            ("app-active=false", dataclasses.replace(FULL, active=False)),
            (add_ons, dataclasses.replace(FULL, add_ons=(
                AddOnLicense("9NBLGGH4TNMP", "9NBLGGH4TNMP", True, LICENCE_EXPIRES, ""),
                AddOnLicense("9NBLGGH4TNMQ", sku("9NBLGGH4TNMQ"), False, None, AWKWARD)))),
            ("add-on-map=null", FULL),
            ("results=E_FAIL;restricted=" + encoded(AWKWARD), QueryFailure("0x80004005", AWKWARD)),
            ("fail=AppLicense.IsActive:E_ACCESSDENIED;restricted=gesperrt", QueryFailure("0x80070005", "gesperrt")),
            ("results=null", QueryFailure(None, "no result")),
            ("request=none", QueryFailure(None, "no operation")),
            ("context=E_ACCESSDENIED;restricted=Kein%20Zugriff", QueryFailure("0x80070005", "Kein Zugriff")),
            ("apartment=E_FAIL", Failure("Unspecified error")),
            ("crash=worker;after=50", Failure("crash", False)),
        ]
        self.each(cases, lambda api, scenario, expected: self.assertEqual(api.license(**self.sim(scenario)), expected))

    def test_products_and_collection_ask_for_the_kinds_given_in_order(self):
        owned = ("9NBLGGH4TNMQ", COINS)
        cases = [
            ("products", None, catalogue_products(owned), ["Durable", "Consumable", "UnmanagedConsumable"]),
            ("products", ["Durable"], catalogue_products(owned, ["Durable"]), ["Durable"]),
            # Unchanged and in order, kinds this client does not know included.
            ("products", ("Game", "Consumable", "Durable"), catalogue_products(owned, ["Consumable", "Durable"]),
             ["Game", "Consumable", "Durable"]),
            ("collection", None, tuple(p for p in catalogue_products(owned) if p.in_collection),
             ["Durable", "Consumable", "UnmanagedConsumable"]),
            ("collection", ["Durable", "Game"],
             tuple(p for p in catalogue_products(owned, ["Durable"]) if p.in_collection), ["Durable", "Game"]),
        ]
        def check(api, query, kinds, expected, received):
            options, trace = self.traced_sim(catalogue_scenario(owned))
            self.assertEqual(getattr(api, query)(kinds, **options), ProductListResult(expected))
            call = "GetAssociatedStoreProductsAsync" if query == "products" else "GetUserCollectionAsync"
            self.assertEqual([entry["kinds"] for entry in traced(trace, call)], [received])

        self.each(cases, check)

    def test_product_query_failures_and_empty_values(self):
        unpriced = Product("9NBLGGH4TNMP", "Durable", "", "", "", "", "", False, None, "", True, "", ())
        cases = [
            ("", ProductListResult(())),
            ("product=9NBLGGH4TNMP,pricing=none,in-collection=true", ProductListResult((unpriced,))),
            ("product-map=null", ProductListResult(())),
            # A code's own words may be empty (the system has none for this one here).
            ("extended-error=0x803F6107", QueryFailure("0x803F6107", "")),
            ("extended-error=E_ACCESSDENIED", QueryFailure("0x80070005", "Access is denied.")),
            ("product=9NBLGGH4TNMP,in-collection=true;fail=Price.FormattedPrice:E_FAIL;restricted=x",
             QueryFailure("0x80004005", "x")),
            ("request=E_ACCESSDENIED;restricted=Kein%20Zugriff", QueryFailure("0x80070005", "Kein Zugriff")),
        ]
        def check(api, scenario, expected):
            for query in (api.products, api.collection):
                self.assertEqual(query(**self.sim(scenario)), expected)

        self.each(cases, check)

    def test_updates(self):
        notes, dictionary = "Contoso.Notes_8wekyb3d8bbwe", "Contoso.Notes.Dictionary_8wekyb3d8bbwe"
        cases = [
            ("", UpdatesStatusResult((), True)),
            ("package-update=%s,version=1.4.2.0,mandatory=true;can-silently-download=false" % notes,
             UpdatesStatusResult((PackageUpdate(notes, "1.4.2.0", True),), False)),
            ("can-silently-download=missing;package-update=" + notes,
             UpdatesStatusResult((PackageUpdate(notes, "1.0.0.0", False),), None)),
            # Given out of order; a family name with what the line must escape.
            (";".join(["package-update=%s,version=65535.65535.65535.65535" % encoded('Zé"\\'),
                       "package-update=" + notes, "package-update=%s,version=2.0.0.1,mandatory=true" % dictionary]),
             UpdatesStatusResult((PackageUpdate(dictionary, "2.0.0.1", True), PackageUpdate(notes, "1.0.0.0", False),
                                  PackageUpdate('Zé"\\', "65535.65535.65535.65535", False)), True)),
            ("request=E_FAIL", QueryFailure("0x80004005", "Unspecified error")),
            ("package-update=%s;fail=PackageId.Version:E_ACCESSDENIED;restricted=%s" % (notes, encoded(AWKWARD)),
             QueryFailure("0x80070005", AWKWARD)),
            ("results=null", QueryFailure(None, "no result")),
            ("results=E_OUTOFMEMORY", Failure("bad allocation")),
            ("crash=worker;after=50", Failure("crash", False)),
        ]
        self.each(cases, lambda api, scenario, expected: self.assertEqual(api.updates(**self.sim(scenario)), expected))

    def test_version(self):
        package = "Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe"
        cases = [
            ("", VersionStatusResult(PROJECT_VERSION, None, False)),
            ("elevated=true", VersionStatusResult(PROJECT_VERSION, None, True)),
            ("elevated=false", VersionStatusResult(PROJECT_VERSION, None, False)),
            ("package=" + package, VersionStatusResult(PROJECT_VERSION, package, False)),
            ("package=" + encoded('a"b\\cé'), VersionStatusResult(PROJECT_VERSION, 'a"b\\cé', False)),
            # Longer than a package full name can be: the platform refuses it.
            ("package=" + "p" * 128, Failure("The data area passed to a system call is too small.")),
            ("apartment=E_FAIL", Failure("Unspecified error")),
        ]
        self.each(cases, lambda api, scenario, expected: self.assertEqual(api.version(**self.sim(scenario)), expected))

    def test_a_hosts_whole_path(self):
        """What a host does: show the offers, sell one, unlock it from the licence, find it in the collection."""
        before = catalogue_scenario([COINS])
        after = catalogue_scenario([COINS, "9NBLGGH4TNMP"])
        for api in APIS:
            with self.subTest(api=api.name):
                offered = api.products(["Durable"], **self.sim(before))
                assert isinstance(offered, ProductListResult), offered
                for_sale = [product for product in offered.products if not product.in_collection]
                self.assertEqual([p.store_id for p in for_sale], ["9NBLGGH4TNMP", "9NBLGGH4TNMQ"])
                gold = for_sale[0]
                self.assertEqual((gold.title, gold.price, gold.on_sale), (CATALOGUE[1].title, "$1.99", True))

                options, trace = self.traced_sim(before)
                self.assertEqual(api.buy(gold.store_id, **options), PurchaseStatusResult("purchased"))
                self.assertEqual([e["storeId"] for e in traced(trace, "RequestPurchaseAsync")], [gold.store_id])

                license = api.license(**self.sim(after))
                assert isinstance(license, LicenseStatusResult), license
                unlocked = [add_on for add_on in license.add_ons if add_on.active]
                # The licence names the product by the Store ID that products and buy use.
                self.assertEqual([(a.store_id, a.offer_token, a.expires) for a in unlocked],
                                 [(gold.store_id, gold.offer_token, LICENCE_EXPIRES)])

                owned = api.collection(**self.sim(after))
                assert isinstance(owned, ProductListResult), owned
                self.assertEqual(owned.products, (dataclasses.replace(CATALOGUE[0], in_collection=True),
                                                  dataclasses.replace(gold, in_collection=True)))


# [scenario, the answer as (status or None for a failure, balance, code, error)]
ANSWERS = [
    ("", ("succeeded", 0, None, None)),
    ("balance=4294967295", ("succeeded", 4294967295, None, None)),
    ("consumable=InsufficientQuantity;balance=3", ("insufficientQuantity", 3, None, None)),
    # The status word stands beside a failing extended error.
    ("consumable=NetworkError;extended-error=0x80072EE7", ("network", 0, "0x80072EE7", None)),
    ("consumable=ServerError", ("server", 0, None, None)),
    ("consumable=7;balance=1;extended-error=S_FALSE", ("error", 1, None, None)),
    ("results=E_FAIL;restricted=nicht%0D%0Aerreichbar", (None, None, "0x80004005", "nicht\r\nerreichbar")),
    ("fail=ConsumableResult.BalanceRemaining:E_ACCESSDENIED;restricted=gesperrt",
     (None, None, "0x80070005", "gesperrt")),
    ("results=null", (None, None, None, "no result")),
    ("request=none", (None, None, None, "no operation")),
]


class Consumables(Runs):
    def test_consume_reports_every_answer_with_the_tracking_id_it_sent(self):
        def check(api, scenario, answer):
            status, left, code, error = answer
            options, trace = self.traced_sim(scenario)
            expected = ConsumeStatusResult(status, left, ID, code) if status else ConsumeFailure(code, ID, error)
            self.assertEqual(api.consume(COINS, 5, "{%s}" % ID.upper(), **options), expected)
            sent = traced(trace, "ReportConsumableFulfillmentAsync")
            self.assertEqual([(e["storeId"], e["quantity"], e["trackingId"]) for e in sent], [(COINS, 5, ID)])

        self.each(ANSWERS, check)

    def test_balance_reports_every_answer(self):
        def check(api, scenario, answer):
            status, left, code, error = answer
            options, trace = self.traced_sim(scenario)
            expected = BalanceStatusResult(status, left, code) if status else QueryFailure(code, error)
            self.assertEqual(api.balance(COINS, **options), expected)
            self.assertEqual([e["storeId"] for e in traced(trace, "GetConsumableBalanceRemainingAsync")], [COINS])

        self.each(ANSWERS, check)

    def test_without_a_tracking_id_each_run_sends_a_fresh_random_one(self):
        sent = []

        def check(api, scenario):
            for _ in range(2):
                options, trace = self.traced_sim(scenario)
                result = api.consume(COINS, 4294967295, **options)
                assert isinstance(result, (ConsumeStatusResult, ConsumeFailure)), result
                self.assertRegex(result.tracking_id, RANDOM_GUID)
                [call] = traced(trace, "ReportConsumableFulfillmentAsync")
                self.assertEqual((call["trackingId"], call["quantity"]), (result.tracking_id, 4294967295))
                sent.append(result.tracking_id)

        self.each([("",), ("results=E_FAIL",)], check)
        self.assertEqual(len(set(sent)), 8, sent)

    def test_a_retry_after_network_or_a_failed_run_sends_the_same_tracking_id(self):
        """The host stores a tracking ID, fails to report, and retries with it: the Store sees it each time, intact."""
        for api in APIS:
            tracking_id = uuid.uuid4()
            for scenario, status in (("consumable=NetworkError", "network"), ("results=E_FAIL", "error"),
                                     ("", "succeeded")):
                with self.subTest(api=api.name, scenario=scenario):
                    options, trace = self.traced_sim(scenario)
                    result = api.consume(COINS, 1, tracking_id, **options)
                    assert isinstance(result, (ConsumeStatusResult, ConsumeFailure)), result
                    self.assertEqual((result.status, result.tracking_id), (status, str(tracking_id)))
                    self.assertEqual(traced(trace, "ReportConsumableFulfillmentAsync")[0]["trackingId"],
                                     str(tracking_id))


class Arguments(unittest.TestCase):
    def test_wrong_arguments_are_refused_before_anything_starts(self):
        missing = Path(tempfile.gettempdir()) / "store-bridge-never-started"
        run = {"executable": missing}
        cases = [
            (lambda api: api.license(executable=missing, timeout=0), ValueError),
            (lambda api: api.products("Durable", **run), TypeError),
            (lambda api: api.products(b"Durable", **run), TypeError),
            (lambda api: api.products({"Durable"}, **run), TypeError),
            (lambda api: api.products([], **run), ValueError),
            (lambda api: api.products(["Durable", ""], **run), ValueError),
            (lambda api: api.collection(["Durable,Game"], **run), ValueError),
            (lambda api: api.collection(["Dura\0ble"], **run), ValueError),
            (lambda api: api.collection([1], **run), TypeError),
            (lambda api: api.consume(42, 1, **run), TypeError),
            (lambda api: api.consume("X", "5", **run), TypeError),
            (lambda api: api.consume("X", True, **run), TypeError),
            (lambda api: api.consume("X", 1.0, **run), TypeError),
            (lambda api: api.consume("X", 0, **run), ValueError),
            (lambda api: api.consume("X", -1, **run), ValueError),
            (lambda api: api.consume("X", 2 ** 32, **run), ValueError),
            (lambda api: api.consume("X", 1, 42, **run), TypeError),
            (lambda api: api.consume("X", 1, uuid.UUID(ID).bytes, **run), TypeError),
            (lambda api: api.balance(None, **run), TypeError),
        ] + [(lambda api, bad=bad: api.consume("X", 1, bad, **run), ValueError) for bad in (
            "", "x", ID.replace("-", ""), "{" + ID, ID[:-1] + "g", " " + ID, ID + "\n")]
        for api, (call, error) in ((api, case) for api in APIS for case in cases):
            with self.subTest(api=api.name, error=error):
                self.assertRaises(error, call, api)


if __name__ == "__main__":
    unittest.main()
