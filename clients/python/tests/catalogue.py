"""A shop's catalogue described once, and the simulated Store's scenario items that stand for it: the products the
Store offers, and the licences of those the user owns."""

import dataclasses
import json
import sys
from datetime import datetime, timedelta, timezone
from pathlib import Path
from urllib.parse import quote

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from store_bridge import Product  # noqa: E402

EPOCH_1601 = datetime(1601, 1, 1, tzinfo=timezone.utc)
LICENCE_EXPIRES = "2027-03-01T00:00:00Z"
DEFAULT_KINDS = ("Durable", "Consumable", "UnmanagedConsumable")


def encoded(text):
    """Percent-encoded UTF-8, as the scenario's texts take them (no separator left)."""
    return quote(text, safe="")


def ticks(date):
    """The platform's DateTime of an RFC 3339 UTC date: 100-ns ticks since 1601-01-01 UTC."""
    moment = datetime.strptime(date, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=timezone.utc)
    return (moment - EPOCH_1601) // timedelta(microseconds=1) * 10


def sku(store_id):
    return store_id + "/0010"


# In store_id order, as the lines list them; in_collection is set per scenario. Texts carry what the line escapes.
CATALOGUE = (
    Product("9NBLGGH4CO1N", "Consumable", "100 Münzen", "Coins for the shop.", "0,99 €", "0,99 €", "EUR", False,
            None, "", False, "coins-100", ()),
    Product("9NBLGGH4TNMP", "Durable", 'Gold "Edition"', "Every level.\r\nNo ads:\t\\o/", "$1.99", "$2.99", "USD",
            True, "2027-01-01T00:00:00Z", "", False, "gold", ()),
    Product("9NBLGGH4TNMQ", "Durable", "Silver", "", "$0.99", "$0.99", "USD", False, None, "", False, "silver", ()),
)


def _product_item(product, owned):
    items = ["product=" + product.store_id, "kind=" + product.kind, "title=" + encoded(product.title),
             "description=" + encoded(product.description), "price=" + encoded(product.price),
             "base-price=" + encoded(product.base_price), "currency=" + product.currency,
             "on-sale=" + str(product.on_sale).lower()]
    if product.sale_ends:
        items.append("sale-ends=%d" % ticks(product.sale_ends))
    items += ["in-collection=" + str(owned).lower(), "token=" + encoded(product.offer_token)]
    return ",".join(items)


def catalogue_scenario(owned=()):
    """The scenario of the catalogue with the user owning the products named; owned durables hold a licence."""
    products = [_product_item(product, product.store_id in owned) for product in CATALOGUE]
    licenses = ["add-on=%s,token=%s,expires=%d" % (sku(p.store_id), p.offer_token, ticks(LICENCE_EXPIRES))
                for p in CATALOGUE if p.kind == "Durable" and p.store_id in owned]
    return ";".join(reversed(products + licenses))  # given in reverse: the lines sort them


def catalogue_products(owned=(), kinds=DEFAULT_KINDS):
    """The products of the catalogue as the client reads them."""
    return tuple(dataclasses.replace(p, in_collection=p.store_id in owned) for p in CATALOGUE if p.kind in kinds)


def traced(file, call):
    """The trace's calls (one JSON object a line) with this name."""
    lines = Path(file).read_text(encoding="utf-8").splitlines() if Path(file).exists() else []
    return [entry for entry in map(json.loads, lines) if entry["call"] == call]
