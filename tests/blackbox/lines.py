"""The result lines a case expects, built the way the bridge builds them.

Every builder returns a Line: fixed pieces plus texts that are escaped exactly as
the bridge escapes them. A text is bytes, a str (taken as UTF-8), or
system_text(code), which stands for the system's own words for an HRESULT on the
target under test (each system words its errors its own way). A part that the
run makes up itself (a new GUID) is Generated(name, pattern): it must match the
pattern, and the trace check finds what it was under its name.
"""

import re
from dataclasses import dataclass


@dataclass(frozen=True)
class SystemText:
    code: int
    fallback: bytes = b""


@dataclass(frozen=True)
class ProjectVersion:
    pass


@dataclass(frozen=True)
class TokenElevation:
    """The version line's "elevated" when the scenario says nothing: false on the
    portable target; under Wine whatever its token says, read all the same."""

    pattern = {"native": b"false", "windows": b"true|false"}


def system_text(code, fallback=""):
    """The system's text for an HRESULT, as the target's system-text program reports it;
    the fallback where that system has no text for it."""
    return SystemText(code, fallback.encode("utf-8"))


def escape(text: bytes) -> bytes:
    """Quote and backslash get a backslash, CR and LF become one space each,
    every other byte below 0x20 becomes \\u00xx; all other bytes pass unchanged."""
    out = bytearray()
    for byte in text:
        if byte in b'"\\':
            out += b"\\" + bytes([byte])
        elif byte in b"\r\n":
            out += b" "
        elif byte < 0x20:
            out += b"\\u00%02x" % byte
        else:
            out.append(byte)
    return bytes(out)


def json_escape(text: bytes) -> bytes:
    """RFC 8259, as the query lines escape: short escapes for quote, backslash,
    LF, CR, tab, backspace and form feed, \\u00xx for the other bytes below 0x20."""
    short = {0x22: b'\\"', 0x5C: b"\\\\", 0x0A: b"\\n", 0x0D: b"\\r", 0x09: b"\\t", 0x08: b"\\b", 0x0C: b"\\f"}
    out = bytearray()
    for byte in text:
        if byte in short:
            out += short[byte]
        elif byte < 0x20:
            out += b"\\u00%02x" % byte
        else:
            out.append(byte)
    return bytes(out)


@dataclass(frozen=True)
class Escaped:
    text: object  # bytes, str or SystemText


@dataclass(frozen=True)
class JsonString:
    text: object  # bytes, str or SystemText; resolved quoted, escaped as the query lines escape


@dataclass(frozen=True)
class Generated:
    name: str
    pattern: bytes  # a regular expression without groups


class Line:
    """Expected stdout: fixed bytes and escaped texts, resolved per target."""

    def __init__(self, *pieces):
        self.pieces = pieces

    def resolve(self, target) -> bytes:
        """The expected bytes, a generated part shown as <name>."""
        return b"".join(b"<%s>" % piece.name.encode() if isinstance(piece, Generated)
                        else piece.pattern[target.name] if isinstance(piece, TokenElevation)
                        else self._fixed(piece, target) for piece in self.pieces)

    def match(self, out: bytes, target):
        """The generated parts by name when out is this line, else None."""
        pattern = b""
        for piece in self.pieces:
            if isinstance(piece, TokenElevation):
                pattern += b"(?:%s)" % piece.pattern[target.name]
            elif isinstance(piece, Generated):
                pattern += b"(?P<%s>%s)" % (piece.name.encode(), piece.pattern)
            else:
                pattern += re.escape(self._fixed(piece, target))
        found = re.fullmatch(pattern, out, re.DOTALL)
        return {name: value.decode("ascii") for name, value in found.groupdict().items()} if found else None

    @staticmethod
    def _fixed(piece, target) -> bytes:
        if isinstance(piece, bytes):
            return piece
        if isinstance(piece, JsonString):
            return b'"' + json_escape(_text_bytes(piece.text, target)) + b'"'
        return escape(_text_bytes(piece.text, target))

    def __repr__(self):
        return "Line%r" % (self.pieces,)


def _text_bytes(text, target) -> bytes:
    if isinstance(text, ProjectVersion):
        return target.project_version().encode("ascii")
    if isinstance(text, SystemText):
        return target.system_text(text.code) or text.fallback
    if isinstance(text, str):
        return text.encode("utf-8")
    return bytes(text)


def usage():
    return Line(b'{"error":"usage"}')


def general_failure(text):
    return Line(b'{"error":"', Escaped(text), b'"}')


def purchase_status(status: str):
    return Line(b'{"status":"%s","error":null}' % status.encode("ascii"))


def purchase_failure(text):
    return Line(b'{"status":"error","error":"', Escaped(text), b'"}')


def review_status(status: str, updated: bool):
    return Line(b'{"status":"%s","updated":%s,"error":null}'
                % (status.encode("ascii"), b"true" if updated else b"false"))


def review_failure(text):
    return Line(b'{"status":"error","updated":false,"error":"', Escaped(text), b'"}')


def no_operation():
    return Line(b'{"status":"error","updated":false,"error":"no operation"}')


def owner_closed():
    return Line(b'{"status":"error","updated":false,"error":"owner closed"}')


def version(package=None, elevated=None):
    """The version line: the version CMake configured the build with, the package full name or null, and
    whether the token is elevated (None: as the target's token says)."""
    package_pieces = (b"null",) if package is None else (b'"', Escaped(package), b'"')
    elevated_piece = TokenElevation() if elevated is None else (b"true" if elevated else b"false")
    return Line(b'{"status":"ok","version":"', Escaped(ProjectVersion()), b'","package":', *package_pieces,
                b',"elevated":', elevated_piece, b',"error":null}')


def crash():
    return Line(b'{"status":"error","updated":false,"error":"crash"}')


def nothing():
    return Line()


def _member_pieces(members):
    """{"name":value,...} from (name, value) pairs: str and SystemText as JSON strings,
    bool, int and None as JSON, a list as an array of member lists."""
    pieces = [b"{"]
    for index, (name, value) in enumerate(members):
        pieces.append(b'%s"%s":' % (b"," if index else b"", name.encode("ascii")))
        if isinstance(value, (str, bytes, SystemText)):
            pieces.append(JsonString(value))
        elif value is None:
            pieces.append(b"null")
        elif isinstance(value, bool):
            pieces.append(b"true" if value else b"false")
        elif isinstance(value, int):
            pieces.append(b"%d" % value)
        elif value and isinstance(value[0], tuple):  # one object: its (name, value) pairs
            pieces += _member_pieces(value)
        else:
            pieces.append(b"[")
            for item_index, item in enumerate(value):
                if item_index:
                    pieces.append(b",")
                pieces += _member_pieces(item)
            pieces.append(b"]")
    pieces.append(b"}")
    return pieces


def add_on(store_id, sku=None, active=True, expires=None, token=""):
    return [("storeId", store_id), ("sku", store_id if sku is None else sku), ("active", active),
            ("expires", expires), ("offerToken", token)]


def license(active=True, trial=False, trial_owned=False, trial_seconds=0, expires=None, sku="", trial_id="",
            add_ons=()):
    """The licence line; add_ons are add_on(...) lists in the order the line must have."""
    return Line(*_member_pieces([("status", "ok"), ("active", active), ("trial", trial), ("trialOwned", trial_owned),
                                 ("trialSecondsLeft", trial_seconds), ("expires", expires), ("sku", sku),
                                 ("trialId", trial_id), ("addOns", list(add_ons)), ("error", None)]))


def product(store_id, kind="Durable", title="", description="", price="", base_price="", currency="", on_sale=False,
            sale_ends=None, recurrence_price="", in_collection=False, token="", skus=()):
    """A product entry; skus are sku(...) lists in the order the line must have."""
    return [("storeId", store_id), ("kind", kind), ("title", title), ("description", description), ("price", price),
            ("basePrice", base_price), ("currency", currency), ("onSale", on_sale), ("saleEnds", sale_ends),
            ("recurrencePrice", recurrence_price), ("inCollection", in_collection), ("offerToken", token),
            ("skus", list(skus))]


def collection_data(trial=False, acquired=None, start=None, end=None, trial_seconds=0):
    return [("trial", trial), ("acquired", acquired), ("start", start), ("end", end),
            ("trialSecondsLeft", trial_seconds)]


def sku(store_id, title="", description="", trial=False, subscription=False, price="", base_price="", currency="",
        on_sale=False, sale_ends=None, recurrence_price="", in_collection=False, billing=None, trial_period=None,
        collection=None):
    """A SKU entry; billing and trial_period are (period, unit word) or None, collection a collection_data(...)."""
    billing_period, billing_unit = billing if billing else (None, None)
    trial_count, trial_unit = trial_period if trial_period else (None, None)
    return [("storeId", store_id), ("title", title), ("description", description), ("trial", trial),
            ("subscription", subscription), ("price", price), ("basePrice", base_price), ("currency", currency),
            ("onSale", on_sale), ("saleEnds", sale_ends), ("recurrencePrice", recurrence_price),
            ("inCollection", in_collection), ("billingPeriod", billing_period), ("billingPeriodUnit", billing_unit),
            ("trialPeriod", trial_count), ("trialPeriodUnit", trial_unit), ("collection", collection)]


def app_product(entry=None):
    """The line of "app": one product(...) entry, or None for "product":null."""
    return Line(*_member_pieces([("status", "ok"), ("product", entry), ("error", None)]))


def customer_id(text):
    return Line(*_member_pieces([("status", "ok"), ("id", text), ("error", None)]))


def product_list(products=()):
    """The line of products and collection; products are product(...) lists in the order the line must have."""
    return Line(*_member_pieces([("status", "ok"), ("products", list(products)), ("error", None)]))


def package_update(family, version="1.0.0.0", mandatory=False):
    return [("packageFamilyName", family), ("version", version), ("mandatory", mandatory)]


def updates_found(updates=(), can_silently_download=True):
    """The line of "updates"; updates are package_update(...) lists in the order the line must have."""
    return Line(*_member_pieces([("status", "ok"), ("updates", list(updates)),
                                 ("canSilentlyDownload", can_silently_download), ("error", None)]))


def package_state(family, state="completed"):
    return [("packageFamilyName", family), ("state", state)]


def update_result(status="completed", packages=(), progress=()):
    """The line of "update"; packages are package_state(...) lists in the line's order, after
    the progress lines (progress_line(...) bytes) that come before it."""
    return Line(*progress, *_member_pieces([("status", status), ("packages", list(packages)), ("error", None)]))


def progress_line(family, state="downloading", package="0.5", total="0.5", downloaded=0, size=0) -> Line:
    """The bytes of one progress line and its line break; the fractions as the line writes them."""
    return b"".join(
        piece if isinstance(piece, bytes) else b'"' + json_escape(piece.text.encode("utf-8")) + b'"'
        for piece in [b'{"progress":{"packageFamilyName":', JsonString(family),
                      b',"state":"%s","packageProgress":%s,"totalProgress":%s,"bytesDownloaded":%d,"downloadSize":%d}}\n'
                      % (state.encode(), package.encode(), total.encode(), downloaded, size)])


def _code(code) -> bytes:
    return b"null" if code is None else b'"0x%08X"' % code


def _tracking(tracking_id) -> list:
    """The trackingId member: a given GUID's canonical text, or a Generated part."""
    if isinstance(tracking_id, Generated):
        return [b',"trackingId":"', tracking_id, b'"']
    return [b',"trackingId":"%s"' % tracking_id.encode("ascii")]


def query_failure(code, text, tracking_id=None):
    """A query's failure line; code None for "code":null. "consume" adds the tracking ID it sent."""
    tracking = _tracking(tracking_id) if tracking_id is not None else []
    return Line(b'{"status":"error","code":', _code(code), *tracking, b',"error":', JsonString(text), b"}")


# A GUID as CoCreateGuid makes it: version 4, RFC 4122 variant, in canonical text.
NEW_GUID = rb"[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}"


def consume_status(status: str, balance: int, tracking_id, code=None):
    return Line(b'{"status":"%s","balance":%d' % (status.encode("ascii"), balance), *_tracking(tracking_id),
                b',"code":%s,"error":null}' % _code(code))


def balance_status(status: str, balance: int, code=None):
    return Line(b'{"status":"%s","balance":%d,"code":%s,"error":null}' % (status.encode("ascii"), balance, _code(code)))
