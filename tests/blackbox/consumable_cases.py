"""The "consume" and "balance" commands against the simulated Store, one table for both targets."""

from case import NATIVE, Case, no_store_calls
from lines import (NEW_GUID, Generated, balance_status, consume_status, crash, general_failure, nothing, query_failure,
                   system_text, usage)

E_FAIL = 0x80004005
E_ACCESSDENIED = 0x80070005
E_ILLEGAL_METHOD_CALL = 0x8000000E
REGDB_E_CLASSNOTREG = 0x80040154
INSUFFICIENT_QUANTITY = 0x803F6109  # what the Store says when the balance is too small

GUID = "6f9619ff-8b86-d011-b42d-00c04fc964ff"
GUID_FORMS = [GUID, GUID.upper(), "{%s}" % GUID, "{%s}" % GUID.upper(), "6F9619ff-8B86-d011-B42D-00c04FC964ff"]

# Text that needs every escape of the line: quotes, backslash, CR LF, tab, a control byte, non-ASCII letters.
AWKWARD = 'Der "Store" sagt: C:\\Pfad\r\nnicht erreichbar\tüber Café\x01'
AWKWARD_ENCODED = ("Der%20%22Store%22%20sagt:%20C:%5CPfad%0D%0Anicht%20erreichbar%09%C3%BCber%20Caf%C3%A9%01")

STATUSES = [("Succeeded", "succeeded"), ("InsufficientQuantity", "insufficientQuantity"), ("NetworkError", "network"),
            ("ServerError", "server"), ("0", "succeeded"), ("1", "insufficientQuantity"), ("2", "network"),
            ("3", "server"), ("4", "error"), ("-1", "error"), ("2147483647", "error")]

BAD_QUANTITIES = ["", "0", "000", "-1", "+1", " 1", "1 ", "4294967296", "18446744073709551617",
                  "99999999999999999999999", "1.5", "1e3", "0x10", "1,000", "１", "٣"]

BAD_TRACKING_IDS = ["", "{}", "6f9619ff8b86d011b42d00c04fc964ff", GUID[:-1], GUID + "0", "{" + GUID, GUID + "}",
                    "(" + GUID + ")", "{{" + GUID + "}}", " " + GUID, GUID + " ", GUID[:-1] + "g",
                    GUID.replace("-", "+", 1), "6f9619f-f8b86-d011-b42d-00c04fc964ff", GUID[:-1] + "ｆ",
                    "00000000-0000-0000-0000-00000000000"]


def the(trace, call):
    found = [record for record in trace if record["call"] == call and record["object"] == "context"]
    assert len(found) == 1, "expected one %s, saw %s" % (call, [record["call"] for record in trace])
    return found[0]


def reported(store_id, quantity, tracking_id=None):
    """One fulfilment report with exactly these arguments; without a tracking ID, the one the line reports."""

    def check(trace, handles):
        record = the(trace, "ReportConsumableFulfillmentAsync")
        expected = tracking_id or handles["trackingId"]
        got = (record["storeId"], record["quantity"], record["trackingId"])
        assert got == (store_id, quantity, expected), "reported %s, expected %s" % (got, (store_id, quantity, expected))

    return check


def balance_asked(store_id):
    def check(trace, handles):
        assert the(trace, "GetConsumableBalanceRemainingAsync")["storeId"] == store_id

    return check


def fresh_guids():
    """A check for several runs: each run's generated GUID is the one sent, and new."""
    seen = set()

    def check(trace, handles):
        reported("X", 1)(trace, handles)
        assert handles["trackingId"] not in seen, "GUID %s made twice" % handles["trackingId"]
        seen.add(handles["trackingId"])

    return check


NEW = Generated("trackingId", NEW_GUID)

CASES = [
    # Usage: missing or malformed arguments never reach the Store.
    Case("consume without arguments", ["consume"], usage(), 2, trace=no_store_calls),
    Case("consume without quantity", ["consume", "X"], usage(), 2, trace=no_store_calls),
    Case("balance without Store ID", ["balance"], usage(), 2, trace=no_store_calls),
    Case("consume in capitals", ["CONSUME", "X", "1"], usage(), 2, trace=no_store_calls),
    Case("balance in mixed case", ["Balance", "X"], usage(), 2, trace=no_store_calls),
]
CASES += [Case("consume with quantity %r" % quantity, ["consume", "X", quantity, GUID], usage(), 2,
               trace=no_store_calls) for quantity in BAD_QUANTITIES]
CASES += [Case("consume with tracking ID %r" % tracking_id, ["consume", "X", "1", tracking_id], usage(), 2,
               trace=no_store_calls) for tracking_id in BAD_TRACKING_IDS]
CASES += [
    Case("consume with an invalid UTF-8 quantity", ["consume", "X", b"1\xff"], usage(), 2, trace=no_store_calls,
         targets={NATIVE}),
    # The default scenario, and the arguments as the Store receives them.
    Case("consume with the default scenario", ["consume", "9NBLGGH4TNMP", "1", GUID], consume_status("succeeded", 0, GUID),
         0, trace=reported("9NBLGGH4TNMP", 1, GUID), min_ms=90),
    Case("balance with the default scenario", ["balance", "9NBLGGH4TNMP"], balance_status("succeeded", 0), 0,
         trace=balance_asked("9NBLGGH4TNMP"), min_ms=90),
    Case("consume hands the Store ID over unchanged", ["consume", " 9nblggh4tnmp é€😀 ", "3", GUID],
         consume_status("succeeded", 0, GUID), 0, trace=reported(" 9nblggh4tnmp é€😀 ", 3, GUID)),
    Case("balance hands the Store ID over unchanged", ["balance", " x/0010 ü "], balance_status("succeeded", 0), 0,
         trace=balance_asked(" x/0010 ü ")),
    Case("consume with an empty Store ID", ["consume", "", "1", GUID], consume_status("succeeded", 0, GUID), 0,
         trace=reported("", 1, GUID)),
    Case("consume the largest quantity", ["consume", "X", "4294967295", GUID], consume_status("succeeded", 0, GUID), 0,
         trace=reported("X", 4294967295, GUID)),
    Case("consume a quantity with leading zeros", ["consume", "X", "0007", GUID], consume_status("succeeded", 0, GUID),
         0, trace=reported("X", 7, GUID)),
    Case("consume ignores arguments after the tracking ID", ["consume", "X", "2", GUID, "extra", ""],
         consume_status("succeeded", 0, GUID), 0, trace=reported("X", 2, GUID)),
    Case("balance ignores arguments after the Store ID", ["balance", "X", "1", GUID], balance_status("succeeded", 0), 0,
         trace=balance_asked("X")),
    Case("consume completed before the handler was assigned", ["consume", "X", "1", GUID],
         consume_status("network", 5, GUID), 0, sim="after=now;consumable=NetworkError;balance=5"),
]
CASES += [Case("consume sends tracking ID %s in canonical form" % form, ["consume", "X", "1", form],
               consume_status("succeeded", 0, GUID), 0, trace=reported("X", 1, GUID)) for form in GUID_FORMS[1:]]
CASES += [Case("consume sends the GUID %s unchanged" % guid, ["consume", "X", "1", guid],
               consume_status("succeeded", 0, guid), 0, trace=reported("X", 1, guid))
          for guid in ["00000000-0000-0000-0000-000000000000", "ffffffff-ffff-ffff-ffff-ffffffffffff",
                       "01234567-89ab-cdef-0123-456789abcdef"]]

# Without a tracking ID the bridge makes a new random one, each run another.
generated = fresh_guids()
CASES += [Case("consume without tracking ID generates a new GUID, run %d" % run, ["consume", "X", "1"],
               consume_status("succeeded", 0, NEW), 0, trace=generated) for run in (1, 2, 3)]

for value, word in STATUSES:
    CASES.append(Case("consume status %s" % value, ["consume", "X", "1", GUID], consume_status(word, 0, GUID), 0,
                      sim="consumable=" + value))
    CASES.append(Case("balance status %s" % value, ["balance", "X"], balance_status(word, 0), 0,
                      sim="consumable=" + value))

CASES += [
    Case("balance remaining", ["balance", "X"], balance_status("succeeded", 4), 0, sim="balance=4"),
    Case("largest balance", ["consume", "X", "1", GUID], consume_status("succeeded", 4294967295, GUID), 0,
         sim="balance=4294967295"),
    # ExtendedError: a failure code goes to "code", the status word stands.
    Case("consume with insufficient quantity and its code", ["consume", "X", "9", GUID],
         consume_status("insufficientQuantity", 2, GUID, INSUFFICIENT_QUANTITY), 0,
         sim="consumable=InsufficientQuantity;balance=2;extended-error=0x803F6109"),
    Case("network answer keeps its tracking ID and code", ["consume", "X", "1", GUID],
         consume_status("network", 0, GUID, E_ACCESSDENIED), 0, sim="consumable=NetworkError;extended-error=E_ACCESSDENIED"),
    Case("balance with a failing extended error", ["balance", "X"], balance_status("server", 1, E_FAIL), 0,
         sim="consumable=ServerError;balance=1;extended-error=E_FAIL"),
    Case("an extended error that is no failure is no code", ["consume", "X", "1", GUID],
         consume_status("succeeded", 0, GUID), 0, sim="extended-error=S_FALSE"),
]

# Every platform failure of the command: the query failure line, with the tracking ID for "consume".
FAILURES = [
    ("Store context not registered", "context=REGDB_E_CLASSNOTREG", REGDB_E_CLASSNOTREG,
     system_text(REGDB_E_CLASSNOTREG)),
    ("request fails", "request=E_ACCESSDENIED;restricted=" + AWKWARD_ENCODED, E_ACCESSDENIED, AWKWARD),
    ("GetResults fails", "results=E_ACCESSDENIED", E_ACCESSDENIED, system_text(E_ACCESSDENIED)),
    ("GetResults fails in the handler that ran inside the assignment", "after=now;results=0x80070490;restricted=weg",
     0x80070490, "weg"),
    ("status cannot be read", "fail=ConsumableResult.Status:E_FAIL;restricted=status", E_FAIL, "status"),
    ("balance cannot be read", "fail=ConsumableResult.BalanceRemaining:E_ACCESSDENIED", E_ACCESSDENIED,
     system_text(E_ACCESSDENIED)),
    ("extended error cannot be read", "fail=ConsumableResult.ExtendedError:0x8004DEAD", 0x8004DEAD, ""),
    ("request gives no operation", "request=none", None, "no operation"),
    ("GetResults gives no result", "results=null", None, "no result"),
    ("quit message ends the wait", "after=never;post=quit@100", None, "no result"),
]
for name, sim, code, text in FAILURES:
    CASES.append(Case("consume: " + name, ["consume", "X", "1", GUID], query_failure(code, text, GUID), 1, sim=sim))
    CASES.append(Case("balance: " + name, ["balance", "X"], query_failure(code, text), 1, sim=sim))

def results_fetched_once(trace, handles):
    fetched = [record for record in trace if record["call"] == "GetResults"]
    assert len(fetched) == 1, "GetResults called %d times" % len(fetched)


CASES += [
    # The operation reports its end before its handler runs: the answer is still the Store's.
    Case("consume answer kept when the handler runs late", ["consume", "X", "1", GUID],
         consume_status("network", 3, GUID), 0, sim="after=0;handler-delay=200;consumable=NetworkError;balance=3",
         trace=results_fetched_once),
    Case("consume: status query reports an end before the operation's", ["consume", "X", "1", GUID],
         query_failure(E_ILLEGAL_METHOD_CALL, system_text(E_ILLEGAL_METHOD_CALL), GUID), 1,
         sim="after=never;async-status=1", max_ms=3000),
    # A shortage of memory is the general failure, as for every command.
    Case("consume results out of memory", ["consume", "X", "1", GUID], general_failure("bad allocation"), 1,
         sim="results=E_OUTOFMEMORY"),
    Case("balance read out of memory", ["balance", "X"], general_failure("bad allocation"), 1,
         sim="fail=ConsumableResult.BalanceRemaining:E_OUTOFMEMORY"),
    Case("consume failure carries a generated tracking ID", ["consume", "X", "1"], query_failure(None, "no result", NEW),
         1, sim="results=null", trace=reported("X", 1)),
    # Without a new GUID nothing was sent: there is no tracking ID to retry with.
    Case("consume without a GUID to send", ["consume", "X", "1"], query_failure(E_ACCESSDENIED, system_text(E_ACCESSDENIED)),
         1, sim="guid=E_ACCESSDENIED", trace=no_store_calls, targets={NATIVE}),
    Case("consume with a GUID given needs no new one", ["consume", "X", "1", GUID], consume_status("succeeded", 0, GUID),
         0, sim="guid=E_ACCESSDENIED", targets={NATIVE}),
    Case("consume fault inside the Store", ["consume", "X", "1", GUID], crash(), 1, sim="crash=main"),
    Case("balance fault on the Store's worker thread", ["balance", "X"], crash(), 1, sim="crash=worker;after=20"),
    Case("consume with standard output closed", ["consume", "X", "1", GUID], nothing(), 0, stdout_closed=True),
    Case("balance failure with standard output closed", ["balance", "X"], nothing(), 1, sim="results=E_FAIL",
         stdout_closed=True),
]
