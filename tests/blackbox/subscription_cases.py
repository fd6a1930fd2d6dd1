"""SKUs in product entries, "app", "purchase-id" and "collections-id", one table for both targets."""

import json

from case import NATIVE, Case, no_store_calls
from flow_cases import AWKWARD, AWKWARD_ENCODED, E_ACCESSDENIED, calls, the
from lines import (app_product, collection_data, customer_id, product, product_list, query_failure, sku, system_text,
                   usage)
from query_cases import NEVER, NOT_KNOWN_TO_STORE, query_of, ticks

E_INVALIDARG = 0x80070057
UINT32_MAX = 4294967295
SECOND = 10_000_000

GOLD = "9NBLGGH4TNMP"
MONTHLY = sku(GOLD + "/0010", title="Monthly", subscription=True, price="$4.99", base_price="$4.99", currency="USD",
              recurrence_price="$4.99", billing=(1, "month"), trial_period=(7, "day"))
MONTHLY_ITEM = ("sku=9NBLGGH4TNMP/0010,title=Monthly,price=$4.99,base-price=$4.99,currency=USD,"
                "recurrence-price=$4.99,billing=1:month,trial-period=7:day")


def products_with(*skus, **product_fields):
    return product_list([product(GOLD, skus=skus, **product_fields)])


def sku_case(name, items, skus, **options):
    """"products" with the one product 9NBLGGH4TNMP and the SKU items given."""
    return Case("products: " + name, ["products"], products_with(*skus), 0, sim="product=%s;%s" % (GOLD, items),
                **options)


def sku_reads(*expected):
    """The SKUs were read through IStoreSku, and their terms through their own interfaces."""

    def check(trace, handles=None):
        vias = {(record.get("object"), record.get("via")) for record in trace if "via" in record}
        for pair in expected:
            assert pair in vias, "no read of %s through %s in %s" % (pair[0], pair[1], sorted(vias, key=str))

    return check


def not_read(call, obj):
    def check(trace, handles=None):
        assert (call, obj) not in calls(trace), calls(trace)

    return check


UNITS = ["minute", "hour", "day", "week", "month", "year"]

SKU_CASES = [
    sku_case("a subscription SKU with every member", MONTHLY_ITEM, [MONTHLY],
             trace=sku_reads(("sku", "IStoreSku"), ("subscriptionInfo", "IStoreSubscriptionInfo"))),
    Case("products: without SKUs the list is empty", ["products"], products_with(), 0, sim="product=" + GOLD),
    Case("products: a null SKU list is none", ["products"], products_with(), 0,
         sim="product=%s,skus=null" % GOLD),
    # In byte order of their Store IDs' UTF-8, whatever order the Store gives them in.
    sku_case("SKUs sorted by Store ID",
             "sku=9NBLGGH4TNMP/%C3%A9;sku=9NBLGGH4TNMP/0011,title=b;sku=9NBLGGH4TNMP/0010;sku=9NBLGGH4TNMP/00100",
             [sku(GOLD + "/0010"), sku(GOLD + "/00100"), sku(GOLD + "/0011", title="b"), sku(GOLD + "/\u00e9")]),
    # Every SKU is reported: the platform reports subscription SKUs without IsSubscription, and owned ones without terms.
    sku_case("terms without IsSubscription, IsSubscription without terms",
             "sku=9NBLGGH4TNMP/0010,billing=1:month,subscription=false;sku=9NBLGGH4TNMP/0020,subscription=true,"
             "in-collection=true;sku=9NBLGGH4TNMP/0030,trial=true,title=Trial",
             [sku(GOLD + "/0010", billing=(1, "month")), sku(GOLD + "/0020", subscription=True, in_collection=True),
              sku(GOLD + "/0030", trial=True, title="Trial")]),
    sku_case("periods at their edges", "sku=9NBLGGH4TNMP/0010,billing=0:minute,trial-period=4294967295:year",
             [sku(GOLD + "/0010", subscription=True, billing=(0, "minute"), trial_period=(UINT32_MAX, "year"))]),
    sku_case("every unit, as billing and as trial",
             ";".join("sku=9NBLGGH4TNMP/%04d,billing=%d:%s,trial-period=%d:%s" % (n, n, unit, n + 1, UNITS[5 - n])
                      for n, unit in enumerate(UNITS)),
             [sku(GOLD + "/%04d" % n, subscription=True, billing=(n, unit), trial_period=(n + 1, UNITS[5 - n]))
              for n, unit in enumerate(UNITS)]),
    sku_case("a unit this program does not know", "sku=9NBLGGH4TNMP/0010,billing=3:6,trial-period=1:-1",
             [sku(GOLD + "/0010", subscription=True, billing=(3, "unknown"), trial_period=(1, "unknown"))]),
    # Without a trial period the trial's terms are null, and never read.
    sku_case("no trial period", "sku=9NBLGGH4TNMP/0010,billing=1:year;fail=SubscriptionInfo.TrialPeriod:E_FAIL;"
             "fail=SubscriptionInfo.TrialPeriodUnit:E_FAIL",
             [sku(GOLD + "/0010", subscription=True, billing=(1, "year"))],
             trace=not_read("get_TrialPeriod", "subscriptionInfo")),
    sku_case("the SKU's own price, a sale's end only on sale",
             "sku=9NBLGGH4TNMP/0010,price=%%E2%%82%%AC4,base-price=%%E2%%82%%AC5,currency=EUR,on-sale=true,"
             "sale-ends=%d;sku=9NBLGGH4TNMP/0020,on-sale=false,sale-ends=5;sku=9NBLGGH4TNMP/0030,pricing=none"
             % ticks(2027, 1, 1),
             [sku(GOLD + "/0010", price="\u20ac4", base_price="\u20ac5", currency="EUR", on_sale=True,
                  sale_ends="2027-01-01T00:00:00Z"), sku(GOLD + "/0020"), sku(GOLD + "/0030")]),
    sku_case("texts escaped", "sku=9NBLGGH4TNMP/0010,title=%s,description=a%%0D%%0Ab%%09%%01" % AWKWARD_ENCODED,
             [sku(GOLD + "/0010", title=AWKWARD, description="a\r\nb\t\x01")]),
    # Collection data: the licence line's rules for dates, null and the time left.
    sku_case("collection data with dates", "sku=9NBLGGH4TNMP/0010,acquired=%d,start=%d,end=%d"
             % (ticks(2026, 11, 2, 9, 15) + SECOND - 1, ticks(2026, 11, 2, 9, 15), ticks(2026, 12, 2, 9, 15)),
             [sku(GOLD + "/0010", collection=collection_data(acquired="2026-11-02T09:15:00Z",
                                                             start="2026-11-02T09:15:00Z",
                                                             end="2026-12-02T09:15:00Z"))],
             trace=sku_reads(("collectionData", "IStoreCollectionData"))),
    sku_case("collection dates at the edges", "sku=9NBLGGH4TNMP/0010,acquired=0,start=%d,end=1;"
             "sku=9NBLGGH4TNMP/0020,acquired=-1,start=%d,end=%d"
             % (NEVER, ticks(9999, 1, 1) - 1, ticks(9999, 1, 1)),
             [sku(GOLD + "/0010", collection=collection_data(end="1601-01-01T00:00:00Z")),
              sku(GOLD + "/0020", collection=collection_data(acquired="1600-12-31T23:59:59Z",
                                                             start="9998-12-31T23:59:59Z"))]),
    sku_case("a trial's time left, rounded down and never below 0",
             "sku=9NBLGGH4TNMP/0010,collection-trial=true,trial-left=%d;"
             "sku=9NBLGGH4TNMP/0020,collection-trial=true,trial-left=-1;"
             "sku=9NBLGGH4TNMP/0030,collection-trial=true,trial-left=9223372036854775807" % (90 * SECOND - 1),
             [sku(GOLD + "/0010", collection=collection_data(trial=True, trial_seconds=89)),
              sku(GOLD + "/0020", collection=collection_data(trial=True)),
              sku(GOLD + "/0030", collection=collection_data(trial=True, trial_seconds=922337203685))]),
    sku_case("no time left unless a trial, and never read", "sku=9NBLGGH4TNMP/0010,trial-left=%d;"
             "fail=CollectionData.TrialTimeRemaining:E_FAIL" % (90 * SECOND),
             [sku(GOLD + "/0010", collection=collection_data())],
             trace=not_read("get_TrialTimeRemaining", "collectionData")),
    Case("collection: the owned product with its SKUs", ["collection"],
         product_list([product(GOLD, in_collection=True, skus=[MONTHLY])]), 0,
         sim="product=%s,in-collection=true;product=9NBLGGH4TNMQ;%s;sku=9NBLGGH4TNMQ/0010" % (GOLD, MONTHLY_ITEM)),
    # A failing read of any SKU field is the query's failure, with its words.
    *[Case("products: a failing read of %s" % field, ["products"], query_failure(E_ACCESSDENIED, "refused"), 1,
           sim="product=%s;%s,acquired=5,collection-trial=true;restricted=refused;fail=%s:E_ACCESSDENIED"
           % (GOLD, MONTHLY_ITEM, field))
      for field in ["Product.Skus", "Sku.StoreId", "Sku.Title", "Sku.Description", "Sku.IsTrial", "Sku.Price",
                    "Sku.IsInUserCollection", "Sku.CollectionData", "Sku.IsSubscription", "Sku.SubscriptionInfo",
                    "SubscriptionInfo.BillingPeriod", "SubscriptionInfo.BillingPeriodUnit",
                    "SubscriptionInfo.HasTrialPeriod", "SubscriptionInfo.TrialPeriod",
                    "SubscriptionInfo.TrialPeriodUnit", "CollectionData.IsTrial", "CollectionData.AcquiredDate",
                    "CollectionData.StartDate", "CollectionData.EndDate", "CollectionData.TrialTimeRemaining",
                    "Price.FormattedPrice"]],
    Case("products: a SKU of a product the scenario does not have", ["products"],
         query_failure(E_INVALIDARG, 'bad scenario item "sku=9NBLGGH4TNMQ/0010": expected the SKU of a product or '
                       'app-product of the scenario (its Store ID up to the first /)'), 1,
         sim="product=%s;sku=9NBLGGH4TNMQ/0010" % GOLD, trace=no_store_calls),
]

APP = "9NBLGGH4R315"


def app_case(name, sim, line, exit_code=0, **options):
    return Case("app: " + name, ["app"], line, exit_code, sim=sim, **options)


APP_CASES = [
    app_case("none by default", None, app_product(), trace=query_of("GetStoreProductForCurrentAppAsync")),
    Case("app: ignores arguments after it", ["app", "x", "--y"], app_product(), 0),
    app_case("the app with its SKUs, kind Application",
             "app-product=%s,title=Notes,description=Take%%20notes,price=$9.99,base-price=$9.99,currency=USD,"
             "in-collection=true;sku=%s/0010,title=Full;sku=%s/0001,trial=true,title=Trial,"
             "collection-trial=true,trial-left=%d" % (APP, APP, APP, 3600 * SECOND),
             app_product(product(APP, kind="Application", title="Notes", description="Take notes", price="$9.99",
                                 base_price="$9.99", currency="USD", in_collection=True,
                                 skus=[sku(APP + "/0001", title="Trial", trial=True,
                                           collection=collection_data(trial=True, trial_seconds=3600)),
                                       sku(APP + "/0010", title="Full")])),
             trace=sku_reads(("result", "IStoreProductResult"), ("sku", "IStoreSku"))),
    # The app's own product is no add-on: the catalogue does not list it.
    Case("products: the app's own product is not among them", ["products"], product_list(), 0,
         sim="app-product=%s" % APP),
    app_case("another kind, no price", "app-product=%s,kind=Game,pricing=none,skus=null" % APP,
             app_product(product(APP, kind="Game"))),
    app_case("a failing ExtendedError is the failure", "app-product=%s;app-extended-error=0x803F6107" % APP,
             query_failure(NOT_KNOWN_TO_STORE, system_text(NOT_KNOWN_TO_STORE)), 1,
             trace=not_read("get_Product", "result")),
    app_case("a success code in ExtendedError is none", "app-product=%s;app-extended-error=S_FALSE" % APP,
             app_product(product(APP, kind="Application"))),
    app_case("no operation", "request=none", query_failure(None, "no operation"), 1),
    app_case("no result", "results=null", query_failure(None, "no result"), 1),
    app_case("the request fails", "request=E_ACCESSDENIED;restricted=" + AWKWARD_ENCODED,
             query_failure(E_ACCESSDENIED, AWKWARD), 1),
    app_case("the results fail", "after=50;results=0x803F6107;restricted=not%20in%20the%20Store",
             query_failure(NOT_KNOWN_TO_STORE, "not in the Store"), 1),
    app_case("a failing read of the product", "app-product=%s;fail=ProductResult.Product:E_ACCESSDENIED;"
             "restricted=denied" % APP, query_failure(E_ACCESSDENIED, "denied"), 1),
    app_case("a failing read of the extended error", "fail=ProductResult.ExtendedError:E_ACCESSDENIED;"
             "restricted=denied", query_failure(E_ACCESSDENIED, "denied"), 1),
    app_case("a failing read of the app's SKU", "app-product=%s;sku=%s/0010;fail=Sku.Title:E_ACCESSDENIED;"
             "restricted=denied" % (APP, APP), query_failure(E_ACCESSDENIED, "denied"), 1),
]

TICKET = "eyJ0eXAiOiJKV1QiLCJhbGciOiJSUzI1NiJ9.secret-ticket.sig"
USER = "user-42"
REQUEST = json.dumps({"serviceTicket": TICKET, "publisherUserId": USER}).encode()


def id_sent(call, ticket=TICKET, user=USER):
    """The call got exactly the ticket and user ID given, through IStoreContext; nothing else of the Store ran."""

    def check(trace, handles=None):
        record = the(trace, call)
        assert record["via"] == "IStoreContext", record
        assert record["serviceTicket"] == ticket, "ticket %r, expected %r" % (record["serviceTicket"], ticket)
        assert record["publisherUserId"] == user, "user %r, expected %r" % (record["publisherUserId"], user)
        other = "GetCustomerCollectionsIdAsync" if call == "GetCustomerPurchaseIdAsync" else "GetCustomerPurchaseIdAsync"
        assert other not in [c[0] for c in calls(trace)], calls(trace)

    return check


ID_COMMANDS = [("purchase-id", "GetCustomerPurchaseIdAsync"), ("collections-id", "GetCustomerCollectionsIdAsync")]


def id_cases(command, call):
    def case(name, line, exit_code=0, stdin=REQUEST, **options):
        return Case("%s: %s" % (command, name), [command], line, exit_code, stdin=stdin, **options)

    def refused(name, stdin, **options):
        return case(name, usage(), 2, stdin=stdin, trace=no_store_calls, **options)

    valid = b'{"serviceTicket":"t","publisherUserId":"u"}'
    return [
        case("the simulated ID by default", customer_id("simulated-id"), trace=id_sent(call)),
        case("the Store's ID, escaped", customer_id('key "1"\\\r\n'), sim="customer-id=key%20%221%22%5C%0D%0A"),
        Case("%s: arguments after it are ignored" % command, [command, "x", "--ticket=y"],
             customer_id("simulated-id"), 0, stdin=REQUEST),
        case("an empty ID is no ID", query_failure(None, "no id"), 1, sim="customer-id="),
        case("no result string is no ID", query_failure(None, "no id"), 1, sim="results=null"),
        case("no operation", query_failure(None, "no operation"), 1, sim="request=none"),
        # The Store's words go out; the ticket never does.
        case("the request fails", query_failure(E_ACCESSDENIED, AWKWARD), 1,
             sim="request=E_ACCESSDENIED;restricted=" + AWKWARD_ENCODED),
        case("the results fail after a while", query_failure(E_ACCESSDENIED, system_text(E_ACCESSDENIED)), 1,
             sim="after=50;results=E_ACCESSDENIED"),
        case("white space around and inside, CR LF after", customer_id("simulated-id"),
             stdin=b' \r\n\t{ "publisherUserId" : "u" ,\n "serviceTicket":"t" }\r\n',
             trace=id_sent(call, "t", "u")),
        case("escapes reach the Store as the characters they name", customer_id("simulated-id"),
             stdin=b'{"serviceTicket":"a\\r\\u001a\\u001Ab\\"\\\\\\/","publisherUserId":"\\u00e9\\ud83d\\ude00\\n"}',
             trace=id_sent(call, 'a\r\x1a\x1ab"\\/', "\u00e9\U0001F600\n")),
        case("empty strings are sent as they are", customer_id("simulated-id"),
             stdin=b'{"serviceTicket":"","publisherUserId":""}', trace=id_sent(call, "", "")),
        case("UTF-8 of every length", customer_id("simulated-id"),
             stdin='{"serviceTicket":"\u00e9\u20ac\U0001F600","publisherUserId":"\u65e5"}'.encode(),
             trace=id_sent(call, "\u00e9\u20ac\U0001F600", "\u65e5")),
        case("exactly 64 KiB", customer_id("simulated-id"), stdin=valid + b" " * (65536 - len(valid))),
        refused("one byte over 64 KiB", valid + b" " * (65537 - len(valid))),
        refused("a megabyte", b'{"serviceTicket":"' + b"x" * (1 << 20) + b'","publisherUserId":"u"}'),
        refused("empty", b""),
        refused("white space only", b" \r\n"),
        refused("not JSON", b"serviceTicket=t&publisherUserId=u"),
        refused("an array", b'["t","u"]'),
        refused("an empty object", b"{}"),
        refused("a missing member", b'{"serviceTicket":"t"}'),
        refused("an extra member", b'{"serviceTicket":"t","publisherUserId":"u","scope":"x"}'),
        refused("a duplicate member", b'{"serviceTicket":"t","serviceTicket":"t","publisherUserId":"u"}'),
        refused("a number", b'{"serviceTicket":1,"publisherUserId":"u"}'),
        refused("null", b'{"serviceTicket":"t","publisherUserId":null}'),
        refused("an object as a value", b'{"serviceTicket":{"value":"t"},"publisherUserId":"u"}'),
        refused("a name in another case", b'{"ServiceTicket":"t","publisherUserId":"u"}'),
        refused("a trailing comma", b'{"serviceTicket":"t","publisherUserId":"u",}'),
        refused("a second object", valid + valid),
        refused("text after the object", valid + b"\r\nx"),
        refused("invalid UTF-8", b'{"serviceTicket":"\xc3(","publisherUserId":"u"}'),
        refused("an overlong UTF-8 form", b'{"serviceTicket":"\xc0\xafx","publisherUserId":"u"}'),
        refused("an escaped surrogate without its pair", b'{"serviceTicket":"\\ud83d","publisherUserId":"u"}'),
        refused("a raw 0x1A before the object", b"\x1a" + valid),
        refused("a raw 0x1A inside a string", b'{"serviceTicket":"t\x1a","publisherUserId":"u"}'),
        refused("a raw 0x1A after the object", valid + b"\x1a"),
        refused("a raw CR inside a string", b'{"serviceTicket":"t\r","publisherUserId":"u"}'),
        refused("a byte order mark", b"\xef\xbb\xbf" + valid),
        # Checked before anything else, as the command line is: even an apartment that would fail is not reached.
        refused("refused before the apartment", b"x", sim="apartment=E_FAIL", targets={NATIVE}),
        # Nothing is read from a terminal: a run started from one never waits for its user.
        Case("%s: a terminal's standard input is refused unread" % command, [command], usage(), 2,
             stdin_kind="terminal", trace=no_store_calls),
        Case("%s: the null device is empty input" % command, [command], usage(), 2, trace=no_store_calls),
        Case("%s: no standard input at all" % command, [command], usage(), 2, stdin_kind="closed",
             trace=no_store_calls, targets={NATIVE}),
    ]


ID_CASES = [case for command, call in ID_COMMANDS for case in id_cases(command, call)]

CASES = SKU_CASES + APP_CASES + ID_CASES
