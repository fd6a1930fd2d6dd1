"""The result-line shapes: the client's reading of them, and the schema in docs/ agreeing with it."""

import dataclasses
import itertools
import json
import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
sys.path.insert(0, str(ROOT / "clients" / "python"))
sys.path.insert(0, str(ROOT / "tests" / "blackbox"))

import schema  # noqa: E402
from store_bridge._lines import COMMANDS, read_progress_line  # noqa: E402
from store_bridge import (AddOnLicense, AppProductResult, CollectionData, IdStatusResult, Sku,  # noqa: E402
                          BadLine, BalanceStatusResult, ConsumeFailure, ConsumeStatusResult,  # noqa: E402
                          Failure, LicenseStatusResult, PackageState, PackageUpdate, Product, ProductListResult,
                          PurchaseStatusResult, QueryFailure, ReviewStatusResult, UpdateProgress, UpdatesStatusResult,
                          UpdateStatusResult, UsageError, VersionStatusResult, read_result_line)

CRASH = b'{"status":"error","updated":false,"error":"crash"}'

# The lines of the later commands as the bridge writes them, and their results.
ADD_ON = {"storeId": "9NBLGGH4TNMP", "sku": "9NBLGGH4TNMP/0010", "active": True, "expires": "2027-03-01T00:00:00Z",
          "offerToken": "gold"}
LICENSE = {"status": "ok", "active": True, "trial": False, "trialOwned": False, "trialSecondsLeft": 0, "expires": None,
           "sku": "9NBLGGH4R315/0010", "trialId": "", "addOns": [ADD_ON], "error": None}
OWNED = {"trial": False, "acquired": "2026-11-02T09:15:00Z", "start": "2026-11-02T09:15:00Z",
         "end": "2026-12-02T09:15:00Z", "trialSecondsLeft": 0}
MONTHLY = {"storeId": "9NBLGGH4TNMP/0010", "title": "Monthly", "description": "", "trial": False, "subscription": True,
           "price": "$4.99", "basePrice": "$4.99", "currency": "USD", "onSale": False, "saleEnds": None,
           "recurrencePrice": "$4.99", "inCollection": False, "billingPeriod": 1, "billingPeriodUnit": "month",
           "trialPeriod": 7, "trialPeriodUnit": "day", "collection": None}
# Owned, without subscription terms: how the platform reports a subscription the user holds.
HELD = dict(MONTHLY, storeId="9NBLGGH4TNMP/0011", subscription=False, inCollection=True, billingPeriod=None,
            billingPeriodUnit=None, trialPeriod=None, trialPeriodUnit=None, collection=OWNED)
PRODUCT = {"storeId": "9NBLGGH4TNMP", "kind": "Durable", "title": "Gold", "description": "Line one\nLine two",
           "price": "$1.99", "basePrice": "$2.99", "currency": "USD", "onSale": True,
           "saleEnds": "2027-01-01T00:00:00Z", "recurrencePrice": "", "inCollection": False, "offerToken": "gold",
           "skus": [MONTHLY, HELD]}
APP = {"status": "ok", "product": dict(PRODUCT, storeId="9NBLGGH4R315", kind="Game"), "error": None}
ID = {"status": "ok", "id": "eyJ0eXAiOiJKV1QiLCJhbGciOiJSUzI1NiJ9.e30.c2ln", "error": None}
PRODUCTS = {"status": "ok", "products": [PRODUCT, dict(PRODUCT, storeId="9NBLGGH4TNMQ", saleEnds=None)], "error": None}
GUID = "6f9619ff-8b86-d011-b42d-00c04fc964ff"
CONSUMED = {"status": "succeeded", "balance": 4, "trackingId": GUID, "code": None, "error": None}
BALANCE = {"status": "succeeded", "balance": 4, "code": None, "error": None}
VERSION = {"status": "ok", "version": "0.2.0", "package": None, "elevated": False, "error": None}
PACKAGE = "Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe"
NOTES_UPDATE = {"packageFamilyName": "Contoso.Notes_8wekyb3d8bbwe", "version": "1.4.2.0", "mandatory": True}
UPDATES = {"status": "ok", "updates": [NOTES_UPDATE, {"packageFamilyName": "Contoso.Notes.Dictionary_8wekyb3d8bbwe",
                                                      "version": "65535.0.65535.0", "mandatory": False}],
           "canSilentlyDownload": True, "error": None}
NOTES_FAMILY = "Contoso.Notes_8wekyb3d8bbwe"
DICTIONARY_FAMILY = "Contoso.Notes.Dictionary_8wekyb3d8bbwe"
UPDATED = {"status": "completed", "packages": [{"packageFamilyName": NOTES_FAMILY, "state": "completed"}],
           "error": None}
NO_UPDATES = {"status": "noUpdates", "packages": [], "error": None}
UPDATE_STATES = ("pending", "downloading", "deploying", "completed", "cancelled", "error", "errorLowBattery",
                 "errorWiFiRecommended", "errorWiFiRequired")
PROGRESS = {"packageFamilyName": NOTES_FAMILY, "state": "downloading", "packageProgress": 0.42, "totalProgress": 0.21,
            "bytesDownloaded": 1234, "downloadSize": 5678}
NOTES_PROGRESS = UpdateProgress(NOTES_FAMILY, "downloading", 0.42, 0.21, 1234, 5678)

NOTES = PackageUpdate("Contoso.Notes_8wekyb3d8bbwe", "1.4.2.0", True)
DICTIONARY = PackageUpdate("Contoso.Notes.Dictionary_8wekyb3d8bbwe", "65535.0.65535.0", False)
GOLD = AddOnLicense("9NBLGGH4TNMP", "9NBLGGH4TNMP/0010", True, "2027-03-01T00:00:00Z", "gold")
MONTHLY_SKU = Sku("9NBLGGH4TNMP/0010", "Monthly", "", False, True, "$4.99", "$4.99", "USD", False, None, "$4.99", False,
                  1, "month", 7, "day", None)
HELD_SKU = Sku("9NBLGGH4TNMP/0011", "Monthly", "", False, False, "$4.99", "$4.99", "USD", False, None, "$4.99", True,
               None, None, None, None, CollectionData(False, "2026-11-02T09:15:00Z", "2026-11-02T09:15:00Z",
                                                      "2026-12-02T09:15:00Z", 0))
GOLD_OFFER = Product("9NBLGGH4TNMP", "Durable", "Gold", "Line one\nLine two", "$1.99", "$2.99", "USD", True,
                     "2027-01-01T00:00:00Z", "", False, "gold", (MONTHLY_SKU, HELD_SKU))
OFFERS = ProductListResult((GOLD_OFFER, dataclasses.replace(GOLD_OFFER, store_id="9NBLGGH4TNMQ", sale_ends=None)))


def sku_changed(**changes):
    """A products line whose product has one SKU, MONTHLY with these changes."""
    return line(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, **changes)])])


def sku_read(**changes):
    """The product list of sku_changed(), with these changes to the SKU as read."""
    return ProductListResult((dataclasses.replace(GOLD_OFFER, skus=(dataclasses.replace(MONTHLY_SKU, **changes),)),))


def line(obj, **changes):
    return json.dumps(dict(obj, **changes)).encode()


def entry_changed(obj, entries, **changes):
    return line(obj, **{entries: [dict(obj[entries][0], **changes)]})


# (command, stdout, exit code, the result)
RESULTS = [
    ("buy", b'{"status":"purchased","error":null}', 0, PurchaseStatusResult("purchased")),
    ("buy", b'{"status":"alreadyPurchased","error":null}', 0, PurchaseStatusResult("alreadyPurchased")),
    ("buy", b'{"status":"error","error":null}', 0, PurchaseStatusResult("error")),
    ("buy", b'{"status":"error","error":"no operation"}', 1, Failure("no operation")),
    ("buy", CRASH, 1, Failure("crash", False)),
    ("buy", b'{"error":"Access is denied."}', 1, Failure("Access is denied.")),
    ("buy", b'{"error":""}', 1, Failure("")),
    ("review", b'{"status":"network","updated":true,"error":null}', 0, ReviewStatusResult("network", True)),
    ("review", b'{"status":"error","updated":false,"error":null}', 0, ReviewStatusResult("error", False)),
    ("review", b'{"status":"error","updated":false,"error":"owner closed"}', 1,
     Failure("owner closed", False)),
    ("review", CRASH, 1, Failure("crash", False)),
    # A general failure whose text happens to be "usage" is told apart by its exit code.
    ("review", b'{"error":"usage"}', 1, Failure("usage")),
    ("buy", '{"error":"a\\"b\\\\c\\u0009d \\":e ü"}'.encode(), 1, Failure('a"b\\c\td ":e ü')),
    # Members a later bridge may add are ignored, whatever their value.
    ("buy", b'{"status":"purchased","error":null,"extra":1}', 0, PurchaseStatusResult("purchased")),
    ("buy", b'{"code":"0x80070005","status":"error","error":"denied"}', 1, Failure("denied")),
    ("buy", b'{"error":"x","details":{"code":[1,{"a":null}]}}', 1, Failure("x")),
    ("review", b'{"status":"succeeded","updated":true,"error":null,"at":"2027-01-01"}', 0,
     ReviewStatusResult("succeeded", True)),
    ("review", b'{"status":"error","updated":false,"error":"crash","thread":"worker"}', 1, Failure("crash", False)),
    ("license", line(LICENSE), 0, LicenseStatusResult(True, False, False, 0, None, "9NBLGGH4R315/0010", "", (GOLD,))),
    ("license", line(LICENSE, trial=True, trialSecondsLeft=86399, expires="9998-12-31T23:59:59Z", addOns=[]), 0,
     LicenseStatusResult(True, True, False, 86399, "9998-12-31T23:59:59Z", "9NBLGGH4R315/0010", "", ())),
    ("products", line(PRODUCTS), 0, OFFERS),
    ("collection", line(PRODUCTS), 0, OFFERS),
    ("collection", b'{"status":"ok","products":[],"error":null}', 0, ProductListResult(())),
    ("license", b'{"status":"error","code":"0x803F6107","error":"TEXT"}', 1, QueryFailure("0x803F6107", "TEXT")),
    # A code's own words may be empty; without a code the text says why.
    ("products", b'{"status":"error","code":"0xC0000005","error":""}', 1, QueryFailure("0xC0000005", "")),
    ("balance", b'{"status":"error","code":null,"error":"no operation"}', 1, QueryFailure(None, "no operation")),
    ("license", b'{"error":"Not enough memory."}', 1, Failure("Not enough memory.")),
    ("collection", CRASH, 1, Failure("crash", False)),
    ("consume", line(CONSUMED), 0, ConsumeStatusResult("succeeded", 4, GUID)),
    # The status word stands beside a failing extended error.
    ("consume", line(CONSUMED, status="network", balance=4294967295, code="0x80072EE7"), 0,
     ConsumeStatusResult("network", 4294967295, GUID, "0x80072EE7")),
    ("consume", line({"status": "error", "code": "0x80070005", "trackingId": GUID, "error": "denied"}), 1,
     ConsumeFailure("0x80070005", GUID, "denied")),
    ("consume", line({"status": "error", "code": None, "trackingId": GUID, "error": "no result"}), 1,
     ConsumeFailure(None, GUID, "no result")),
    ("consume", CRASH, 1, Failure("crash", False)),
    ("balance", line(BALANCE), 0, BalanceStatusResult("succeeded", 4)),
    ("balance", line(BALANCE, status="insufficientQuantity", balance=0), 0,
     BalanceStatusResult("insufficientQuantity", 0)),
    # Members a later bridge may add, in entries too, are ignored.
    ("license", line(LICENSE, addOns=[dict(ADD_ON, kind="Durable")], user="x"), 0,
     LicenseStatusResult(True, False, False, 0, None, "9NBLGGH4R315/0010", "", (GOLD,))),
    ("products", line(PRODUCTS, products=[dict(PRODUCT, rating=4.5)]), 0, ProductListResult((GOLD_OFFER,))),
    ("updates", line(UPDATES), 0, UpdatesStatusResult((NOTES, DICTIONARY), True)),
    ("updates", line(UPDATES, updates=[]), 0, UpdatesStatusResult((), True)),
    ("updates", line(UPDATES, canSilentlyDownload=False), 0, UpdatesStatusResult((NOTES, DICTIONARY), False)),
    ("updates", line(UPDATES, canSilentlyDownload=None), 0, UpdatesStatusResult((NOTES, DICTIONARY), None)),
    # A family name is the Store's text, whatever it holds.
    ("updates", entry_changed(UPDATES, "updates", packageFamilyName=""), 0,
     UpdatesStatusResult((PackageUpdate("", "1.4.2.0", True),), True)),
    ("updates", entry_changed(UPDATES, "updates", version="0.0.0.0"), 0,
     UpdatesStatusResult((PackageUpdate("Contoso.Notes_8wekyb3d8bbwe", "0.0.0.0", True),), True)),
    ("updates", line(UPDATES, updates=[dict(NOTES_UPDATE, architecture="x64")], downloadSize=1), 0,
     UpdatesStatusResult((NOTES,), True)),
    ("updates", b'{"status":"error","code":"0x80070005","error":"TEXT"}', 1, QueryFailure("0x80070005", "TEXT")),
    ("updates", b'{"status":"error","code":null,"error":"no result"}', 1, QueryFailure(None, "no result")),
    ("updates", b'{"error":"bad allocation"}', 1, Failure("bad allocation")),
    ("updates", CRASH, 1, Failure("crash", False)),
    ("update", line(UPDATED), 0, UpdateStatusResult("completed", (PackageState(NOTES_FAMILY, "completed"),))),
    ("update", line(NO_UPDATES), 0, UpdateStatusResult("noUpdates", ())),
    ("update", line(UPDATED, packages=[]), 0, UpdateStatusResult("completed", ())),
    ("update", line(UPDATED, packages=[dict(UPDATED["packages"][0], version="1.4.2.0")], restartNeeded=True), 0,
     UpdateStatusResult("completed", (PackageState(NOTES_FAMILY, "completed"),))),
    ("update", b'{"status":"error","code":null,"error":"owner closed"}', 1, QueryFailure(None, "owner closed")),
    ("update", b'{"status":"error","code":"0x80004002","error":"TEXT"}', 1, QueryFailure("0x80004002", "TEXT")),
    ("update", b'{"status":"error","code":null,"error":"no operation"}', 1, QueryFailure(None, "no operation")),
    ("update", b'{"error":"bad allocation"}', 1, Failure("bad allocation")),
    ("update", CRASH, 1, Failure("crash", False)),
] + [
    # Each state stands for the call and for a package, whatever the other is.
    ("update", line(UPDATED, status=state, packages=[{"packageFamilyName": DICTIONARY_FAMILY, "state": "error"},
                                                     {"packageFamilyName": NOTES_FAMILY, "state": state}]), 0,
     UpdateStatusResult(state, (PackageState(DICTIONARY_FAMILY, "error"), PackageState(NOTES_FAMILY, state))))
    for state in UPDATE_STATES
] + [
    ("version", line(VERSION), 0, VersionStatusResult("0.2.0", None, False)),
    ("version", line(VERSION, package=PACKAGE), 0, VersionStatusResult("0.2.0", PACKAGE, False)),
    ("version", line(VERSION, architecture="x64"), 0, VersionStatusResult("0.2.0", None, False)),
    ("version", line(VERSION, elevated=True), 0, VersionStatusResult("0.2.0", None, True)),
    ("version", line(VERSION, elevated=None), 0, VersionStatusResult("0.2.0", None, None)),
    ("products", sku_changed(billingPeriod=4294967295, trialPeriod=0), 0,
     sku_read(billing_period=4294967295, trial_period=0)),
    ("products", sku_changed(trialPeriod=None, trialPeriodUnit=None), 0,
     sku_read(trial_period=None, trial_period_unit=None)),
    ("collection", sku_changed(collection=dict(OWNED, trial=True, acquired=None, start=None, end=None,
                                               trialSecondsLeft=86399)), 0,
     sku_read(collection=CollectionData(True, None, None, None, 86399))),
    ("products", line(PRODUCTS, products=[dict(PRODUCT, skus=[])]), 0,
     ProductListResult((dataclasses.replace(GOLD_OFFER, skus=()),))),
    # Members a later bridge may add to a SKU or its entitlement are dropped too.
    ("products", sku_changed(language="en-us", collection=dict(OWNED, campaignId="x")), 0,
     sku_read(collection=HELD_SKU.collection)),
    ("app", line(APP), 0, AppProductResult(dataclasses.replace(GOLD_OFFER, store_id="9NBLGGH4R315", kind="Game"))),
    ("app", line(APP, product=None), 0, AppProductResult(None)),
    ("app", b'{"status":"error","code":"0x803F6107","error":""}', 1, QueryFailure("0x803F6107", "")),
    ("app", CRASH, 1, Failure("crash", False)),
] + [
    (command, output, exit_code, result) for command in ("purchase-id", "collections-id")
    for output, exit_code, result in (
        (line(ID), 0, IdStatusResult(ID["id"])),
        (b'{"status":"error","code":null,"error":"no id"}', 1, QueryFailure(None, "no id")),
        (b'{"status":"error","code":"0x80070525","error":"TEXT"}', 1, QueryFailure("0x80070525", "TEXT")),
        (b'{"error":"bad allocation"}', 1, Failure("bad allocation")))
] + [
    # Every unit.
    ("products", sku_changed(billingPeriodUnit=unit, trialPeriodUnit=unit), 0,
     sku_read(billing_period_unit=unit, trial_period_unit=unit))
    for unit in ("minute", "hour", "day", "week", "month", "year", "unknown")
] + [
    ("version", b'{"error":"The data area passed to a system call is too small."}', 1,
     Failure("The data area passed to a system call is too small.")),
    ("version", CRASH, 1, Failure("crash", False)),
]

# (command, stdout, exit code, exception)
REJECTED = [
    ("buy", b'{"error":"usage"}', 2, UsageError),
    ("review", b'{"error":"usage"}', 2, UsageError),
    ("buy", b'{"error":"usage"}', 0, BadLine),
    ("buy", b'{"error":"wrong"}', 2, BadLine),
    ("buy", b'{"status":"succeeded","updated":false,"error":null}', 0, BadLine),
    ("review", b'{"status":"purchased","error":null}', 0, BadLine),
    ("review", b'{"status":"error","error":"no result"}', 1, BadLine),
    ("buy", b'{"status":"error","updated":false,"error":"owner closed"}', 1, BadLine),
    ("buy", b'{"status":"bought","error":null}', 0, BadLine),
    ("buy", b'{"status":"purchased","error":null}', 1, BadLine),
    ("buy", b'{"status":"purchased","error":null}', -9, BadLine),
    ("buy", b'{"status":"error","error":"no result"}', 0, BadLine),
    ("review", CRASH, 0, BadLine),
    ("buy", b'{"status":"purchased"}', 0, BadLine),
    ("buy", b'{}', 1, BadLine),
    ("review", b'{"status":"succeeded","updated":"true","error":null}', 0, BadLine),
    ("review", b'{"status":"succeeded","updated":1,"error":null}', 0, BadLine),
    ("review", b'{"status":"error","updated":true,"error":"no result"}', 1, BadLine),
    ("buy", b'{"status":"error","error":""}', 1, BadLine),
    ("buy", b'{"status":"error","error":5}', 1, BadLine),
    ("buy", b'{"status":["purchased"],"error":null}', 0, BadLine),
    ("buy", b'{"error":{"text":"x"}}', 1, BadLine),
    ("buy", b'{"status":"purchased","error":null,"error":null}', 0, BadLine),
    ("buy", b'{"error":"usage"}\n', 2, BadLine),
    ("buy", b' {"status":"purchased","error":null}', 0, BadLine),
    ("buy", b'\xef\xbb\xbf{"status":"purchased","error":null}', 0, BadLine),
    ("buy", b'{"error":"\xc3("}', 1, BadLine),
    ("buy", b'{"error":}', 1, BadLine),
    ("buy", b'{"status":"purchased","error":null}{"error":"x"}', 0, BadLine),
    ("buy", b'[]', 1, BadLine),
    # Unknown members do not make up for a missing or mistyped known one.
    ("buy", b'{"status":"purchased","errors":null}', 0, BadLine),
    ("buy", b'{"status":"purchased","error":0,"extra":1}', 0, BadLine),
    ("review", b'{"status":"succeeded","error":null,"updated ":true}', 0, BadLine),
    ("buy", b'{"extra":1}', 1, BadLine),
    ("buy", b'{"error":"x","details":{"a":1,"a":2}}', 1, BadLine),
    ("buy", b'{"error":"x","\\u0061":1,"a":2}', 1, BadLine),
    ("buy", b'{"error":"x","ratio":NaN}', 1, BadLine),
    ("buy", b'{"error":"usage","hint":"buy <StoreID>"}', 2, UsageError),
    ("consume", b'{"error":"usage"}', 2, UsageError),
    # Each command's own lines only, each with its own exit code.
    ("buy", line(LICENSE), 0, BadLine),
    ("license", line(PRODUCTS), 0, BadLine),
    ("products", line(LICENSE), 0, BadLine),
    ("license", line(LICENSE), 1, BadLine),
    ("consume", line(BALANCE), 0, BadLine),
    ("license", b'{"status":"error","code":"0x80070005","error":"x"}', 0, BadLine),
    ("consume", b'{"status":"error","code":"0x80070005","error":"x"}', 1, BadLine),
    # Wrong values anywhere, in entries too.
    ("license", line(LICENSE, status="error"), 0, BadLine),
    ("license", line(LICENSE, trialSecondsLeft=-1), 0, BadLine),
    ("license", line(LICENSE, trialSecondsLeft=1.5), 0, BadLine),
    ("license", line(LICENSE, trialSecondsLeft=True), 0, BadLine),
    ("license", line(LICENSE, expires="2027-03-01"), 0, BadLine),
    ("license", line(LICENSE, expires="2027-03-01T00:00:00.5Z"), 0, BadLine),
    ("license", line(LICENSE, active="true"), 0, BadLine),
    ("license", line(LICENSE, addOns=None), 0, BadLine),
    ("license", line(LICENSE, addOns={}), 0, BadLine),
    ("license", line(LICENSE, addOns=[None]), 0, BadLine),
    ("license", entry_changed(LICENSE, "addOns", active=None), 0, BadLine),
    ("license", entry_changed(LICENSE, "addOns", expires=0), 0, BadLine),
    ("license", line(LICENSE, addOns=[{k: v for k, v in ADD_ON.items() if k != "offerToken"}]), 0, BadLine),
    ("products", entry_changed(PRODUCTS, "products", onSale=1), 0, BadLine),
    ("products", entry_changed(PRODUCTS, "products", saleEnds=""), 0, BadLine),
    ("products", entry_changed(PRODUCTS, "products", price=None), 0, BadLine),
    ("products", line(PRODUCTS, products=[PRODUCT, []]), 0, BadLine),
    ("products", line(PRODUCTS, error="x"), 0, BadLine),
    ("license", b'{"status":"error","code":"0x80070005","error":5}', 1, BadLine),
    ("license", b'{"status":"error","code":"0x00000001","error":"x"}', 1, BadLine),
    ("license", b'{"status":"error","code":"0x8007000","error":"x"}', 1, BadLine),
    ("license", b'{"status":"error","code":"0x8007000e","error":"x"}', 1, BadLine),
    ("license", b'{"status":"error","code":2147942405,"error":"x"}', 1, BadLine),
    ("license", b'{"status":"error","code":null,"error":""}', 1, BadLine),
    ("consume", line(CONSUMED, status="insufficient"), 0, BadLine),
    ("consume", line(CONSUMED, balance=-1), 0, BadLine),
    ("consume", line(CONSUMED, balance=4294967296), 0, BadLine),
    ("consume", line(CONSUMED, balance="4"), 0, BadLine),
    ("consume", line(CONSUMED, trackingId=GUID.upper()), 0, BadLine),
    ("consume", line(CONSUMED, trackingId="{%s}" % GUID), 0, BadLine),
    ("consume", line(CONSUMED, code="0x00000000"), 0, BadLine),
    ("consume", line({"status": "error", "code": "0x80070005", "trackingId": "", "error": "x"}), 1, BadLine),
    ("balance", line(BALANCE, error=""), 0, BadLine),
    ("version", b'{"error":"usage"}', 2, UsageError),
    ("version", line(VERSION), 1, BadLine),
    ("version", line(VERSION, status="error"), 0, BadLine),
    ("version", line(VERSION, version=""), 0, BadLine),
    ("version", line(VERSION, version=None), 0, BadLine),
    ("version", line(VERSION, package=False), 0, BadLine),
    ("version", line(VERSION, error="x"), 0, BadLine),
    ("version", json.dumps({k: v for k, v in VERSION.items() if k != "elevated"}).encode(), 0, BadLine),
    ("products", line(PRODUCTS, products=[{k: v for k, v in PRODUCT.items() if k != "skus"}]), 0, BadLine),
    ("products", line(PRODUCTS, products=[dict(PRODUCT, skus=None)]), 0, BadLine),
    ("products", line(PRODUCTS, products=[dict(PRODUCT, skus=[MONTHLY, None])]), 0, BadLine),
    ("collection", line(PRODUCTS, products=[dict(PRODUCT, skus=MONTHLY)]), 0, BadLine),
    ("products", line(PRODUCTS, products=[dict(PRODUCT, skus=[{k: v for k, v in MONTHLY.items()
                                                               if k != "collection"}])]), 0, BadLine),
    ("app", line(APP), 1, BadLine),
    ("app", line(PRODUCTS), 0, BadLine),
    ("app", line(APP, product=[]), 0, BadLine),
    ("app", line(APP, product={k: v for k, v in PRODUCT.items() if k != "skus"}), 0, BadLine),
    ("app", line(APP, error="x"), 0, BadLine),
    ("app", b'{"error":"usage"}', 2, UsageError),
    ("products", line(APP), 0, BadLine),
    ("version", line({"status": "ok", "version": "0.2.0", "error": None}), 0, BadLine),
    # version makes no Store call: no Store failure line is one of its lines.
    ("version", b'{"status":"error","code":"0x80070005","error":"x"}', 1, BadLine),
    ("license", line(VERSION), 0, BadLine),
    ("updates", b'{"error":"usage"}', 2, UsageError),
    ("updates", line(UPDATES), 1, BadLine),
    ("updates", b'{"status":"error","code":"0x80070005","error":"x"}', 0, BadLine),
    ("updates", line(LICENSE), 0, BadLine),
    ("license", line(UPDATES), 0, BadLine),
    ("updates", line(UPDATES, status="error"), 0, BadLine),
    ("updates", line(UPDATES, error="x"), 0, BadLine),
    ("updates", line(UPDATES, updates=None), 0, BadLine),
    ("updates", line(UPDATES, updates={}), 0, BadLine),
    ("updates", line(UPDATES, updates=[None]), 0, BadLine),
    ("updates", line(UPDATES, canSilentlyDownload="true"), 0, BadLine),
    ("updates", line(UPDATES, canSilentlyDownload=1), 0, BadLine),
    ("updates", line({"status": "ok", "updates": [], "error": None}), 0, BadLine),
    ("updates", line({"status": "ok", "canSilentlyDownload": True, "error": None}), 0, BadLine),
    # A member of another of its lines is no member a later bridge added.
    ("updates", line(UPDATES, code=None), 0, BadLine),
    ("updates", entry_changed(UPDATES, "updates", packageFamilyName=None), 0, BadLine),
    ("updates", entry_changed(UPDATES, "updates", mandatory="true"), 0, BadLine),
    ("updates", entry_changed(UPDATES, "updates", mandatory=1), 0, BadLine),
    ("updates", entry_changed(UPDATES, "updates", mandatory=None), 0, BadLine),
    ("updates", line(UPDATES, updates=[{"packageFamilyName": "A", "version": "1.0.0.0"}]), 0, BadLine),
    ("updates", line(UPDATES, updates=[NOTES_UPDATE, "Contoso.Notes_8wekyb3d8bbwe"]), 0, BadLine),
    ("update", b'{"error":"usage"}', 2, UsageError),
    ("update", line(UPDATED), 1, BadLine),
    ("update", b'{"status":"error","code":null,"error":"owner closed"}', 0, BadLine),
    ("update", line(UPDATES), 0, BadLine),
    ("updates", line(UPDATED), 0, BadLine),
    # Nothing found makes no second call, so no package has a state.
    ("update", line(UPDATED, status="noUpdates"), 0, BadLine),
    ("update", line(UPDATED, error="x"), 0, BadLine),
    ("update", line(UPDATED, packages=None), 0, BadLine),
    ("update", line(UPDATED, packages={}), 0, BadLine),
    ("update", line(UPDATED, packages=[NOTES_FAMILY]), 0, BadLine),
    ("update", line(UPDATED, code=None), 0, BadLine),
    ("update", line({"status": "completed", "error": None}), 0, BadLine),
    ("update", entry_changed(UPDATED, "packages", state="Completed"), 0, BadLine),
    ("update", entry_changed(UPDATED, "packages", state="noUpdates"), 0, BadLine),
    ("update", entry_changed(UPDATED, "packages", state=3), 0, BadLine),
    ("update", entry_changed(UPDATED, "packages", packageFamilyName=None), 0, BadLine),
    ("update", line(UPDATED, packages=[{"packageFamilyName": NOTES_FAMILY}]), 0, BadLine),
    # A progress line is no result line, with or without its line break.
    ("update", line({"progress": PROGRESS}), 0, BadLine),
    ("update", line(UPDATED) + b"\n", 0, BadLine),
] + [
    ("update", line(UPDATED, status=status), 0, BadLine)
    for status in ("ok", "noUpdate", "Completed", "succeeded", "", None, 3)
] + [
    # The version is the text Major.Minor.Build.Revision, each part 0 to 65535.
    ("updates", entry_changed(UPDATES, "updates", version=version), 0, BadLine)
    for version in (1.4, 1040200, None, True, {"major": 1}, [1, 4, 2, 0], "", "1.4.2", "1.4.2.0.0", "1.4.2.65536",
                    "1.4.2.99999", "01.4.2.0", "1.4.-2.0", "1.4.2.0 ", "1.4.2.0\n", "1.4.2.x", "1..2.0", "v1.4.2.0",
                    "1.4.2.\u0660")
] + [("version", line(VERSION, elevated=elevated), 0, BadLine) for elevated in ("false", 0, 1, {})] + [
    # A SKU's terms: its units known words, its periods UINT32s, each period with its unit, a trial only with billing.
    ("products", sku_changed(**changes), 0, BadLine)
    for changes in ({"billingPeriodUnit": "Month"}, {"trialPeriodUnit": "fortnight"}, {"billingPeriodUnit": 4},
                    {"billingPeriod": -1}, {"billingPeriod": 4294967296}, {"trialPeriod": 1.5},
                    {"billingPeriod": "1"}, {"billingPeriod": True}, {"billingPeriod": None},
                    {"billingPeriodUnit": None}, {"trialPeriod": None}, {"trialPeriodUnit": None},
                    {"billingPeriod": None, "billingPeriodUnit": None}, {"subscription": None}, {"trial": "false"},
                    {"collection": {}}, {"collection": []}, {"collection": dict(OWNED, end="2026-12-02")},
                    {"collection": dict(OWNED, trialSecondsLeft=-1)}, {"collection": dict(OWNED, trial=0)},
                    {"saleEnds": 0}, {"storeId": None}, {"recurrencePrice": None})
] + [
    (command, output, exit_code, error) for command in ("purchase-id", "collections-id")
    for output, exit_code, error in (
        (b'{"error":"usage"}', 2, UsageError),
        (line(ID), 1, BadLine),
        # An empty ID is the failure "no id", never a result.
        (line(ID, id=""), 0, BadLine),
        (line(ID, id=None), 0, BadLine),
        (line(ID, status="error"), 0, BadLine),
        (line(APP), 0, BadLine))
]


class ReadResultLine(unittest.TestCase):
    def test_documented_lines_become_results(self):
        for command, output, exit_code, expected in RESULTS:
            with self.subTest(command=command, output=output, exit_code=exit_code):
                self.assertEqual(read_result_line(command, output, exit_code), expected)

    def test_anything_else_is_rejected_with_its_kind(self):
        for command, output, exit_code, error in REJECTED:
            with self.subTest(command=command, output=output, exit_code=exit_code):
                with self.assertRaises(error) as raised:
                    read_result_line(command, output, exit_code)
                self.assertIs(type(raised.exception), error)
                self.assertEqual(raised.exception.exit_code, exit_code)
                self.assertEqual(raised.exception.output, output)

    def test_the_whole_line_stays_available(self):
        line = {"status": "error", "updated": False, "error": "owner closed", "closedAfterMs": 212, "more": [None]}
        result = read_result_line("review", json.dumps(line).encode(), 1)
        self.assertEqual((result, result.raw), (Failure("owner closed", False), line))

    def test_a_command_it_does_not_know_is_a_programming_error(self):
        with self.assertRaisesRegex(ValueError, "no command 'bye'"):
            read_result_line("bye", b'{"error":"x"}', 1)


def progress_line(**changes):
    return json.dumps({"progress": dict(PROGRESS, **changes)}).encode() + b"\n"


def progress_without(member):
    return json.dumps({"progress": {k: v for k, v in PROGRESS.items() if k != member}}).encode() + b"\n"


# (stdout, the report)
PROGRESS_READ = [
    (progress_line(), NOTES_PROGRESS),
    (b'{"progress":{"packageFamilyName":"Contoso.Notes_8wekyb3d8bbwe","state":"downloading","packageProgress":0.42,'
     b'"totalProgress":0.21,"bytesDownloaded":1234,"downloadSize":5678}}\n', NOTES_PROGRESS),
    # The ends of the fractions, as the bridge writes them; byte counts exact up to 2**64 - 1.
    (b'{"progress":{"packageFamilyName":"A","state":"deploying","packageProgress":1,"totalProgress":0,'
     b'"bytesDownloaded":0,"downloadSize":18446744073709551615}}\n',
     UpdateProgress("A", "deploying", 1.0, 0.0, 0, 2 ** 64 - 1)),
    # Inside the report, members a later bridge may add are ignored, as in a result line's entries.
    (progress_line(packageVersion="1.4.2.0"), NOTES_PROGRESS),
    (progress_line(packageFamilyName='Zé"\\'), UpdateProgress('Zé"\\', "downloading", 0.42, 0.21, 1234, 5678)),
] + [(progress_line(state=state), UpdateProgress(NOTES_FAMILY, state, 0.42, 0.21, 1234, 5678))
     for state in UPDATE_STATES]

PROGRESS_REJECTED = [progress_without(member) for member in PROGRESS] + [
    progress_line(packageFamilyName=None),
    progress_line(state="Downloading"),
    progress_line(state="noUpdates"),
    progress_line(state=1),
    progress_line(packageProgress="0.42"),
    progress_line(totalProgress=None),
    progress_line(packageProgress=True),
    progress_line(bytesDownloaded="1234"),
    progress_line(bytesDownloaded=False),
    progress_line(downloadSize=5678.0),
    progress_line(bytesDownloaded=-1),
    progress_line(downloadSize=-5678),
    progress_line(downloadSize=2 ** 64),
    # Nothing beside the report at the top.
    json.dumps({"progress": PROGRESS, "status": "completed"}).encode() + b"\n",
    json.dumps({"progress": PROGRESS, "extra": None}).encode() + b"\n",
    json.dumps({"report": PROGRESS}).encode() + b"\n",
    json.dumps({"progress": [PROGRESS]}).encode() + b"\n",
    b'{"progress":null}\n',
    b"{}\n",
    # One JSON object and its line break, nothing else.
    line({"progress": PROGRESS}),
    line({"progress": PROGRESS}) + b"\r\n",
    b" " + progress_line(),
    line({"progress": PROGRESS}) + progress_line(),
    b'{"progress":{"state":"pending",' + progress_line()[len(b'{"progress":{'):],
    b'{"progress":{},' + progress_line()[1:],
    progress_line().replace(b"0.42", b"NaN"),
    progress_line().replace(b"Notes", b"\xc3\x28"),
    b"\n",
    line(UPDATED) + b"\n",
] + [progress_line(**{member: fraction}) for member in ("packageProgress", "totalProgress")
     for fraction in (-0.01, 1.01, 2, -1, 1e400)]


class ReadProgressLine(unittest.TestCase):
    def test_progress_lines_become_reports(self):
        for output, expected in PROGRESS_READ:
            with self.subTest(output=output):
                self.assertEqual(read_progress_line(output), expected)

    def test_anything_else_is_a_bad_line(self):
        for output in PROGRESS_REJECTED:
            with self.subTest(output=output):
                with self.assertRaises(BadLine) as raised:
                    read_progress_line(output)
                self.assertEqual(raised.exception.output, output)

    def test_the_schema_agrees_with_the_client(self):
        # Both read the report strictly; the client alone ignores members a later bridge may add inside it.
        objects = []
        for output in [output for output, _ in PROGRESS_READ] + PROGRESS_REJECTED:
            try:
                objects.append(json.loads(output))
            except ValueError:
                pass  # no object to compare
        for obj in objects:
            if isinstance(obj, dict) and "packageVersion" in (obj.get("progress") or {}):
                continue
            with self.subTest(obj=obj):
                try:
                    schema.validate_progress_line(obj)
                    admitted = True
                except ValueError:
                    admitted = False
                try:
                    read_progress_line(json.dumps(obj, separators=(",", ":"), ensure_ascii=False).encode() + b"\n")
                    read = True
                except BadLine:
                    read = False
                self.assertEqual(read, admitted)
        self.assertGreater(len(objects), len(PROGRESS_READ) + 30)


def client_accepts(obj) -> bool:
    """Whether the client takes the object as a line of some command with some exit code."""
    output = json.dumps(obj, separators=(",", ":"), ensure_ascii=False).encode()
    for command, exit_code in itertools.product(COMMANDS, (0, 1, 2)):
        try:
            read_result_line(command, output, exit_code)
            return True
        except UsageError:
            return True
        except BadLine:
            pass
    return False


class ResultLineSchema(unittest.TestCase):
    # (object, a word the schema's complaint must contain, or None when admitted)
    LINES = [
        ({"error": "usage"}, None),
        ({"error": ""}, None),
        ({"error": "Zugriff verweigert: \"C:\\x\"\tü"}, None),
        ({"status": "purchased", "error": None}, None),
        ({"status": "alreadyPurchased", "error": None}, None),
        ({"status": "cancelled", "error": None}, None),
        ({"status": "error", "error": None}, None),
        ({"status": "error", "error": "no operation"}, None),
        ({"status": "succeeded", "updated": True, "error": None}, None),
        ({"status": "network", "updated": False, "error": None}, None),
        ({"status": "error", "updated": False, "error": "owner closed"}, None),
        ({"status": "error", "updated": False, "error": "crash"}, None),
        ([], "array"),
        ("{}", "string"),
        ({}, '"error" is missing'),
        ({"error": None}, "null"),
        ({"error": 2}, "integer"),
        ({"status": "bought", "error": None}, '"bought"'),
        ({"status": "succeeded", "error": None}, '"succeeded"'),
        ({"status": "purchased", "updated": False, "error": None}, '"purchased"'),
        ({"status": "purchased", "error": "x"}, '"purchased"'),
        ({"status": "error", "error": ""}, "shorter"),
        ({"status": "error", "updated": False, "error": ""}, "shorter"),
        ({"status": "error", "updated": 0, "error": "crash"}, "0"),
        ({"status": "succeeded", "updated": 1, "error": None}, "integer"),
        ({"status": "error", "updated": True, "error": "crash"}, "true"),
        ({"status": "purchased", "error": None, "extra": 1}, '"extra" is not allowed'),
        ({"status": "purchased"}, '"error" is missing'),
        ({"updated": False, "error": "x"}, "status"),
        ({"status": "Purchased", "error": None}, '"Purchased"'),
        (LICENSE, None),
        (dict(LICENSE, trial=True, trialSecondsLeft=604800, expires="2026-01-26T00:00:00Z", addOns=[]), None),
        (PRODUCTS, None),
        ({"status": "ok", "products": [], "error": None}, None),
        ({"status": "error", "code": "0x803F6107", "error": "TEXT"}, None),
        ({"status": "error", "code": "0x803F6107", "error": ""}, None),
        ({"status": "error", "code": None, "error": "no result"}, None),
        (CONSUMED, None),
        (dict(CONSUMED, status="network", balance=4294967295, code="0x80072EE7"), None),
        ({"status": "error", "code": "0x80070005", "trackingId": GUID, "error": "denied"}, None),
        ({"status": "error", "code": None, "trackingId": GUID, "error": "no operation"}, None),
        (BALANCE, None),
        (dict(BALANCE, status="insufficientQuantity", balance=0), None),
        ({k: v for k, v in LICENSE.items() if k != "addOns"}, '"addOns" is missing'),
        (dict(LICENSE, status="error"), "status"),
        (dict(LICENSE, trialSecondsLeft=-1), "below 0"),
        (dict(LICENSE, active="true"), "string, not boolean"),
        (dict(LICENSE, addOns=[dict(ADD_ON, active=None)]), "null"),
        (dict(PRODUCTS, products=[dict(PRODUCT, onSale=1)]), "integer"),
        (dict(PRODUCTS, products=None), "null"),
        (dict(PRODUCTS, error="x"), '"x"'),
        ({"status": "error", "code": 2147942405, "error": "x"}, "integer"),
        (dict(CONSUMED, status="insufficient"), '"insufficient"'),
        (dict(CONSUMED, balance=-1), "below 0"),
        (dict(CONSUMED, balance=4294967296), "above 4294967295"),
        # The schema bounds code and trackingId by length only; their exact forms are the clients' own check.
        (dict(CONSUMED, trackingId=GUID[:-1]), "trackingId"),
        ({"status": "succeeded", "balance": 4, "code": None}, '"error" is missing'),
        (VERSION, None),
        (dict(VERSION, package=PACKAGE), None),
        (dict(VERSION, version=""), "shorter"),
        (dict(VERSION, package=False), "boolean"),
        (dict(VERSION, error="x"), '"x"'),
        ({k: v for k, v in VERSION.items() if k != "package"}, '"package" is missing'),
        ({k: v for k, v in VERSION.items() if k != "elevated"}, '"elevated" is missing'),
        (dict(VERSION, elevated=None), None),
        (dict(VERSION, elevated="false"), "string"),
        (APP, None),
        (dict(APP, product=None), None),
        (dict(APP, product=[]), "array"),
        (dict(APP, product={k: v for k, v in PRODUCT.items() if k != "skus"}), '"skus" is missing'),
        (ID, None),
        (dict(ID, id=""), "shorter"),
        (dict(ID, id=None), "null"),
        ({"status": "error", "code": None, "error": "no id"}, None),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[])]), None),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[MONTHLY, dict(MONTHLY, trialPeriod=None, trialPeriodUnit=None),
                                                      dict(MONTHLY, billingPeriodUnit="unknown")])]), None),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, collection=dict(OWNED, end=None))])]), None),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=None)]), "null"),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, billingPeriodUnit="Month")])]), '"Month"'),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, billingPeriod=-1)])]), "below 0"),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, billingPeriod=4294967296)])]), "above"),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, billingPeriod=None)])]), "billingPeriod"),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, trialPeriodUnit=None)])]), "trialPeriod"),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, billingPeriod=None, billingPeriodUnit=None)])]),
         "trialPeriod"),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, collection={})])]), "missing"),
        (dict(PRODUCTS, products=[dict(PRODUCT, skus=[dict(MONTHLY, collection=dict(OWNED, trialSecondsLeft=-1))])]),
         "below 0"),
        (UPDATES, None),
        (dict(UPDATES, updates=[], canSilentlyDownload=None), None),
        (dict(UPDATES, canSilentlyDownload=False), None),
        (dict(UPDATES, canSilentlyDownload="true"), "string"),
        (dict(UPDATES, updates=[dict(NOTES_UPDATE, mandatory=None)]), "null"),
        (dict(UPDATES, updates=[dict(NOTES_UPDATE, version=1040200)]), "integer"),
        ({k: v for k, v in UPDATES.items() if k != "canSilentlyDownload"}, '"canSilentlyDownload" is missing'),
        (dict(UPDATES, updates=[{k: v for k, v in NOTES_UPDATE.items() if k != "version"}]), '"version" is missing'),
        (UPDATED, None),
        (NO_UPDATES, None),
        (dict(UPDATED, status="errorWiFiRequired", packages=[{"packageFamilyName": NOTES_FAMILY, "state": "pending"}]),
         None),
        ({"status": "error", "code": None, "error": "owner closed"}, None),
        (dict(UPDATED, status="ok"), '"ok"'),
        (dict(UPDATED, packages=[{"packageFamilyName": NOTES_FAMILY, "state": "noUpdates"}]), '"noUpdates"'),
        (dict(UPDATED, packages=None), "null"),
        (dict(UPDATED, error="x"), '"x"'),
    ]

    def test_admits_exactly_the_documented_shapes(self):
        for obj, complaint in self.LINES:
            with self.subTest(obj=obj):
                if complaint is None:
                    schema.validate_result_line(obj)
                else:
                    with self.assertRaises(ValueError) as raised:
                        schema.validate_result_line(obj)
                    self.assertIn(complaint, str(raised.exception))

    def test_agrees_with_the_client(self):
        # The schema describes exactly what this version writes; the client also takes lines with members their
        # command's lines do not have (a later version may add some). Without those members both agree.
        def admitted(obj):
            try:
                schema.validate_result_line(obj)
                return True
            except ValueError:
                return False

        for obj, _ in self.LINES:
            if isinstance(obj, dict):
                with self.subTest(obj=obj):
                    known = [{name: value for name, value in obj.items() if name in command.known_members()}
                             for command in COMMANDS.values()]
                    self.assertEqual(client_accepts(obj), any(map(admitted, known)))

    def test_refuses_keywords_it_does_not_check(self):
        with self.assertRaisesRegex(ValueError, "pattern"):
            schema.validate("x", {"type": "string", "pattern": "^y$"})

    def test_json_equality_keeps_types_apart(self):
        cases = [(False, 0, False), (True, 1, False), (None, False, False), (1, 1.0, True), ("a", "a", True),
                 ([1, [False]], [1, [False]], True), ([False], [0], False), ({"a": None}, {"a": None}, True),
                 ({"a": 0}, {"a": False}, False)]
        for a, b, equal in cases:
            with self.subTest(a=a, b=b):
                self.assertIs(schema.json_equal(a, b), equal)


if __name__ == "__main__":
    unittest.main()
