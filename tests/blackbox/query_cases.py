"""The "license", "products" and "collection" queries against the simulated Store, one table for both targets."""

import datetime

from case import NATIVE, Case, no_store_calls
from flow_cases import (AWKWARD, AWKWARD_ENCODED, E_ACCESSDENIED, E_FAIL, E_ILLEGAL_METHOD_CALL, HANDLER_LATE,
                        NO_SYSTEM_TEXT, calls, fetched_once, the)
from lines import (add_on, collection_data, crash, general_failure, license, product, product_list, query_failure, sku,
                   system_text, usage)

NOT_KNOWN_TO_STORE = 0x803F6107
NO_USER = 0x80070525
E_INVALIDARG = 0x80070057

DEFAULT_KINDS = ["Durable", "Consumable", "UnmanagedConsumable"]
EPOCH = datetime.datetime(1601, 1, 1)
NEVER = 2650466880000000000  # 9999-12-31, a perpetual licence


def ticks(*date):
    return int((datetime.datetime(*date) - EPOCH).total_seconds()) * 10_000_000


def rfc3339(tick_count):
    return (EPOCH + datetime.timedelta(seconds=tick_count // 10_000_000)).strftime("%Y-%m-%dT%H:%M:%SZ")


def query_of(call, kinds=None):
    """The query came through IStoreContext, with the kinds in order through an agile
    iterable, and nothing of a window: the queries show no UI."""

    def check(trace, handles=None):
        record = the(trace, call)
        assert record["via"] == "IStoreContext", record
        if kinds is not None:
            assert record["kinds"] == kinds, "kinds %s, expected %s" % (record["kinds"], kinds)
            assert record["kindsAgile"] is True, record
        assert not [c for c in calls(trace) if c[0] == "Initialize"], calls(trace)
        assert not [r for r in trace if r.get("interface") == "IInitializeWithWindow"], calls(trace)

    return check


def sale_end_not_read(trace, handles):
    assert ("get_SaleEndDate", "price") not in calls(trace), calls(trace)
    assert ("get_IsOnSale", "price") in calls(trace), calls(trace)


# The generated catalogues, computed here apart from the simulated Store's code.
def generated_description(length):
    pattern = ("Unlocks the gold level: twelve new maps, the original soundtrack and the caf\u00e9 "
               "scene (\u20ac 1,99 in the euro zone, \u65e5\u672c\u8a9e included) for every "
               "player on this device, offline too. "
               'Say "gold" at C:\\Store\r\n\tthen\b\f\x01 done\n').encode("utf-16-le") + b"\x00\xd8"
    units = (pattern * (length // (len(pattern) // 2) + 1))[:2 * length]
    return units.decode("utf-16-le", errors="replace")  # a lone surrogate becomes U+FFFD


def generated_skus(number, on_sale, sale_ends):
    """A plain SKU; for two products in three a monthly subscription, with a week's trial for every
    second product; for one in three a yearly one the user holds, acquired the day its sale ends."""
    store_id, title = "9P%010d" % number, "Generated product %d" % number
    price = dict(price="$1.99", base_price="$2.99", currency="USD", on_sale=on_sale,
                 sale_ends=sale_ends if on_sale else None)
    skus = [sku(store_id + "/0010", title=title, **price)]
    if number % 3 != 0:
        skus.append(sku(store_id + "/0020", title=title + ", monthly", subscription=True,
                        recurrence_price="$0.99/month", billing=(1, "month"),
                        trial_period=(1, "week") if number % 2 == 0 else None, **price))
    if number % 3 == 2:
        acquired = ticks(2027, 1, 1) + number * 864_000_000_000
        skus.append(sku(store_id + "/0030", title=title + ", yearly", subscription=True,
                        recurrence_price="$9.99/year", in_collection=True, billing=(1, "year"),
                        collection=collection_data(acquired=rfc3339(acquired), start=rfc3339(acquired),
                                                   end=rfc3339(acquired + 365 * 864_000_000_000)), **price))
    return skus


def generated_products(count, length, collection=False, kinds=DEFAULT_KINDS):
    description = generated_description(length)
    listed = []
    for number in range(1, count + 1):
        kind = DEFAULT_KINDS[number % 3]
        if kind not in kinds or (collection and number % 3 != 0):
            continue
        on_sale = number % 2 == 0
        sale_ends = rfc3339(ticks(2027, 1, 1) + number * 864_000_000_000)
        listed.append(product("9P%010d" % number, kind=kind, title="Generated product %d" % number,
                              description=description, price="$1.99", base_price="$2.99", currency="USD",
                              on_sale=on_sale, sale_ends=sale_ends if on_sale else None,
                              in_collection=number % 3 == 0, token="token-%d" % number,
                              skus=generated_skus(number, on_sale, sale_ends)))
    return listed


def generated_add_ons(count):
    return [add_on("9Q%010d" % n, "9Q%010d/0010" % n, expires=rfc3339(ticks(2027, 1, 1) + n * 864_000_000_000),
                   token="token-%d" % n) for n in range(1, count + 1)]


# One catalogue for the whole host path: a durable on sale, a consumable, a subscription the user holds.
CATALOGUE = ";".join([
    "app-sku=9NBLGGH4R315%2F0010",
    "add-on=9NBLGGH4TNMP/0010,expires=134483328000000000,token=gold",
    "product=9NBLGGH4TNMP,title=Gold,description=Line%20one%0ALine%20two,price=%241.99,base-price=%242.99,"
    "currency=USD,on-sale=true,sale-ends=134432352000000000,in-collection=true,token=gold",
    "product=9NBLGGH4CNSM,kind=Consumable,title=Coins%20%22x100%22,price=%240.99,base-price=%240.99,currency=USD",
])
GOLD = product("9NBLGGH4TNMP", title="Gold", description="Line one\nLine two", price="$1.99", base_price="$2.99",
               currency="USD", on_sale=True, sale_ends="2027-01-01T00:00:00Z", in_collection=True, token="gold")
COINS = product("9NBLGGH4CNSM", kind="Consumable", title='Coins "x100"', price="$0.99", base_price="$0.99",
                currency="USD")

DEFAULT_LICENCE = license()

CASES = [
    Case("license with the default scenario", ["license"], DEFAULT_LICENCE, 0, min_ms=90,
         trace=query_of("GetAppLicenseAsync")),
    Case("license ignores its arguments", ["license", "Durable", "x"], DEFAULT_LICENCE, 0),
    Case("products with the default scenario", ["products"], product_list(), 0, min_ms=90,
         trace=query_of("GetAssociatedStoreProductsAsync", DEFAULT_KINDS)),
    Case("collection with the default scenario", ["collection"], product_list(), 0, min_ms=90,
         trace=query_of("GetUserCollectionAsync", DEFAULT_KINDS)),
    Case("products hands the kinds over unchanged and in order", ["products", "Game,Durable,Game, d\u00fcrable "],
         product_list(), 0, trace=query_of("GetAssociatedStoreProductsAsync", ["Game", "Durable", "Game", " d\u00fcrable "])),
    Case("collection with one kind ignores further arguments", ["collection", "Consumable", "Durable"],
         product_list(), 0, trace=query_of("GetUserCollectionAsync", ["Consumable"])),
    Case("license completed before the handler was assigned", ["license"], DEFAULT_LICENCE, 0, sim="after=now"),
    Case("products completed before the handler was assigned", ["products"], product_list([COINS, GOLD]), 0,
         sim="after=now;" + CATALOGUE),
    # The catalogue a host sells from.
    Case("license of the catalogue", ["license"],
         license(sku="9NBLGGH4R315/0010",
                 add_ons=[add_on("9NBLGGH4TNMP", "9NBLGGH4TNMP/0010", expires="2027-03-01T00:00:00Z", token="gold")]),
         0, sim=CATALOGUE),
    Case("products of the catalogue", ["products"], product_list([COINS, GOLD]), 0, sim=CATALOGUE),
    Case("products of one kind", ["products", "Consumable"], product_list([COINS]), 0, sim=CATALOGUE),
    Case("collection of the catalogue", ["collection"], product_list([GOLD]), 0, sim=CATALOGUE),
    Case("products of a kind the Store does not have", ["products", "Game"], product_list(), 0, sim=CATALOGUE),
    # Licence fields.
    Case("trial licence", ["license"],
         license(active=True, trial=True, trial_owned=True, trial_seconds=3600, expires="2027-03-01T00:00:00Z",
                 sku="9NBLGGH4R315/0001", trial_id="T-1"), 0,
         sim="app-trial=true;app-trial-owned=true;app-trial-left=36000009999;app-expires=134483328000000000;"
             "app-sku=9NBLGGH4R315/0001;app-trial-id=T-1"),
    Case("expired trial counts no time left", ["license"], license(active=False, trial=True), 0,
         sim="app-active=false;app-trial=true;app-trial-left=-10000000;app-expires=0"),
    Case("full licence reports no trial time", ["license"], license(), 0, sim="app-trial-left=36000000000"),
    Case("trial with the largest time span", ["license"], license(trial=True, trial_seconds=922337203685), 0,
         sim="app-trial=true;app-trial-left=max"),
    Case("add-ons sorted by Store ID whatever the map's keys", ["license"],
         license(add_ons=[add_on("9AA", "9AA"), add_on("9AB", "9AB/0010", active=False, token="t"),
                          add_on("9ZZ", "9ZZ/0010", token="z0"), add_on("9ZZ", "9ZZ/0011", token="z1")]), 0,
         sim="add-on=9ZZ/0011,token=z1;add-on=9AB/0010,active=false,token=t,key=9AB;add-on=9AA,key=x;"
             "add-on=9ZZ/0010,token=z0"),
    Case("dates at the edges", ["license"],
         license(expires="1601-01-01T00:00:00Z",
                 add_ons=[add_on("9A", "9A/0", expires=None), add_on("9B", "9B/1601", expires="1601-01-01T00:00:00Z"),
                          add_on("9C", "9C/1970", expires="1970-01-01T00:00:00Z"),
                          add_on("9D", "9D/2000", expires="2000-02-29T12:34:56Z"),
                          add_on("9E", "9E/2024", expires="2024-02-29T23:59:59Z"),
                          add_on("9F", "9F/1900", expires="1900-03-01T00:00:00Z"),
                          add_on("9G", "9G/9998", expires="9998-12-31T23:59:59Z"),
                          add_on("9H", "9H/9999", expires=None), add_on("9I", "9I/never", expires=None),
                          add_on("9J", "9J/before", expires="1600-12-31T23:59:59Z")]), 0,
         sim="app-expires=9999999;add-on=9A/0,expires=0;add-on=9B/1601,expires=1;add-on=9C/1970,expires=%d;"
             "add-on=9D/2000,expires=%d;add-on=9E/2024,expires=%d;add-on=9F/1900,expires=%d;add-on=9G/9998,expires=%d;"
             "add-on=9H/9999,expires=%d;add-on=9I/never,expires=never;add-on=9J/before,expires=-1"
             % (ticks(1970, 1, 1), ticks(2000, 2, 29, 12, 34, 56) + 9_999_999, ticks(2024, 2, 29, 23, 59, 59),
                ticks(1900, 3, 1), ticks(9998, 12, 31, 23, 59, 59) + 9_999_999, ticks(9999, 1, 1))),
    Case("sale end dates at the edges", ["products"],
         product_list([product("9A", on_sale=True, sale_ends=None), product("9B", on_sale=True, sale_ends=None),
                       product("9C", on_sale=True, sale_ends="9998-12-31T23:59:59Z"),
                       product("9D", on_sale=True, sale_ends="2028-02-29T00:00:00Z")]), 0,
         sim="product=9A,on-sale=true,sale-ends=0;product=9B,on-sale=true,sale-ends=never;"
             "product=9C,on-sale=true,sale-ends=%d;product=9D,on-sale=true,sale-ends=%d"
             % (ticks(9998, 12, 31, 23, 59, 59), ticks(2028, 2, 29))),
    Case("many add-ons", ["license"], license(add_ons=generated_add_ons(300)), 0, sim="generate-add-ons=300"),
    Case("no add-on map", ["license"], license(), 0, sim="add-on=9AA;add-on-map=null"),
    # Products: every field, texts that need every escape, null objects.
    Case("product texts with every escape", ["products"],
         product_list([product("9N\"\\", kind="Durable", title=AWKWARD, description="a\bb\fc\x01d\x1fe\u20ac\U0001F600",
                               price="1,99 \u20ac", base_price="", currency="EUR", recurrence_price="\u20ac/\nMonat",
                               token="\t")]), 0,
         sim="product=9N%22%5C,title=" + AWKWARD_ENCODED + ",description=a%08b%0Cc%01d%1Fe%E2%82%AC%F0%9F%98%80,"
             "price=1%2C99%20%E2%82%AC,currency=EUR,recurrence-price=%E2%82%AC%2F%0AMonat,token=%09"),
    Case("generated products with long texts", ["products"], product_list(generated_products(40, 700)), 0,
         sim="generate-products=40:700"),
    # A host may pass on a non-blocking standard output and read it slowly: the
    # 1.37 MB line, many times what the pipe or socket holds, still arrives whole.
    *[Case("products to a slow reader of a non-blocking %s" % kind, ["products"],
           product_list(generated_products(1000, 1000)), 0, sim="generate-products=1000", slow_reader=kind,
           targets={NATIVE}) for kind in ("pipe", "socket")],
    Case("generated collection", ["collection", "UnmanagedConsumable,Durable"],
         product_list(generated_products(40, 30, collection=True, kinds=["UnmanagedConsumable", "Durable"])), 0,
         sim="generate-products=40:30"),
    Case("product without a price", ["products"], product_list([product("9A", token="a")]), 0,
         sim="product=9A,price=1,on-sale=true,token=a,pricing=none"),
    Case("no product map", ["products"], product_list(), 0, sim="product=9A;product-map=null"),
    Case("no product map in the collection", ["collection"], product_list(), 0,
         sim="product=9A,in-collection=true;product-map=null"),
    Case("sale end is read only for an item on sale", ["products"], product_list([product("9A", price="1")]), 0,
         sim="product=9A,price=1,sale-ends=5;fail=Price.SaleEndDate:E_FAIL", trace=sale_end_not_read),
    Case("an ExtendedError that is no failure is ignored", ["products"], product_list([COINS, GOLD]), 0,
         sim="extended-error=S_FALSE;" + CATALOGUE),
    # Query failures: the code and the platform's words.
    Case("Store context fails", ["license"], query_failure(E_ACCESSDENIED, AWKWARD), 1,
         sim="context=E_ACCESSDENIED;restricted=" + AWKWARD_ENCODED),
    Case("Store context fails for products", ["products"], query_failure(E_FAIL, system_text(E_FAIL)), 1,
         sim="context=E_FAIL"),
    Case("bad scenario names the item in the query failure", ["collection"],
         query_failure(E_INVALIDARG, 'bad scenario item "product=9A,colour=red": expected ID[,FIELD=VALUE...]'), 1,
         sim="product=9A,colour=red"),
    Case("license request fails", ["license"], query_failure(E_ACCESSDENIED, "gesperrt"), 1,
         sim="request=E_ACCESSDENIED;restricted=gesperrt"),
    Case("products request fails", ["products"], query_failure(E_FAIL, system_text(E_FAIL)), 1, sim="request=E_FAIL"),
    Case("license request without an operation", ["license"], query_failure(None, "no operation"), 1,
         sim="request=none"),
    Case("collection request without an operation", ["collection"], query_failure(None, "no operation"), 1,
         sim="request=none"),
    Case("license results fail", ["license"], query_failure(E_ACCESSDENIED, system_text(E_ACCESSDENIED)), 1,
         sim="results=E_ACCESSDENIED"),
    Case("products results fail with restricted text", ["products"], query_failure(E_FAIL, AWKWARD), 1,
         sim="results=E_FAIL;restricted=" + AWKWARD_ENCODED),
    Case("results fail in the handler that ran inside the assignment", ["collection"],
         query_failure(0x80070490, "kaputt"), 1, sim="after=now;results=0x80070490;restricted=kaputt"),
    Case("a failure with an empty message keeps its code", ["license"], query_failure(E_FAIL, ""), 1,
         sim="results=E_FAIL;restricted="),
    Case("a failure without words anywhere keeps its code", ["products"], query_failure(NO_SYSTEM_TEXT, ""), 1,
         sim="results=0x%08X" % NO_SYSTEM_TEXT),
    Case("license without a result object", ["license"], query_failure(None, "no result"), 1, sim="results=null"),
    Case("products without a result object", ["products"], query_failure(None, "no result"), 1, sim="results=null"),
    Case("quit message ends the query wait", ["license"], query_failure(None, "no result"), 1,
         sim="after=never;post=quit@100", max_ms=3000),
    Case("unrelated messages during the query", ["products"], product_list([COINS, GOLD]), 0,
         sim="after=300;post=message@50;" + CATALOGUE, min_ms=290),
    # The status reports an end before the operation's: the flow's own GetResults is refused, with its code.
    Case("status query reports an end before the operation's", ["collection"],
         query_failure(E_ILLEGAL_METHOD_CALL, system_text(E_ILLEGAL_METHOD_CALL)), 1, sim="after=never;async-status=1",
         max_ms=3000, trace=fetched_once(thread="main")),
    Case("the Store knows nothing of this app", ["products"],
         query_failure(NOT_KNOWN_TO_STORE, system_text(NOT_KNOWN_TO_STORE)), 1,
         sim="extended-error=0x803F6107;" + CATALOGUE),
    Case("no user signed in to the Store", ["collection"], query_failure(NO_USER, system_text(NO_USER)), 1,
         sim="extended-error=0x80070525;" + CATALOGUE),
    Case("results out of memory", ["license"], general_failure("bad allocation"), 1, sim="results=E_OUTOFMEMORY"),
    # Standard failures keep the general failure line, usage errors the usage line.
    Case("license request out of memory", ["license"], general_failure("bad allocation"), 1,
         sim="request=E_OUTOFMEMORY"),
    Case("product read out of memory", ["products"], general_failure("bad allocation"), 1,
         sim="fail=Product.Title:E_OUTOFMEMORY;" + CATALOGUE),
    Case("crash inside the query call", ["license"], crash(), 1, sim="crash=main"),
    Case("crash on the Store's worker during the query wait", ["products"], crash(), 1, sim="crash=worker;after=50"),
    Case("crash while the query result is released", ["collection"], crash(), 1, sim="crash=release"),
]

for args in (["products", ""], ["products", ","], ["products", "Durable,,Game"], ["collection", ",Durable"],
             ["collection", "Durable,"], ["products", ",,"]):
    CASES.append(Case("%s with an empty kind word %r" % (args[0], args[1]), args, usage(), 2, trace=no_store_calls))
for args in (["License"], ["licence"], ["product"], ["Products"], ["collections"]):
    CASES.append(Case("unknown query word %s" % args[0], args, usage(), 2, trace=no_store_calls))

# A failing read of each single field, with the words its error information gives.
FIELDS = {
    "license": ["AppLicense." + name for name in ("SkuStoreId", "IsActive", "IsTrial", "ExpirationDate",
                                                  "AddOnLicenses", "TrialTimeRemaining", "IsTrialOwnedByThisUser",
                                                  "TrialUniqueId")]
               + ["License." + name for name in ("SkuStoreId", "IsActive", "ExpirationDate", "InAppOfferToken")],
    "products": ["ProductQueryResult." + name for name in ("Products", "ExtendedError")]
                + ["Product." + name for name in ("StoreId", "Title", "Description", "ProductKind",
                                                  "IsInUserCollection", "Price", "InAppOfferToken")]
                + ["Price." + name for name in ("FormattedBasePrice", "FormattedPrice", "IsOnSale", "SaleEndDate",
                                                "CurrencyCode", "FormattedRecurrencePrice")],
}
for command, fields in FIELDS.items():
    for field in fields:
        CASES.append(Case("%s fails reading %s" % (command, field), [command],
                          query_failure(E_ACCESSDENIED, field + " refused"), 1,
                          sim="%s;fail=%s:E_ACCESSDENIED;restricted=%s%%20refused" % (CATALOGUE, field, field)))

# The operation reports its end before its handler runs: the flow fetches the
# outcome itself, or whichever of handler and flow is first; the answer is the same.
for when in ("now", "0"):
    CASES += [
        Case("license with the handler late, after=%s" % when, ["license"], license(sku="9NBLGGH4R315/0010",
             add_ons=[add_on("9NBLGGH4TNMP", "9NBLGGH4TNMP/0010", expires="2027-03-01T00:00:00Z", token="gold")]),
             0, sim=HANDLER_LATE + "after=%s;" % when + CATALOGUE, trace=fetched_once()),
        Case("products with the handler late, after=%s" % when, ["products"], product_list([COINS, GOLD]), 0,
             sim=HANDLER_LATE + "after=%s;" % when + CATALOGUE, trace=fetched_once()),
        Case("collection fails with the handler late, after=%s" % when, ["collection"],
             query_failure(E_ACCESSDENIED, AWKWARD), 1,
             sim=HANDLER_LATE + "after=%s;results=E_ACCESSDENIED;restricted=%s" % (when, AWKWARD_ENCODED),
             trace=fetched_once()),
        Case("license without a result, handler late, after=%s" % when, ["license"], query_failure(None, "no result"),
             1, sim=HANDLER_LATE + "after=%s;results=null" % when, trace=fetched_once()),
    ]
