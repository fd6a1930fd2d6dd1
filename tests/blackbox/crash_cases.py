"""Crash containment: whatever nothing else handles still gives the host the crash line and exit code 1."""

from case import NATIVE, OWNER, WINDOWS, Case, Owner
from lines import crash, license, nothing, owner_closed, purchase_failure, purchase_status, review_status

SIGABRT_EXIT = -6  # killed by SIGABRT, as Python reports it
WINDOWS_ABORT_EXIT = 3


def crash_case(name, args, sim, **options):
    return Case(name, args, crash(), 1, sim=sim, **options)


CASES = [
    crash_case("fault on the Store's worker thread during the purchase wait", ["buy", "X"], "crash=worker;after=50"),
    crash_case("fault on the Store's worker thread during the review wait", ["review"], "crash=worker;after=50"),
    crash_case("fault inside a Store call on the main thread", ["buy", "X"], "crash=main"),
    crash_case("language exception from the Store that nothing catches", ["review"], "crash=throw"),
    # The status line is already in the buffer; the host must read the crash line alone.
    crash_case("fault while the purchase result is released", ["buy", "X"], "crash=release"),
    crash_case("fault while the review result is released", ["review"], "crash=release;updated=true"),
    crash_case("two threads fault at the same moment: one crash line", ["buy", "X"], "crash=twice;after=20"),
    Case("crash with standard output closed", ["buy", "X"], nothing(), 1, sim="crash=worker;after=20",
         stdout_closed=True),
    Case("abort from the Store leaves no line", ["buy", "X"], nothing(), SIGABRT_EXIT, sim="crash=abort",
         targets={NATIVE}),
    Case("abort from the Store leaves no line under Windows", ["buy", "X"], nothing(), WINDOWS_ABORT_EXIT,
         sim="crash=abort", targets={WINDOWS}),
    # Once the line is out the run ends at once: exit work of the Store's that
    # would hang or fault (as it may while a Store thread still runs, or after
    # the end killed one holding a lock) never runs, so line, exit code and an
    # empty standard error stay the run's.
    Case("the Store's exit work would hang after a purchase", ["buy", "X"], purchase_status("purchased"), 0,
         sim="after=0;at-exit=hang", time_limit=5),
    Case("the Store's exit work would fault after a purchase", ["buy", "X"], purchase_status("purchased"), 0,
         sim="after=0;at-exit=fault"),
    Case("the Store's exit work would hang after a review", ["review"], review_status("succeeded", False), 0,
         sim="at-exit=hang", time_limit=5),
    Case("the Store's exit work would hang after a query", ["license"], license(), 0, sim="at-exit=hang",
         time_limit=5),
    Case("the Store's exit work would fault after a failure line", ["buy", "X"], purchase_failure("no result"), 1,
         sim="results=null;at-exit=fault"),
    Case("the Store's exit work would hang after the owner closed", ["review", OWNER], owner_closed(), 1,
         sim="after=never;at-exit=hang", owner=Owner(close_after_ms=500), time_limit=5),
    Case("the Store's exit work would hang while a crash line is out", ["buy", "X"], crash(), 1,
         sim="crash=worker;after=20;at-exit=hang", time_limit=5),
    # The crash path itself, with every allocation made fatal: an allocating
    # handler would end in abort, without the line.
    Case("crash path allocates nothing: hardware fault", ["fault"], crash(), 1, program="crash-probe"),
    Case("crash path allocates nothing: uncaught exception", ["terminate"], crash(), 1, program="crash-probe"),
]
