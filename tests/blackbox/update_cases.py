"""The "updates" check against the simulated Store, one table for both targets."""

from case import OWNER, Case, Owner, no_store_calls
from flow_cases import AWKWARD, AWKWARD_ENCODED, E_ACCESSDENIED, E_FAIL, anchor_at, calls, the
from lines import (crash, general_failure, package_state, package_update, progress_line, query_failure, system_text,
                   update_result, updates_found, usage)

E_NOINTERFACE = 0x80004002
E_POINTER = 0x80004003

NOTES = "Contoso.Notes_8wekyb3d8bbwe"
NOTES_DLC = "Contoso.Notes.Dictionary_8wekyb3d8bbwe"


def checked_for_updates(ask_silent=True):
    """The check came through IStoreContext with nothing of a window: it shows no UI."""

    def check(trace, handles=None):
        assert the(trace, "GetAppAndOptionalStorePackageUpdatesAsync")["via"] == "IStoreContext"
        assert not [c for c in calls(trace) if c[0] == "Initialize"], calls(trace)
        asked = [r for r in trace if r.get("interface") == "IStoreContext3"]
        assert len(asked) == (1 if ask_silent else 0), calls(trace)

    return check


CASES = [
    Case("updates with the default scenario", ["updates"], updates_found(), 0, min_ms=90, trace=checked_for_updates()),
    Case("updates ignores its arguments", ["updates", "--silent", "123"], updates_found(), 0),
    Case("updates completed before the handler was assigned", ["updates"],
         updates_found([package_update(NOTES, "1.4.2.0", True)]), 0,
         sim="after=now;package-update=%s,version=1.4.2.0,mandatory=true" % NOTES),
    Case("updates sorted by family name whatever the Store's order", ["updates"],
         updates_found([package_update(NOTES_DLC, "2.0.0.1"), package_update(NOTES, "1.4.2.0", True),
                        package_update("z\u00e9", "65535.65535.65535.65535"), package_update("\u00e9")]), 0,
         sim="package-update=z%C3%A9,version=65535.65535.65535.65535;package-update=%C3%A9;"
             "package-update=" + NOTES + ",version=1.4.2.0,mandatory=true;"
             "package-update=" + NOTES_DLC + ",version=2.0.0.1,mandatory=false"),
    Case("updates of the same family stay in a fixed order", ["updates"],
         updates_found([package_update("A", "1.0.0.0", True), package_update("A", "2.0.0.0"),
                        package_update("A", "2.0.0.0", True)]), 0,
         sim="package-update=A,version=2.0.0.0,mandatory=true;package-update=A,version=2.0.0.0;"
             "package-update=A,mandatory=true"),
    Case("update family names with every escape", ["updates"], updates_found([package_update(AWKWARD)]), 0,
         sim="package-update=" + AWKWARD_ENCODED),
    Case("silent downloads not allowed", ["updates"], updates_found(can_silently_download=False), 0,
         sim="can-silently-download=false"),
    Case("a Store context that cannot say whether it may download silently", ["updates"],
         updates_found([package_update(NOTES)], can_silently_download=None), 0,
         sim="can-silently-download=missing;package-update=" + NOTES),
    Case("many updates", ["updates"],
         updates_found([package_update("P%03d" % n, "1.0.%d.0" % n) for n in range(200)]), 0,
         sim=";".join("package-update=P%03d,version=1.0.%d.0" % (n, n) for n in reversed(range(200)))),
    # Failures: each read, the request and the result.
    *[Case("updates when %s fails" % field, ["updates"], query_failure(E_ACCESSDENIED, system_text(E_ACCESSDENIED)),
           1, sim="package-update=%s;fail=%s:E_ACCESSDENIED" % (NOTES, field))
      for field in ("StorePackageUpdate.Package", "StorePackageUpdate.Mandatory", "Package.Id",
                    "PackageId.FamilyName", "PackageId.Version",
                    "IStoreContext3.CanSilentlyDownloadStorePackageUpdates")],
    Case("Store context fails for updates", ["updates"], query_failure(E_ACCESSDENIED, AWKWARD), 1,
         sim="context=E_ACCESSDENIED;restricted=" + AWKWARD_ENCODED),
    Case("updates request fails", ["updates"], query_failure(E_FAIL, system_text(E_FAIL)), 1, sim="request=E_FAIL"),
    Case("updates request without an operation", ["updates"], query_failure(None, "no operation"), 1,
         sim="request=none"),
    Case("updates results fail", ["updates"], query_failure(E_FAIL, "offline"), 1,
         sim="results=E_FAIL;restricted=offline"),
    Case("updates without a result object", ["updates"], query_failure(None, "no result"), 1, sim="results=null"),
    Case("quit message ends the updates wait", ["updates"], query_failure(None, "no result"), 1,
         sim="after=never;post=quit@100", max_ms=3000),
    Case("updates results out of memory", ["updates"], general_failure("bad allocation"), 1,
         sim="results=E_OUTOFMEMORY"),
    Case("crash on the Store's worker during the updates wait", ["updates"], crash(), 1, sim="crash=worker;after=50"),
]


# The update: the check, then one call with every update found.
UPDATE_CALLS = {  # (download only, silent): the call and the interface it came through
    (False, False): ("RequestDownloadAndInstallStorePackageUpdatesAsync", "IStoreContext"),
    (True, False): ("RequestDownloadStorePackageUpdatesAsync", "IStoreContext"),
    (False, True): ("TrySilentDownloadAndInstallStorePackageUpdatesAsync", "IStoreContext3"),
    (True, True): ("TrySilentDownloadStorePackageUpdatesAsync", "IStoreContext3"),
}
STATE_WORDS = [("Pending", "pending"), ("Downloading", "downloading"), ("Deploying", "deploying"),
               ("Completed", "completed"), ("Canceled", "cancelled"), ("OtherError", "error"),
               ("ErrorLowBattery", "errorLowBattery"), ("ErrorWiFiRecommended", "errorWiFiRecommended"),
               ("ErrorWiFiRequired", "errorWiFiRequired"), ("42", "error"), ("-1", "error")]
TWO = "package-update=B;package-update=A;after=now;update-after=300"


def updated(download_only=False, silent=False, families=("B", "A"), anchor=(0, 0, 1, 1), owner=0):
    """The check, then exactly one update call with the families in the Store's order,
    the context bound to the anchor first."""
    call, via = UPDATE_CALLS[(download_only, silent)]

    def check(trace, handles=None):
        the(trace, "GetAppAndOptionalStorePackageUpdatesAsync")
        record = the(trace, call)
        assert record["via"] == via, record
        assert record["families"] == list(families), record
        others = [c for c in calls(trace) if c[0] in dict(UPDATE_CALLS.values()) and c[0] != call]
        assert not others, calls(trace)
        order = [c[0] for c in calls(trace) if c[0] in ("GetAppAndOptionalStorePackageUpdatesAsync", "Initialize", call)]
        assert order == ["GetAppAndOptionalStorePackageUpdatesAsync", "Initialize", call], order
        anchor_at(anchor, owner=owner)(trace, handles)

    return check


def checked_only(trace, handles=None):
    """Nothing to update: the check alone, no window, no second call."""
    the(trace, "GetAppAndOptionalStorePackageUpdatesAsync")
    names = [c[0] for c in calls(trace)]
    assert "Initialize" not in names and not set(names) & {call for call, _ in UPDATE_CALLS.values()}, names


BOTH_DONE = update_result(packages=[package_state("A"), package_state("B")])

CASES += [
    Case("update with the default scenario", ["update"], update_result("noUpdates"), 0, trace=checked_only),
    Case("update with progress and nothing to update", ["update", "--progress", "123"], update_result("noUpdates"), 0,
         trace=checked_only),
    Case("update installs every update found, in the Store's order", ["update"], BOTH_DONE, 0, sim=TWO,
         trace=updated(), min_ms=290),
    Case("update with progress: a report for each package halfway", ["update", "--progress"],
         update_result(packages=[package_state("A"), package_state("B")],
                       progress=[progress_line("B", total="0.25"), progress_line("A", total="0.75")]), 0, sim=TWO,
         trace=updated()),
    *[Case("update %s" % " ".join(flags or ["without flags"]), ["update", *flags], BOTH_DONE, 0, sim=TWO,
           trace=updated(download_only="--download-only" in flags, silent="--silent" in flags))
      for flags in (["--download-only"], ["--silent"], ["--silent", "--download-only"])],
    *[Case("update %s with progress" % flag, ["update", flag, "--progress"],
           update_result(packages=[package_state("A"), package_state("B")],
                         progress=[progress_line("B", total="0.25"), progress_line("A", total="0.75")]), 0, sim=TWO,
           trace=updated(download_only=flag == "--download-only", silent=flag == "--silent"))
      for flag in ("--download-only", "--silent")],
    Case("update with every flag in another order", ["update", "--progress", "--silent", "--download-only"],
         update_result(packages=[package_state("A"), package_state("B")],
                       progress=[progress_line("B", total="0.25"), progress_line("A", total="0.75")]), 0, sim=TWO,
         trace=updated(download_only=True, silent=True)),
    # Every state word, of the whole update and of each package.
    *[Case("update ends in state %s" % name, ["update"],
           update_result(word, [package_state("A", word), package_state("B", word)]), 0,
           sim=TWO + ";update-state=" + name) for name, word in STATE_WORDS],
    Case("a package's own state", ["update"],
         update_result("error", [package_state("A", "errorWiFiRequired"), package_state("B", "cancelled")]), 0,
         sim=TWO + ";update-state=OtherError;package-state=A:ErrorWiFiRequired;package-state=B:4"),
    # Progress reports exactly as the Store gave them, the fractions clamped and rounded.
    Case("progress fractions and byte counts at their edges", ["update", "--progress"],
         update_result(packages=[package_state("A")], progress=[
             progress_line("A", "pending", "0", "0", 0, 18446744073709551615),
             progress_line("A", "downloading", "1", "0.5", 18446744073709551615, 0),
             progress_line("A", "downloading", "0.1", "0", 1, 2),
             progress_line("A", "downloading", "0", "0.123456", 3, 4),
             progress_line("A", "deploying", "1", "0", 5, 6),
             progress_line("A", "error", "0", "1", 7, 8),
             progress_line(AWKWARD, "errorLowBattery", "0.000002", "0", 9, 10),
         ]), 0,
         sim="package-update=A;after=now;update-after=400;"
             "progress=A:Pending:0:-0:0:18446744073709551615@20;progress=A:Downloading:1:0.5:18446744073709551615:0@40;"
             "progress=A:Downloading:0.1:1e-9:1:2@60;progress=A:1:0.0000005:0.1234565:3:4@80;"
             "progress=A:Deploying:0.9999996:nan:5:6@100;progress=A:OtherError:-1:2:7:8@120;"
             # The family's colons are encoded: a colon separates the item's fields.
             "progress=" + AWKWARD_ENCODED.replace(":", "%3A") + ":ErrorLowBattery:0.0000015:-1:9:10@140"),
    Case("a progress report after completion is dropped", ["update", "--progress"],
         update_result(packages=[package_state("A")], progress=[progress_line("A", "downloading", "0.5", "0.5", 1, 2)]),
         0, sim="package-update=A;after=now;update-after=200;progress=A:Downloading:0.5:0.5:1:2@50;late-progress=100;"
                "handler-delay=300", trace=updated(families=("A",)), min_ms=490),
    Case("progress reports only when asked", ["update"], update_result(packages=[package_state("A")]), 0,
         sim="package-update=A;after=now;update-after=200;progress=A:Downloading:0.5:0.5:1:2@50"),
    # The host's window: the UI goes over it and the run ends when it goes; a silent update ignores it.
    Case("update centres the Store's UI on the host's window", ["update", OWNER], BOTH_DONE, 0, sim=TWO,
         owner=Owner(rect=(200, 150, 1001, 751)), trace=updated(anchor=(600, 450, 601, 451), owner=OWNER)),
    Case("a silent update ignores the host's window", ["update", "--silent", OWNER], BOTH_DONE, 0, sim=TWO,
         owner=Owner(rect=(200, 150, 1001, 751)), trace=updated(silent=True)),
    Case("update ends when the host's window closes", ["update", "--progress", OWNER],
         query_failure(None, "owner closed"), 1,
         sim="package-update=A;after=now;update-after=never", owner=Owner(close_after_ms=1500), min_ms=1500,
         max_ms=1500 + 500 + 400),
    Case("update ends when the host's process ends", ["update", OWNER], query_failure(None, "owner closed"), 1,
         sim="package-update=A;after=now;update-after=5000", owner=Owner(exit_after_ms=1200), min_ms=1200,
         max_ms=1200 + 500 + 400),
    # Failures of the check, of the update call and of its result.
    Case("Store context fails for update", ["update", "--progress"], query_failure(E_ACCESSDENIED, AWKWARD), 1,
         sim="package-update=A;context=E_ACCESSDENIED;restricted=" + AWKWARD_ENCODED),
    Case("update when the check fails", ["update"], query_failure(E_FAIL, system_text(E_FAIL)), 1,
         sim="package-update=A;request=E_FAIL", trace=lambda trace, handles=None: the(
             trace, "GetAppAndOptionalStorePackageUpdatesAsync")),
    Case("update call refused", ["update"], query_failure(E_ACCESSDENIED, "gesperrt"), 1,
         sim="package-update=A;update-request=E_ACCESSDENIED;restricted=gesperrt"),
    Case("update call without an operation", ["update"], query_failure(None, "no operation"), 1,
         sim="package-update=A;update-request=none"),
    Case("update results fail", ["update"], query_failure(E_FAIL, system_text(E_FAIL)), 1,
         sim="package-update=A;update-results=E_FAIL"),
    Case("update without a result object", ["update"], query_failure(None, "no result"), 1,
         sim="package-update=A;update-results=null"),
    *[Case("update when %s fails" % field, ["update"], query_failure(E_ACCESSDENIED, system_text(E_ACCESSDENIED)), 1,
           sim="package-update=A;fail=%s:E_ACCESSDENIED" % field)
      for field in ("StorePackageUpdateResult.OverallState", "StorePackageUpdateResult.StorePackageUpdateStatuses")],
    Case("silent update on a system without it", ["update", "--silent"],
         query_failure(E_NOINTERFACE, system_text(E_NOINTERFACE)), 1, sim="package-update=A;can-silently-download=missing"),
    Case("update of many packages", ["update"],
         update_result(packages=[package_state("P%03d" % n) for n in range(100)]), 0,
         sim=";".join("package-update=P%03d" % n for n in reversed(range(100)))),
    Case("crash on the Store's worker during the check of update", ["update", "--progress"], crash(), 1,
         sim="package-update=A;crash=worker;after=50"),
]

for args in (["update", "--bogus"], ["update", "--"], ["update", "--Progress"], ["update", "--silent", "--silent"],
             ["update", "--progress", "--silent", "--progress"], ["update", "123", "--silent"],
             ["update", "123", "456", "--progress"], ["Update"], ["update", "--download_only"]):
    CASES.append(Case("update usage error %s" % " ".join(args[1:] or args), args, usage(), 2, trace=no_store_calls))
