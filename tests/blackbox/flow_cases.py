"""The "buy" and "review" flows against the simulated Store, one table for both targets."""

from case import NATIVE, OWNER, WINDOWS, Case, Owner
from lines import (general_failure, no_operation, nothing, owner_closed, purchase_failure, purchase_status, review_failure,
                   review_status, system_text)

E_FAIL = 0x80004005
E_ACCESSDENIED = 0x80070005
E_NOINTERFACE = 0x80004002
REGDB_E_CLASSNOTREG = 0x80040154
RPC_E_CHANGED_MODE = 0x80010106
E_ILLEGAL_METHOD_CALL = 0x8000000E
E_HANDLE = 0x80070006
NO_SYSTEM_TEXT = 0x8004DEAD

WS_POPUP = 0x80000000
WS_VISIBLE = 0x10000000
WS_CLIPSIBLINGS = 0x04000000  # the system adds it to every top-level window
WS_EX_TOOLWINDOW = 0x00000080

# Failure text that needs every escape: quotes, backslashes, CR LF, a tab, non-ASCII letters.
AWKWARD = 'Die "Store" sagt: C:\\Pfad\r\nnicht erreichbar\tüber Café'
AWKWARD_ENCODED = "Die%20%22Store%22%20sagt:%20C:%5CPfad%0D%0Anicht%20erreichbar%09%C3%BCber%20Caf%C3%A9"


def calls(trace):
    return [(record["call"], record["object"]) for record in trace]


def the(trace, call, obj="context"):
    found = [record for record in trace if (record["call"], record["object"]) == (call, obj)]
    assert len(found) == 1, "expected one %s on the %s, saw %s" % (call, obj, calls(trace))
    return found[0]


def anchor_at(rect, owner=0, style=WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS):
    """The anchor as the system reports it when the Store is bound to it."""

    def check(trace, handles=None):
        window = the(trace, "Initialize")
        expected_owner = (handles or {}).get("owner", window["owner"] or -1) if owner == OWNER else owner
        got = {key: window[key] for key in ("class", "style", "exStyle", "rect", "visible", "owner")}
        want = {"class": "Static", "style": style, "exStyle": WS_EX_TOOLWINDOW, "rect": list(rect),
                "visible": True, "owner": expected_owner}
        assert got == want, "anchor %s, expected %s" % (got, want)

    return check


def purchase_of(store_id, handler_thread="worker", status_query=True):
    """The purchase calls in order, the exact Store ID, and the anchor at the origin."""

    def check(trace, handles=None):
        anchor_at((0, 0, 1, 1))(trace, handles)
        assert the(trace, "RequestPurchaseAsync")["storeId"] == store_id
        order = [c for c in calls(trace) if c[0] in ("GetDefault", "Initialize", "RequestPurchaseAsync",
                                                      "put_Completed", "GetResults")]
        assert order == [("GetDefault", "factory"), ("Initialize", "context"), ("RequestPurchaseAsync", "context"),
                         ("put_Completed", "operation"), ("GetResults", "operation")], order
        assert the(trace, "GetResults", "operation")["thread"] == handler_thread
        queried = ("get_Status", "operation") in calls(trace)
        assert queried == status_query, "status query %s, expected %s" % (queried, status_query)

    return check


def fetched_once(thread=None):
    """One GetResults in the run, on the given thread when one is named: the outcome is handed out once."""

    def check(trace, handles=None):
        fetched = the(trace, "GetResults", "operation")
        assert thread is None or fetched["thread"] == thread, "GetResults on the %s thread" % fetched["thread"]

    return check


def result_released_last(trace, handles=None):
    assert calls(trace)[-1] == ("Release", "result"), calls(trace)


PURCHASE_STATUSES = [("Succeeded", "purchased"), ("AlreadyPurchased", "alreadyPurchased"),
                     ("NotPurchased", "cancelled"), ("NetworkError", "error"), ("ServerError", "error"),
                     ("0", "purchased"), ("2", "cancelled"), ("5", "error"), ("7", "error"), ("-1", "error"),
                     ("2147483647", "error")]
REVIEW_STATUSES = [("Succeeded", "succeeded"), ("CanceledByUser", "cancelled"), ("NetworkError", "network"),
                   ("Error", "error"), ("1", "cancelled"), ("4", "error"), ("-2147483648", "error")]

CASES = [
    Case("buy with the default scenario", ["buy", "9NBLGGH4R315"], purchase_status("purchased"), 0,
         trace=purchase_of("9NBLGGH4R315"), min_ms=90),
    Case("buy hands the Store ID over unchanged", ["buy", " 9nblggh4r315 é€😀 "], purchase_status("purchased"), 0,
         trace=purchase_of(" 9nblggh4r315 é€😀 ")),
    Case("buy with an empty Store ID", ["buy", ""], purchase_status("purchased"), 0, trace=purchase_of("")),
    Case("buy ignores arguments after the Store ID", ["buy", "A", "B"], purchase_status("purchased"), 0,
         trace=purchase_of("A")),
]

for value, word in PURCHASE_STATUSES:
    CASES.append(Case("purchase status %s" % value, ["buy", "X"], purchase_status(word), 0, sim="purchase=" + value,
                      trace=result_released_last))
    CASES.append(Case("purchase status %s completed before the handler was assigned" % value, ["buy", "X"],
                      purchase_status(word), 0, sim="after=now;purchase=" + value,
                      trace=purchase_of("X", handler_thread="main", status_query=False)))

# The operation reports its end 200 ms before its handler runs. The flow fetches
# the outcome itself (after=now: it has ended before the status query) or the
# handler or the flow does, whichever is first (after=0); the answer is the same.
HANDLER_LATE = "handler-delay=200;"
for value, word in PURCHASE_STATUSES[:5]:
    CASES.append(Case("purchase status %s, handler late, flow fetches" % value, ["buy", "X"], purchase_status(word), 0,
                      sim=HANDLER_LATE + "after=now;purchase=" + value, trace=fetched_once(thread="main")))
    CASES.append(Case("purchase status %s, handler late, racing the flow" % value, ["buy", "X"], purchase_status(word),
                      0, sim=HANDLER_LATE + "after=0;purchase=" + value, trace=fetched_once()))
for when in ("now", "0"):
    CASES += [
        Case("purchase fails with the system text, handler late, after=%s" % when, ["buy", "X"],
             purchase_failure(system_text(E_ACCESSDENIED)), 1,
             sim=HANDLER_LATE + "after=%s;results=E_ACCESSDENIED" % when, trace=fetched_once()),
        Case("purchase fails with error information, handler late, after=%s" % when, ["buy", "X"],
             purchase_failure(AWKWARD), 1,
             sim=HANDLER_LATE + "after=%s;results=E_FAIL;restricted=%s" % (when, AWKWARD_ENCODED),
             trace=fetched_once()),
        Case("purchase without a result object, handler late, after=%s" % when, ["buy", "X"],
             purchase_failure("no result"), 1, sim=HANDLER_LATE + "after=%s;results=null" % when,
             trace=fetched_once()),
        Case("purchase out of memory, handler late, after=%s" % when, ["buy", "X"], purchase_failure("async failure"),
             1, sim=HANDLER_LATE + "after=%s;results=E_OUTOFMEMORY" % when, trace=fetched_once()),
        Case("review with the handler late, after=%s" % when, ["review"], review_status("cancelled", True), 0,
             sim=HANDLER_LATE + "after=%s;review=CanceledByUser;updated=true" % when, trace=fetched_once()),
    ]

for value, word in REVIEW_STATUSES:
    for updated in ("true", "false"):
        CASES.append(Case("review status %s, updated %s" % (value, updated), ["review"],
                          review_status(word, updated == "true"), 0,
                          sim="review=%s;updated=%s" % (value, updated), trace=result_released_last))
CASES.append(Case("review completed before the handler was assigned", ["review"], review_status("network", True), 0,
                  sim="after=now;review=NetworkError;updated=true"))

CASES += [
    # Failures inside the completion handler become failure text.
    Case("purchase fails with restricted text that needs escaping", ["buy", "X"], purchase_failure(AWKWARD), 1,
         sim="results=E_FAIL;restricted=" + AWKWARD_ENCODED),
    Case("review fails with restricted text that needs escaping", ["review"], review_failure(AWKWARD), 1,
         sim="results=E_FAIL;restricted=" + AWKWARD_ENCODED),
    Case("purchase fails in the handler that ran inside the assignment", ["buy", "X"], purchase_failure("kaputt"), 1,
         sim="after=now;results=0x80070490;restricted=kaputt"),
    Case("purchase fails with the system text of the code", ["buy", "X"],
         purchase_failure(system_text(E_ACCESSDENIED)), 1, sim="results=E_ACCESSDENIED"),
    Case("review fails with the system text of the code", ["review"],
         review_failure(system_text(E_ACCESSDENIED)), 1, sim="results=E_ACCESSDENIED"),
    Case("purchase failure reported for another code gives the system text", ["buy", "X"],
         purchase_failure(system_text(E_ACCESSDENIED)), 1,
         sim="results=E_ACCESSDENIED;restricted=other;reported=E_FAIL"),
    Case("purchase failure whose details do not answer S_OK gives the system text", ["buy", "X"],
         purchase_failure(system_text(E_ACCESSDENIED)), 1, sim="results=E_ACCESSDENIED;restricted=other;details=S_FALSE"),
    Case("purchase fails out of memory", ["buy", "X"], purchase_failure("async failure"), 1,
         sim="results=E_OUTOFMEMORY"),
    Case("review fails out of memory", ["review"], review_failure("async failure"), 1, sim="results=E_OUTOFMEMORY"),
    # Exit code 0 promises a Store result: without one the purchase reports a failure.
    Case("purchase without a result object", ["buy", "X"], purchase_failure("no result"), 1, sim="results=null"),
    Case("review without a result object", ["review"], review_failure("no result"), 1, sim="results=null"),
    Case("purchase failure with an empty message", ["buy", "X"], purchase_failure("no result"), 1,
         sim="results=E_FAIL;restricted="),
    Case("review failure with an empty message", ["review"], review_failure("no result"), 1,
         sim="results=E_FAIL;restricted="),
    Case("purchase failure with no words anywhere", ["buy", "X"], purchase_failure("no result"), 1,
         sim="results=0x%08X" % NO_SYSTEM_TEXT),
    # The request starts nothing.
    Case("purchase request without an operation", ["buy", "X"], purchase_failure("no operation"), 1,
         sim="request=none"),
    Case("review request without an operation", ["review"], no_operation(), 1, sim="request=none"),
    # Failures of the flows' own calls reach the general failure line.
    Case("Store context not registered", ["buy", "X"], general_failure(system_text(REGDB_E_CLASSNOTREG)), 1,
         sim="context=REGDB_E_CLASSNOTREG"),
    Case("Store context fails with restricted text", ["review"], general_failure(AWKWARD), 1,
         sim="context=E_ACCESSDENIED;restricted=" + AWKWARD_ENCODED),
    Case("Store context cannot take a window", ["buy", "X"], general_failure(system_text(E_NOINTERFACE)), 1,
         sim="bind=missing"),
    Case("review context cannot take a window", ["review"], general_failure(system_text(E_NOINTERFACE)), 1,
         sim="bind=missing"),
    Case("purchase request fails", ["buy", "X"], general_failure("Kauf gesperrt"), 1,
         sim="request=E_ACCESSDENIED;restricted=Kauf%20gesperrt"),
    Case("review request fails", ["review"], general_failure(system_text(E_FAIL)), 1, sim="request=E_FAIL"),
    Case("purchase request out of memory", ["buy", "X"], general_failure("bad allocation"), 1,
         sim="request=E_OUTOFMEMORY"),
    Case("purchase status cannot be read", ["buy", "X"], general_failure("status unreadable"), 1,
         sim="status=E_FAIL;restricted=status%20unreadable"),
    Case("review status cannot be read", ["review"], general_failure(system_text(E_ACCESSDENIED)), 1,
         sim="status=E_ACCESSDENIED"),
    Case("review updated cannot be read", ["review"], review_status("succeeded", False), 0, sim="updated=E_FAIL"),
    Case("bad scenario names the item", ["buy", "X"],
         general_failure('bad scenario item "purchase=Maybe": expected Succeeded, AlreadyPurchased, NotPurchased, '
                         'NetworkError, ServerError or an integer'), 1, sim="after=5; purchase=Maybe"),
    # A status that reports an end while the operation has not ended: the flow
    # fetches the outcome itself, and the Store's refusal is what it reports.
    Case("purchase status query reports an end before the operation's", ["buy", "X"],
         purchase_failure(system_text(E_ILLEGAL_METHOD_CALL, "no result")), 1, sim="after=never;async-status=1", max_ms=3000,
         trace=fetched_once(thread="main")),
    Case("purchase status query reports an unknown status", ["buy", "X"],
         purchase_failure(system_text(E_ILLEGAL_METHOD_CALL, "no result")), 1, sim="after=never;async-status=77", max_ms=3000,
         trace=fetched_once(thread="main")),
    # Messages during the waits.
    Case("quit message ends the purchase wait", ["buy", "X"], purchase_failure("no result"), 1,
         sim="after=never;post=quit@100", max_ms=3000),
    Case("unrelated messages during the purchase", ["buy", "X"], purchase_status("cancelled"), 0,
         sim="after=300;post=message@50;post=message@100;purchase=NotPurchased", min_ms=290),
    Case("quit message does not end the review wait", ["review"], review_status("cancelled", False), 0,
         sim="after=300;post=quit@50;review=CanceledByUser", min_ms=290),
    Case("unrelated messages during the review", ["review"], review_status("succeeded", True), 0,
         sim="after=300;post=message@20;post=message@40;updated=true", min_ms=290),
    # The host's window.
    Case("review without a handle anchors at the origin", ["review"], review_status("succeeded", False), 0,
         trace=anchor_at((0, 0, 1, 1))),
    Case("review with an empty handle", ["review", ""], review_status("succeeded", False), 0,
         trace=anchor_at((0, 0, 1, 1))),
    Case("review with a handle of letters", ["review", "abc"], review_status("succeeded", False), 0,
         trace=anchor_at((0, 0, 1, 1))),
    Case("review with handle 0", ["review", "0"], review_status("succeeded", False), 0,
         trace=anchor_at((0, 0, 1, 1))),
    Case("review with the handle of no window", ["review", "987654"], review_status("succeeded", False), 0,
         trace=anchor_at((0, 0, 1, 1))),
    Case("review centres the anchor on the host's window", ["review", OWNER], review_status("succeeded", False), 0,
         owner=Owner(rect=(200, 150, 1001, 751)), trace=anchor_at((600, 450, 601, 451), owner=OWNER)),
    Case("review ends when the host's window closes", ["review", OWNER], owner_closed(), 1,
         sim="after=never", owner=Owner(close_after_ms=1500), min_ms=1500, max_ms=1500 + 500 + 400),
    Case("review ends within half a second of the close", ["review", OWNER], owner_closed(), 1,
         sim="after=5000", owner=Owner(close_after_ms=2200), min_ms=2200, max_ms=2200 + 500 + 400),
    Case("review ends when the host's process ends", ["review", OWNER], owner_closed(), 1,
         sim="after=never", owner=Owner(exit_after_ms=1500), min_ms=1500, max_ms=1500 + 500 + 400),
    # buy takes the host's window as review does, and watches it the same way.
    Case("buy centres the anchor on the host's window", ["buy", "X", OWNER], purchase_status("purchased"), 0,
         owner=Owner(rect=(200, 150, 1001, 751)), trace=anchor_at((600, 450, 601, 451), owner=OWNER)),
    Case("buy ends when the host's window closes", ["buy", "X", OWNER], purchase_failure("owner closed"), 1,
         sim="after=never", owner=Owner(close_after_ms=1500), min_ms=1500, max_ms=1500 + 500 + 400),
    Case("buy ends when the host's process ends", ["buy", "X", OWNER], purchase_failure("owner closed"), 1,
         sim="after=5000", owner=Owner(exit_after_ms=1200), min_ms=1200, max_ms=1200 + 500 + 400),
    Case("buy completes when the host's window stays", ["buy", "X", OWNER], purchase_status("cancelled"), 0,
         sim="after=1200;purchase=NotPurchased", owner=Owner(), min_ms=1190),
    Case("buy with the handle of no window keeps the purchase anchor", ["buy", "X", "987654"],
         purchase_status("purchased"), 0, trace=purchase_of("X")),
    Case("buy with handle 0 keeps the purchase anchor", ["buy", "X", "0", "extra"], purchase_status("purchased"), 0,
         trace=purchase_of("X")),
    Case("buy over a window whose rectangle cannot be read", ["buy", "X", "4243"], purchase_failure("owner closed"),
         1, sim="after=never;window=4243:norect:close=300", targets={NATIVE},
         trace=anchor_at((0, 0, 1, 1), owner=4243), max_ms=300 + 500 + 400),
    Case("review completes when the host's window stays", ["review", OWNER], review_status("network", False), 0,
         sim="after=1200;review=NetworkError", owner=Owner(), min_ms=1190),
    Case("review over a window whose rectangle cannot be read", ["review", "4243"], owner_closed(), 1,
         sim="after=never;window=4243:norect:close=300", targets={NATIVE}, trace=anchor_at((0, 0, 1, 1), owner=4243),
         max_ms=300 + 500 + 400),
    Case("review over a window at negative coordinates", ["review", "4244"], review_status("succeeded", False), 0,
         sim="window=4244:-1001,-5,-200,0", targets={NATIVE}, trace=anchor_at((-600, -2, -599, -1), owner=4244)),
    # Platform faults that only the portable target can inject.
    Case("apartment cannot be initialised", ["buy", "X"], general_failure(system_text(RPC_E_CHANGED_MODE)), 1,
         sim="apartment=RPC_E_CHANGED_MODE", targets={NATIVE}),
    Case("purchase anchor not created still wakes the wait", ["buy", "X"], purchase_status("purchased"), 0,
         sim="anchor=fail", targets={NATIVE}),
    Case("review anchor not created", ["review"], review_status("succeeded", False), 0,
         sim="anchor=fail", targets={NATIVE}),
    Case("review event not created", ["review"], general_failure(system_text(0x80070008)), 1,
         sim="event=fail", targets={NATIVE}),
    # A wait that fails would fail again at once: the run ends instead of spinning.
    Case("review wait fails", ["review"], general_failure(system_text(E_HANDLE)), 1, sim="wait=fail",
         targets={NATIVE}, max_ms=3000),
    # A host that stops reading does not change the exit code.
    Case("purchase with standard output closed", ["buy", "X"], nothing(), 0, stdout_closed=True),
    Case("review failure with standard output closed", ["review"], nothing(), 1, sim="results=E_FAIL",
         stdout_closed=True),
]
