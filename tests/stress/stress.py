#!/usr/bin/env python3
"""Stress runs of the bridge over random command lines and scenarios.

    stress.py [--sequential N] [--concurrent N] [--wine N] [--race N] [--wine-race N]
              [--update-race N] [--wine-update-race N]
              [--crash-race N] [--wine-crash-race N] [--soak N] [--keep DIR]
              [--seed S] [--build DIR] [--windows-build DIR]

Runs the portable executable (DIR/store-bridge) N times one after another and
N times eight at a time, then the Windows executable (DIR/store-bridge.exe)
N times under Wine, inside scripts/with-wine, which the script starts itself
when it is not already inside one. Every run must end within 10 s with an
empty standard error and one result line: strict JSON, byte for byte in the
bridge's own form, of a shape that its command allows, with the exit code of
that shape. Only a scenario that makes the Store abort may leave no line.
The races (--race, --wine-race) repeat fixed scenarios in which the Store's
answer, its late handler, a crash and the result line race each other.
Where the outcome follows from the scenario alone (a refused scenario item, a
plain status), the line must be that outcome. Prints the counts and closes with
"N passed, M failed"; exits 1 on any violation.

Every failure is reported with its pass, its target and a bash command line
that reruns that one case. One race run in ten runs with the simulated Store's
trace on; the trace of a failing run is kept (in a new folder in --keep DIR, or
in the system's temporary folder) and its path printed.

Wine runs with WINEDEBUG=-all,err+all,+loaddll: Wine's own errors and a
line for each module its loader maps. Those lines of standard error (a thread
number and a class, "0024:err:module:...", or "wine: ...") are Wine's and go to
the log; anything else on standard error is the bridge's fault. A Wine run that
failed without a line and without a word of the bridge's is Wine's only on
evidence: Wine never mapped the program, or Wine's launcher or loader gave up
("wine: ...", "err:module:..."), while the program never reached the Store (the
Store's DLL unmapped, no trace where the trace was on). Such a run is counted as Wine's and rerun once; it fails only
when the rerun fails too. The bridge's own faults are never rerun.

The update races (--update-race, --wine-update-race) run "update --progress"
with a progress report at the very moment the update completes, and with a
crash on the update's worker in the middle of a stream of reports: every
progress line must be whole, in the bridge's form and followed by a line
break, the last line a result or crash line, never a progress line after it.

--crash-race N and --wine-crash-race N run only the widened crash race
(async-status=1;after=0;crash=worker) N times and print the tally of exit
codes, lines and standard error. --soak N is the long run beside the test
command: about N portable runs (half random, eight at a time, half races) and
N/30 Wine runs (half random, four at a time, half races), in place of the other
sizes.
"""

import argparse
import itertools
import json
import os
import random
import re
import shlex
import signal
import subprocess
import sys
import tempfile
import time
from collections import Counter
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "blackbox"))

import lines  # the result lines as the black-box cases build them
from run import strict_json_object
from schema import validate_progress_line

WINE_RUN = ROOT / "scripts" / "wine-run"
WITH_WINE = ROOT / "scripts" / "with-wine"

TIME_LIMIT = 10.0  # seconds per run
BATCH = 8          # runs at a time in the concurrent pass
SIGABRT_EXIT = -6  # the portable target's abort, as Python reports it
WINE_ABORT_EXIT = 3
TRACE_SHARE = 10   # one race run in this many runs with the trace on
CHUNK = 2000       # runs made and checked at a time, so that a long run holds only its failures
SOAK_WINE_SHARE = 30
DEFAULT_SIZES = {"sequential": 1000, "concurrent": 200, "wine": 200, "race": 3000, "wine_race": 300,
                 "update_race": 2000, "wine_update_race": 200}  # a soak makes one Wine run for this many portable ones

# Wine's errors, and one line per module its loader maps: whether it mapped the
# program, and whether the program went on to load the Store's DLL.
WINE_DEBUG = "-all,err+all,+loaddll"
WINE_LINE = re.compile(rb"(?:[0-9a-f]{4,8}:)?(?:err|warn|fixme|trace):\w+:|wine(?: client error)?:")
LOADED = re.compile(rb"trace:loaddll:\w+ Loaded L\"(?:[^\"]*\\\\)?([^\"\\\\]+)\"")
THREAD = re.compile(rb"^[0-9a-f]{4,8}:")
# Wine's launcher and loader giving up: its fatal messages, and the loader's errors (an import it cannot load).
WINE_START_ERROR = re.compile(rb"(?:[0-9a-f]{4,8}:)?err:module:|wine(?: client error)?:")
NUMBER = re.compile(rb"\b(?:0x)?[0-9A-Fa-f]{9,}\b")  # handles and addresses, which differ from run to run
TRACE_NUMBERS = itertools.count(1)  # one file name per traced run in a stress run

USAGE, GENERAL = "usage", "general failure"
PURCHASE_STATUS, PURCHASE_FAILURE = "purchase status", "purchase failure"
REVIEW_STATUS, REVIEW_FAILURE = "review status", "review failure"
UPDATE_RESULT, QUERY_FAILURE = "update result", "query failure"
APP_PRODUCT, CUSTOMER_ID = "app product", "customer ID"
CRASH, NO_LINE = "crash", "no line"
EXIT_CODES = {USAGE: 2, GENERAL: 1, PURCHASE_STATUS: 0, PURCHASE_FAILURE: 1, REVIEW_STATUS: 0,
              REVIEW_FAILURE: 1, UPDATE_RESULT: 0, QUERY_FAILURE: 1, APP_PRODUCT: 0, CUSTOMER_ID: 0, CRASH: 1}
ALLOWED = {
    "usage": {USAGE},
    "buy": {PURCHASE_STATUS, PURCHASE_FAILURE, GENERAL, CRASH},
    "review": {REVIEW_STATUS, REVIEW_FAILURE, GENERAL, CRASH},
    "update": {UPDATE_RESULT, QUERY_FAILURE, GENERAL, CRASH},
    "app": {APP_PRODUCT, QUERY_FAILURE, GENERAL, CRASH},
    "customer-id": {CUSTOMER_ID, QUERY_FAILURE, USAGE, GENERAL, CRASH},
}
UPDATE_STATES = ["pending", "downloading", "deploying", "completed", "cancelled", "error", "errorLowBattery",
                 "errorWiFiRecommended", "errorWiFiRequired"]

PURCHASE_WORDS = {0: "purchased", 1: "alreadyPurchased", 2: "cancelled", 3: "error", 4: "error"}
REVIEW_WORDS = {0: "succeeded", 1: "cancelled", 2: "network", 3: "error"}
PURCHASE_NAMES = {"Succeeded": 0, "AlreadyPurchased": 1, "NotPurchased": 2, "NetworkError": 3, "ServerError": 4}
REVIEW_NAMES = {"Succeeded": 0, "CanceledByUser": 1, "NetworkError": 2, "Error": 3}
STATUS_NUMBERS = ["0", "1", "2", "3", "4", "5", "-1", "2147483647", "-2147483648"]

HRESULT_NAMES = ["E_FAIL", "E_ACCESSDENIED", "E_OUTOFMEMORY", "E_INVALIDARG", "E_BOUNDS", "E_NOINTERFACE",
                 "REGDB_E_CLASSNOTREG", "ERROR_CANCELLED", "RPC_E_WRONG_THREAD", "E_ILLEGAL_METHOD_CALL",
                 "0x8004DEAD", "0x80070490"]
CRASHES = ["worker", "main", "release", "throw", "twice", "abort"]
# Items the parser must refuse: each is refused on its own, on both targets.
BAD_ITEMS = ["colour=red", "purchase=Maybe", "review=Great", "after=-1", "after=soon", "noequals", "=5",
             "context=0x12345678", "context=E_NOPE", "restricted=%G1", "description=100%", "crash=everything",
             "post=quit@-5", "post=later@5", "bind=present", "updated=maybe", "status=S_OK",
             'say"hi"=x', "back\\slash=1", "tab\there=1", "async-status=99999999999"]
PORTABLE_BAD_ITEMS = ["window=0:1,2,3,4", "window=7:1,2,3", "anchor=yes", "event=later", "apartment=0"]
# Pieces of failure text: everything that escaping must handle, and bytes that are not UTF-8.
TEXT_PIECES = [b"Store", b" ", b"kaputt", b'"', b"\\", b"\r", b"\n", b"\r\n", b"\t", b"\x01", b"\x1f", b"\x7f",
               b"/", b"%", b";", b"=", "über".encode(), "€".encode(), "😀".encode(), "\u2028".encode(), b"\xff",
               b"\xc3", b"\xed\xa0\x80"]
UNRESERVED = set(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.~")
# Standard input of "purchase-id" and "collections-id": texts for a valid object, and inputs the bridge refuses unread.
TICKET_PIECES = ["eyJ0eXAi", ".", "ticket", '"', "\\", "\r", "\n", "\t", "\u001a", "\u0000", "über", "€", "😀", "/"]
REFUSED_INPUTS = [b"", b" \r\n", b"{}", b"x", b'{"serviceTicket":1,"publisherUserId":"u"}',
                  b'{"serviceTicket":"t","publisherUserId":"u","x":"y"}',
                  b'{"serviceTicket":"t","publisherUserId":"u"}\x1a', b'{"serviceTicket":"\xc3(","publisherUserId":"u"}',
                  b'{"serviceTicket":"' + b"x" * 70000 + b'","publisherUserId":""}']


@dataclass
class Run:
    """One run: what goes in and what the outcome must be."""

    args: list                       # str or bytes
    command: str                     # "buy", "review", "update" or "usage"
    items: list = field(default_factory=list)
    abort: bool = False              # the scenario makes the Store abort
    refused_item: str = None         # the first item the parser refuses
    expected: bytes = None           # the exact line, where the scenario decides it
    shapes: set = None               # the shapes the scenario allows, where narrower than the command's
    output_held: bool = False        # ended in time, but another process kept its output open
    traced: bool = False             # runs with the simulated Store's trace on
    stdin: bytes = None              # written to standard input, which is then closed; None: the null device
    # Filled in by the run:
    exit_code: int = None
    stdout: bytes = b""
    stderr: bytes = b""
    seconds: float = 0.0
    shape: str = None
    problems: list = field(default_factory=list)
    pass_name: str = None
    target: str = None
    command_line: str = None         # a bash command that reruns this case
    trace: Path = None               # the trace file, where the trace was on
    wine_lines: list = field(default_factory=list)  # Wine's own lines of standard error
    loaded: list = field(default_factory=list)      # the modules Wine's loader mapped, by file name
    wine_fault: str = None           # the evidence that a failure lies with Wine, not the bridge
    rerun: "Run" = None              # the one rerun of a failure that lies with Wine

    def fresh(self) -> "Run":
        """The same case, not yet run."""
        return Run(list(self.args), self.command, list(self.items), self.abort, self.refused_item, self.expected,
                   self.shapes, traced=self.traced, stdin=self.stdin)


class Generator:
    def __init__(self, rng: random.Random, portable: bool):
        self.rng = rng
        self.portable = portable  # portable-only keys and arguments that are not UTF-8 allowed

    def hresult(self):
        if self.rng.random() < 0.2:
            return "0x%08X" % self.rng.randrange(0x80000000, 0x100000000)
        return self.rng.choice(HRESULT_NAMES)

    def text(self):
        raw = b"".join(self.rng.choice(TEXT_PIECES) for _ in range(self.rng.randrange(0, 12)))
        return "".join(chr(b) if b in UNRESERVED else "%%%02X" % b for b in raw)

    def delay(self):
        return str(self.rng.choice([0, 1, 5, 20, 50, 100, 150, 250]))

    def status_items(self, command):
        """Items whose outcome is a status line, and that line."""
        rng = self.rng
        items = ["after=" + rng.choice(["now", self.delay()])] if rng.random() < 0.7 else []
        if rng.random() < 0.3:
            items.append("post=message@" + self.delay())
        if command == "buy":
            value = rng.choice(list(PURCHASE_NAMES) + STATUS_NUMBERS)
            items.append("purchase=" + value)
            word = PURCHASE_WORDS.get(PURCHASE_NAMES[value] if value in PURCHASE_NAMES else int(value), "error")
            line = lines.purchase_status(word)
        else:
            value = rng.choice(list(REVIEW_NAMES) + STATUS_NUMBERS)
            updated = rng.choice(["true", "false"])
            items += ["review=" + value, "updated=" + updated]
            word = REVIEW_WORDS.get(REVIEW_NAMES[value] if value in REVIEW_NAMES else int(value), "error")
            line = lines.review_status(word, updated == "true")
        rng.shuffle(items)
        return items, line.resolve(None)

    def fault_items(self):
        """Any mixture of the Store's failures, crashes and odd answers; failures of the
        main thread's own calls less often, so that most runs reach the completion."""
        rng = self.rng
        makers = [
            (3, lambda: "results=" + rng.choice(["null", self.hresult()])),
            (3, lambda: "restricted=" + self.text()),
            (2, lambda: "description=" + self.text()),
            (1, lambda: "reported=" + self.hresult()),
            (1, lambda: "details=" + rng.choice(["S_OK", "S_FALSE", self.hresult()])),
            (2, lambda: "after=" + rng.choice(["now", self.delay()])),
            (1, lambda: "async-status=" + rng.choice(["0", "1", "2", "3", "77"])),
            (2, lambda: "purchase=" + rng.choice(list(PURCHASE_NAMES) + STATUS_NUMBERS)),
            (2, lambda: "review=" + rng.choice(list(REVIEW_NAMES) + STATUS_NUMBERS)),
            (2, lambda: "updated=" + rng.choice(["true", "false", self.hresult()])),
            (2, lambda: "post=%s@%s" % (rng.choice(["quit", "message"]), self.delay())),
            (1.5, lambda: "crash=" + rng.choice(CRASHES)),
            (1, lambda: "request=" + rng.choice(["none", self.hresult()])),
            (0.7, lambda: "context=" + self.hresult()),
            (0.3, lambda: "bind=missing"),
            (0.5, lambda: "customer-id=" + self.text()),
            (0.7, lambda: "status=" + self.hresult()),
        ]
        if self.portable:
            makers += [(0.3, lambda: "apartment=" + self.hresult()), (0.5, lambda: "anchor=fail"),
                       (0.3, lambda: "event=fail")]
        weights, items = zip(*makers)
        return [make() for make in rng.choices(items, weights, k=rng.randrange(1, 6))]

    def arguments(self):
        """(arguments, command) for a valid or an invalid command line."""
        rng = self.rng
        roll = rng.random()
        if roll < 0.2:
            invalid = [[], ["buy"], ["BUY", "X"], ["Review"], ["sell"], ["", "X"], [" review"], ["buy ", "X"],
                       ["büy", "X"], ["ｂｕｙ", "X"], ["reviews", "1"], ["bu"], ["buy\t", "X"]]
            if self.portable:
                invalid += [[b"bu\xff", "X"], [b"\xc3review"]]
            return rng.choice(invalid), "usage"
        extra = rng.choice([[], [], ["extra"], ["a", "b c"]])
        if roll < 0.28:
            return ["app"] + extra, "app"
        if roll < 0.36:
            return [rng.choice(["purchase-id", "collections-id"])] + extra, "customer-id"
        if roll < 0.6:
            store_id = rng.choice(["9NBLGGH4R315", "", " 9nblggh4r315 é€😀 ", 'quote"back\\slash', "X" * 300])
            if self.portable and rng.random() < 0.1:
                store_id = b"9N\xff\xc3"
            return ["buy", store_id] + extra, "buy"
        if rng.random() < 0.3:
            return ["review"], "review"
        handle = rng.choice(["", "0", "abc", "-1", " 42", "+65536", "987654", "18446744073709551616",
                             str(rng.randrange(1, 1 << 32))])
        return ["review", handle] + extra, "review"

    def run(self) -> Run:
        rng = self.rng
        args, command = self.arguments()
        run = Run(args, command)
        kind = rng.random()
        if command == "usage":
            run.expected = lines.usage().resolve(None)
        if kind < 0.1:
            pass  # no scenario at all: the default answers
        elif kind < 0.35 and command in ("buy", "review"):
            run.items, run.expected = self.status_items(command)
        else:
            run.items = self.fault_items()
        if command == "review" and self.portable and rng.random() < 0.2:
            # A window of another process, which may close before the Store answers.
            handle = str(rng.randrange(1, 100000))
            item = "window=%s:%s" % (handle, rng.choice(["200,150,1000,750", "-1001,-5,-200,0", "norect"]))
            if rng.random() < 0.5:
                item += ":close=" + str(rng.randrange(0, 600))
            run.items.append(item)
            run.args = ["review", handle]
            run.expected = None
        if rng.random() < 0.1:
            run.refused_item = rng.choice(BAD_ITEMS + (PORTABLE_BAD_ITEMS if self.portable else []))
            run.items.insert(rng.randrange(0, len(run.items) + 1), run.refused_item)
            if command != "usage":
                run.expected = None
        if command == "customer-id":
            if rng.random() < 0.3:
                # Refused before anything else: the scenario is never read.
                run.stdin = rng.choice(REFUSED_INPUTS)
                run.expected, run.refused_item = lines.usage().resolve(None), None
                return run
            ticket, user = ("".join(rng.choice(TICKET_PIECES) for _ in range(rng.randrange(0, 8))) for _ in range(2))
            run.stdin = json.dumps({"serviceTicket": ticket, "publisherUserId": user},
                                   ensure_ascii=rng.random() < 0.5).encode()
        crashes = [item for item in run.items if item.startswith("crash=")]
        run.abort = run.refused_item is None and bool(crashes) and crashes[-1] == "crash=abort"
        return run


CRASH_RACE = Run(["buy", "X"], "buy", ["async-status=1", "after=0", "crash=worker"], shapes={PURCHASE_FAILURE, CRASH})


def race_runs(count, portable):
    """The races between the Store's answer, its late handler, a crash and the line:
    a purchase that went through is reported as bought, and a crash at any moment
    leaves exactly one line, with that line's exit code."""
    purchased = Run(["buy", "X"], "buy", ["after=0"], expected=lines.purchase_status("purchased").resolve(None))
    kinds = [(purchased, count), (CRASH_RACE, count)]
    if portable:
        # The crash races the owner-closed line, which ends the process itself.
        owner_gone = Run(["review", "5"], "review", ["window=5:0,0,10,10:close=1", "after=500", "crash=worker"],
                         shapes={REVIEW_FAILURE, CRASH})
        kinds.append((owner_gone, count // 10))
    return traced_share(run.fresh() for run, times in kinds for _ in range(times))


# A stream of progress reports, a millisecond apart, over the whole update.
PROGRESS_STREAM = ["progress=A:Downloading:%g:%g:%d:100@%d" % (i / 40, i / 80, i, i) for i in range(1, 41)]
UPDATE_RACES = [
    # A report delivered at the very moment the update completes: written before the result, or dropped.
    Run(["update", "--progress"], "update",
        ["package-update=A", "after=now", "update-after=20", "progress=A:Downloading:0.5:0.5:1:2@20",
         "progress=A:Deploying:1:1:2:2@20", "late-progress=0"],
        expected=lines.update_result("completed", [lines.package_state("A")]).resolve(None)),
    # A crash on the update's worker in the middle of the stream.
    Run(["update", "--progress"], "update",
        ["package-update=A", "after=now", "update-after=300", *PROGRESS_STREAM, "update-crash=worker@20"],
        shapes={CRASH}),
]


def update_race_runs(count):
    """Progress lines racing the update's end and a crash: every line whole, the
    last one a result or crash line, never a progress line after it."""
    return traced_share(run.fresh() for _ in range(count // len(UPDATE_RACES)) for run in UPDATE_RACES)


def crash_race_runs(count):
    return traced_share(CRASH_RACE.fresh() for _ in range(count))


def traced_share(runs):
    """One race run in TRACE_SHARE with the trace on, on both targets."""
    for number, run in enumerate(runs):
        run.traced = number % TRACE_SHARE == 0
        yield run


def encoded(arg) -> bytes:
    return arg if isinstance(arg, bytes) else arg.encode()


def classify(out: bytes):
    """The shape of a result line and the bytes the bridge writes for it; ValueError when it has none."""
    value = strict_json_object(out)
    keys = tuple(value)
    text = value.get("error")
    if keys == ("error",) and isinstance(text, str):
        if text == "usage":
            return USAGE, lines.usage()
        return GENERAL, lines.general_failure(text)
    status = value.get("status")
    if keys == ("status", "error"):
        if text is None and status in PURCHASE_WORDS.values():
            return PURCHASE_STATUS, lines.purchase_status(status)
        if status == "error" and isinstance(text, str) and text:
            return PURCHASE_FAILURE, lines.purchase_failure(text)
    if keys == ("status", "packages", "error") and text is None and status in UPDATE_STATES + ["noUpdates"]:
        packages = [lines.package_state(p["packageFamilyName"], p["state"]) for p in value["packages"]]
        return UPDATE_RESULT, lines.update_result(status, packages)
    if keys == ("status", "product", "error") and status == "ok" and value["product"] is None and text is None:
        return APP_PRODUCT, lines.app_product()
    if keys == ("status", "id", "error") and status == "ok" and isinstance(value["id"], str) and value["id"] \
            and text is None:
        return CUSTOMER_ID, lines.customer_id(value["id"])
    if keys == ("status", "code", "error") and status == "error" and isinstance(text, str):
        code = value["code"]
        return QUERY_FAILURE, lines.query_failure(None if code is None else int(code, 16), text)
    if keys == ("status", "updated", "error"):
        updated = value["updated"]
        if text is None and status in REVIEW_WORDS.values() and isinstance(updated, bool):
            return REVIEW_STATUS, lines.review_status(status, updated)
        if status == "error" and updated is False and isinstance(text, str) and text:
            return (CRASH, lines.crash()) if text == "crash" else (REVIEW_FAILURE, lines.review_failure(text))
    raise ValueError("no result line of the bridge")


def fraction_text(value) -> str:
    return ("%.6f" % value).rstrip("0").rstrip(".")


def progress_problems(progress: bytes) -> list:
    """A progress line must be whole, of its schema, and in the bridge's own form."""
    try:
        report = strict_json_object(progress)["progress"]
        validate_progress_line({"progress": report})
    except (ValueError, KeyError, TypeError) as error:
        return ["progress line %r: %s" % (progress, error)]
    form = lines.progress_line(report["packageFamilyName"], report["state"], fraction_text(report["packageProgress"]),
                               fraction_text(report["totalProgress"]), report["bytesDownloaded"],
                               report["downloadSize"])
    return [] if form == progress + b"\n" else ["progress line %r not in the bridge's form %r" % (progress, form)]


def check(run: Run, abort_exit: int):
    if run.stderr:
        run.problems.append("stderr %r" % run.stderr)
    if run.command == "update":
        # Whole progress lines, each with its line break, then the last line: a
        # progress line after it, or a line cut by it, fails here.
        *progress, last = run.stdout.split(b"\n")
        for line in progress:
            run.problems += progress_problems(line)
    else:
        last = run.stdout
    if not last:
        run.shape = NO_LINE
        if not run.abort:
            run.problems.append("no line, and the scenario does not abort")
        elif run.exit_code != abort_exit:
            run.problems.append("no line with exit code %s, expected %d" % (run.exit_code, abort_exit))
        return
    try:
        run.shape, line = classify(last)
    except ValueError as error:
        run.shape = "malformed"
        run.problems.append("not a result line: %s" % error)
        return
    if line.resolve(None) != last:
        run.problems.append("not in the bridge's form, expected %r" % line.resolve(None))
    if run.shape not in (run.shapes or ALLOWED[run.command]):
        run.problems.append("a %s line after %s" % (run.shape, run.command))
    if run.exit_code != EXIT_CODES[run.shape]:
        run.problems.append("exit code %s after a %s line" % (run.exit_code, run.shape))
    if run.expected is not None and last != run.expected:
        run.problems.append("expected %r" % run.expected)
    if run.refused_item is not None and run.command != "usage":
        text = strict_json_object(last).get("error")
        # The queries report a refused item as their failure, the dialogs as the general one.
        refusal = QUERY_FAILURE if run.command in ("app", "customer-id") else GENERAL
        if run.shape != refusal or not text.startswith('bad scenario item "%s": ' % run.refused_item):
            run.problems.append("the refused item %r is not named" % run.refused_item)


def shell_word(arg) -> str:
    """One word for bash: quoted plainly, or as $'...' with byte escapes when it holds
    control characters or bytes that are not UTF-8."""
    data = encoded(str(arg) if isinstance(arg, Path) else arg)
    try:
        if data.decode().isprintable():
            return shlex.quote(data.decode())
    except UnicodeDecodeError:
        pass
    return "$'" + "".join(chr(b) if 32 <= b < 127 and b not in b"'\\" else "\\x%02x" % b for b in data) + "'"


def split_wine_lines(stderr: bytes):
    """The bridge's own standard error, and Wine's lines in it."""
    own, wine = [], []
    for line in stderr.splitlines(keepends=True):
        (wine if WINE_LINE.match(line) else own).append(line)
    return b"".join(own), wine


def trace_calls(path: Path):
    """The calls a trace file records (partial lines too); None when the file was never written."""
    try:
        return [line for line in path.read_bytes().splitlines() if line.strip()]
    except FileNotFoundError:
        return None


def wine_evidence(run: Run, program_name: str):
    """What shows that a failed Wine run lies with Wine: the bridge wrote nothing, never reached
    the Store, and Wine either never mapped the program or its launcher or loader gave up with
    an error. None otherwise."""
    if run.stdout or run.stderr:
        return None
    loaded = {name.lower() for name in run.loaded}
    if b"simulated-store.dll" in loaded or (run.trace is not None and trace_calls(run.trace)):
        return None
    if program_name.encode().lower() not in loaded:
        return "Wine never mapped %s (%d modules mapped), exit %s" % (program_name, len(loaded), run.exit_code)
    errors = [line for line in run.wine_lines if WINE_START_ERROR.match(line)]
    if errors:
        return "Wine's loader reported %r before the program reached the Store, exit %s" % (errors[0].strip(),
                                                                                           run.exit_code)
    return None


class Launcher:
    def __init__(self, target, program: Path, abort_exit, trace_dir: Path, windows_build: Path = None):
        self.target = target
        self.program = program
        self.abort_exit = abort_exit
        self.trace_dir = trace_dir
        self.windows_build = windows_build  # set for the Windows executable, run under Wine
        self.environment = {key: value for key, value in os.environ.items()
                            if key not in ("STORE_BRIDGE_SIM", "STORE_BRIDGE_SIM_FILE", "STORE_BRIDGE_SIM_TRACE", "WINEDEBUG")}

    def file_name(self, path: Path) -> str:
        # Drive Z: is the Unix root in every Wine prefix.
        return "Z:" + str(path).replace("/", "\\") if self.windows_build else str(path)

    def settings(self, run: Run, trace: Path):
        settings = [("WINEDEBUG", WINE_DEBUG)] if self.windows_build else []
        if run.items:
            settings.append(("STORE_BRIDGE_SIM", ";".join(run.items)))
        if trace is not None:
            settings.append(("STORE_BRIDGE_SIM_TRACE", self.file_name(trace)))
        return settings

    def command_line(self, run: Run) -> str:
        """A bash command that runs this case once more (with its own trace file, if it had a trace)."""
        trace = run.trace.with_suffix(".rerun.jsonl") if run.trace else None
        words = ["env"] + ["%s=%s" % (name, shell_word(value)) for name, value in self.settings(run, trace)]
        if self.windows_build:
            words = ["env", "STORE_BRIDGE_WINDOWS_BUILD=" + shell_word(self.windows_build), shell_word(WITH_WINE)] + \
                words + [shell_word(WINE_RUN)]
        words += [shell_word(self.program)] + [shell_word(arg) for arg in run.args]
        if run.stdin is not None and len(run.stdin) <= 200:
            words = ["printf", "%s", shell_word(run.stdin), "|"] + words
        elif run.stdin is not None:
            kept = self.trace_dir / ("stdin-%d.bin" % next(TRACE_NUMBERS))
            kept.write_bytes(run.stdin)
            words += ["<", shell_word(str(kept))]
        return " ".join(words)

    def __call__(self, run: Run) -> Run:
        run.target = self.target
        if run.traced:
            run.trace = self.trace_dir / ("%s-%d.jsonl" % ("wine" if self.windows_build else "portable",
                                                           next(TRACE_NUMBERS)))
        environment = dict(self.environment, **dict(self.settings(run, run.trace)))
        command = ([str(WINE_RUN)] if self.windows_build else []) + [str(self.program)]
        start = time.monotonic()
        process = subprocess.Popen(command + [encoded(arg) for arg in run.args],
                                   stdin=subprocess.DEVNULL if run.stdin is None else subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment,
                                   start_new_session=True)
        try:
            run.stdout, run.stderr = process.communicate(input=run.stdin, timeout=TIME_LIMIT)
        except subprocess.TimeoutExpired:
            # The bridge may have ended in time while a process that Wine started
            # for it still holds its output open; only a bridge still running fails.
            ended = process.poll() is not None
            os.killpg(process.pid, signal.SIGKILL)
            run.stdout, run.stderr = process.communicate()
            if ended:
                run.output_held = True
            else:
                run.problems.append("still running after %g s, killed" % TIME_LIMIT)
        run.seconds = time.monotonic() - start
        run.exit_code = process.returncode
        if self.windows_build:
            run.stderr, run.wine_lines = split_wine_lines(run.stderr)
            run.loaded = [match.group(1) for match in map(LOADED.search, run.wine_lines) if match]
        check(run, self.abort_exit)
        if run.problems:
            run.command_line = self.command_line(run)
            if self.windows_build:
                run.wine_fault = wine_evidence(run, self.program.name)
        elif run.trace is not None:
            run.trace.unlink(missing_ok=True)
        return run


class Report:
    """What the passes found: counts, Wine's messages, and every run that failed."""

    def __init__(self):
        self.runs = 0
        self.shapes = Counter()
        self.held = 0
        self.wine_messages = Counter()  # without the thread number, handles and addresses
        self.wine_faults = []           # failures that lie with Wine and passed when rerun
        self.failed = []

    def add(self, run: Run):
        self.runs += 1
        self.shapes[run.shape] += 1
        self.held += run.output_held
        for attempt in (run, run.rerun) if run.rerun else (run,):
            self.wine_messages.update(NUMBER.sub(b"#", THREAD.sub(b"", line.strip())) for line in attempt.wine_lines
                                      if not LOADED.search(line))
        if not run.problems:
            return
        if run.wine_fault and run.rerun is not None and not run.rerun.problems:
            self.wine_faults.append(run)
        else:
            self.failed.append(run)


def run_pass(name, launcher, runs, workers, report, tally=False):
    """Runs a pass in chunks; a failure that lies with Wine is rerun once, after its chunk, alone."""
    start = time.monotonic()
    count, longest, outcomes = 0, 0.0, Counter()
    runs = iter(runs)
    with ThreadPoolExecutor(max_workers=workers) as pool:
        while chunk := list(itertools.islice(runs, CHUNK)):
            done = list(pool.map(launcher, chunk))
            for run in done:
                run.pass_name = name
                if run.wine_fault:
                    run.rerun = launcher(run.fresh())
                    run.rerun.pass_name = name + ", rerun"
                report.add(run)
                outcomes[run.exit_code, run.shape, bool(run.stderr)] += 1
                count += 1
                longest = max(longest, run.seconds)
    if count:
        print("%s: %d runs in %.1f s (%d at a time, longest run %.2f s)"
              % (name, count, time.monotonic() - start, workers, longest), flush=True)
    if tally:
        for (exit_code, shape, stderr), times in sorted(outcomes.items(), key=str):
            print("  %d runs: exit %s, %s, %s" % (times, exit_code, "no line" if shape == NO_LINE else shape + " line",
                                                 "stderr written" if stderr else "stderr empty"), flush=True)


def describe_trace(path: Path) -> str:
    calls = trace_calls(path)
    if calls is None:
        return "trace on, nothing written: the program never reached the Store"
    last = calls[-1] if calls else b""
    return "trace %s: %d calls, the last %s" % (path, len(calls), last[:200].decode(errors="replace"))


def describe(run: Run) -> str:
    text = ("[%s; %s]\n  args %r\n  STORE_BRIDGE_SIM=%r\n  exit %s, %.2f s, stdout %r, stderr %r\n  %s"
            % (run.pass_name, run.target, run.args, ";".join(run.items), run.exit_code, run.seconds, run.stdout,
               run.stderr, "; ".join(run.problems)))
    if run.target != "portable":
        errors = [line.strip() for line in run.wine_lines if not LOADED.search(line)]
        text += "\n  Wine mapped %d modules%s; Wine's own lines: %r" % (
            len(run.loaded), " (the last %s)" % run.loaded[-1].decode() if run.loaded else "", errors)
    if run.trace is not None:
        text += "\n  " + describe_trace(run.trace)
    if run.wine_fault:
        text += "\n  lies with Wine: " + run.wine_fault
    text += "\n  rerun: " + run.command_line
    if run.rerun is not None:
        text += "\n  rerun once: " + ("passed" if not run.rerun.problems else "FAILED " + describe(run.rerun))
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sequential", type=int, help="portable runs one after another (default 1000)")
    parser.add_argument("--concurrent", type=int, help="portable runs, %d at a time (default 200)" % BATCH)
    parser.add_argument("--wine", type=int, help="Windows runs under Wine (default 200)")
    parser.add_argument("--race", type=int, help="portable runs of each race, %d at a time (default 3000)" % BATCH)
    parser.add_argument("--wine-race", type=int, help="Windows runs of each race under Wine (default 300)")
    parser.add_argument("--update-race", type=int,
                        help="portable runs of the update's progress races, %d at a time (default 2000)" % BATCH)
    parser.add_argument("--wine-update-race", type=int, help="Windows runs of the update's progress races (default 200)")
    parser.add_argument("--crash-race", type=int, default=0,
                        help="portable runs of the widened crash race alone, %d at a time, with their tally" % BATCH)
    parser.add_argument("--wine-crash-race", type=int, default=0,
                        help="Windows runs of the widened crash race alone under Wine, with their tally")
    parser.add_argument("--soak", type=int, default=0,
                        help="about N portable and N/%d Wine runs in place of the sizes above" % SOAK_WINE_SHARE)
    parser.add_argument("--keep", type=Path, help="the folder in which a new folder keeps the traces of failing "
                        "runs (default: the system's temporary folder); removed when it keeps none")
    parser.add_argument("--seed", type=int, help="random seed (default: a new one, printed)")
    parser.add_argument("--build", type=Path, default=ROOT / "build" / "native", help="the portable build folder")
    parser.add_argument("--windows-build", type=Path, default=ROOT / "build" / "windows",
                        help="the Windows build folder")
    options = parser.parse_args()
    if options.seed is None:
        options.seed = random.randrange(1 << 32)
        sys.argv += ["--seed", str(options.seed)]
    # The crash races and the soak replace the default sizes; a size given beside them still runs.
    alone = options.soak or options.crash_race or options.wine_crash_race
    for name, size in DEFAULT_SIZES.items():
        if getattr(options, name) is None:
            setattr(options, name, 0 if alone else size)
    if options.soak:
        wine = options.soak // SOAK_WINE_SHARE
        options.sequential, options.concurrent, options.race = 0, options.soak // 2, options.soak // 4
        options.update_race = options.soak // 20
        options.wine, options.wine_race, options.wine_update_race = wine // 2, wine // 4, wine // 20
    build = options.build.resolve()
    windows_build = options.windows_build.resolve()

    wine_wanted = options.wine or options.wine_race or options.wine_crash_race or options.wine_update_race
    if wine_wanted and not os.environ.get("STORE_BRIDGE_WINE_READY"):
        os.environ["STORE_BRIDGE_WINDOWS_BUILD"] = str(windows_build)
        os.execv(str(WITH_WINE), [str(WITH_WINE), sys.executable, *sys.argv])
    if wine_wanted and Path(os.environ.get("STORE_BRIDGE_WINDOWS_BUILD", "")).resolve() != windows_build:
        sys.exit("stress.py: the Wine environment serves the simulated Store of %s, not of %s"
                 % (os.environ["STORE_BRIDGE_WINDOWS_BUILD"], windows_build))
    portable_wanted = (options.sequential or options.concurrent or options.race or options.crash_race
                       or options.update_race)
    for program in ([build / "store-bridge"] if portable_wanted else []) + \
                   ([windows_build / "store-bridge.exe"] if wine_wanted else []):
        if not program.exists():
            sys.exit("stress.py: %s does not exist" % program)
    if options.keep:
        options.keep.mkdir(parents=True, exist_ok=True)
    trace_dir = Path(tempfile.mkdtemp(prefix="store-bridge-stress-", dir=options.keep)).resolve()

    print("stress: seed %d" % options.seed, flush=True)
    rng = random.Random(options.seed)
    portable = Generator(rng, portable=True)
    windows = Generator(rng, portable=False)
    native = Launcher("portable", build / "store-bridge", SIGABRT_EXIT, trace_dir)
    wine = Launcher("windows under wine", windows_build / "store-bridge.exe", WINE_ABORT_EXIT, trace_dir,
                    windows_build)

    report = Report()
    run_pass("portable, sequential", native, (portable.run() for _ in range(options.sequential)), 1, report)
    run_pass("portable, concurrent", native, (portable.run() for _ in range(options.concurrent)), BATCH, report)
    run_pass("windows under wine", wine, (windows.run() for _ in range(options.wine)), 4 if options.soak else 1,
             report)
    run_pass("portable, races", native, race_runs(options.race, portable=True), BATCH, report)
    run_pass("windows under wine, races", wine, race_runs(options.wine_race, portable=False), 4, report)
    run_pass("portable, update races", native, update_race_runs(options.update_race), BATCH, report, tally=True)
    run_pass("windows under wine, update races", wine, update_race_runs(options.wine_update_race), 4, report,
             tally=True)
    run_pass("portable, crash race", native, crash_race_runs(options.crash_race), BATCH, report, tally=True)
    run_pass("windows under wine, crash race", wine, crash_race_runs(options.wine_crash_race), 4, report,
             tally=True)

    print("shapes: " + ", ".join("%s %d" % item for item in sorted(report.shapes.items(), key=str)))
    if report.held:
        print("%d runs ended in time while a process Wine started kept their output open" % report.held)
    for message, times in report.wine_messages.most_common(10):
        print("wine said %r in %d runs" % (message, times))
    for run in report.wine_faults:
        print("WINE FAILED TO START THE PROGRAM, rerun passed " + describe(run))
    if report.wine_faults:
        print("%d runs that Wine failed to start passed when rerun" % len(report.wine_faults))
    for run in report.failed[:20]:
        print("FAIL " + describe(run))
    if len(report.failed) > 20:
        print("... and %d more failures" % (len(report.failed) - 20))
    if any(trace_dir.iterdir()):
        print("stress: traces of failing runs kept in %s" % trace_dir)
    else:
        trace_dir.rmdir()
    print("stress: %d passed, %d failed" % (report.runs - len(report.failed), len(report.failed)), flush=True)
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
