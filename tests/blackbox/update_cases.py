"""The "updates" check against the simulated Store, one table for both targets."""

from case import Case
from flow_cases import AWKWARD, AWKWARD_ENCODED, E_ACCESSDENIED, E_FAIL, calls, the
from lines import crash, general_failure, package_update, query_failure, system_text, updates_found

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
