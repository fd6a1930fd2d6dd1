"""update, synchronous and asyncio, against the real portable store-bridge and its simulated Store, and a host's path
from updates() to update()."""

import asyncio
import itertools
import os
import shutil
import signal
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
sys.path.insert(0, str(Path(__file__).resolve().parent))

import store_bridge  # noqa: E402
import store_bridge.aio  # noqa: E402
from catalogue import encoded, traced  # noqa: E402
from store_bridge import (ClosedForUpdate, PackageState, QueryFailure, UpdateProgress,  # noqa: E402
                          UpdateStatusResult)

EXECUTABLE = os.environ.get("STORE_BRIDGE_EXE")
if not EXECUTABLE:
    raise RuntimeError("STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)")

NOTES = "Contoso.Notes_8wekyb3d8bbwe"
DICTIONARY = "Contoso.Notes.Dictionary_8wekyb3d8bbwe"
FIND = "package-update=" + NOTES
COMPLETED = UpdateStatusResult("completed", (PackageState(NOTES, "completed"),))
CALLS = ("RequestDownloadAndInstallStorePackageUpdatesAsync", "RequestDownloadStorePackageUpdatesAsync",
         "TrySilentDownloadAndInstallStorePackageUpdatesAsync", "TrySilentDownloadStorePackageUpdatesAsync")
INSTALL = CALLS[0]
MAX_BYTES = 2 ** 64 - 1


def halfway(family_name, total):
    """The simulated Store's default report: one per package, halfway."""
    return UpdateProgress(family_name, "downloading", 0.5, total, 0, 0)


def in_asyncio(call):
    return lambda *arguments, **options: asyncio.run(call(*arguments, **options))


APIS = [("sync", store_bridge.update, store_bridge.updates),
        ("asyncio", in_asyncio(store_bridge.aio.update), in_asyncio(store_bridge.aio.updates))]


class Runs(unittest.TestCase):
    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="store-bridge-update-bridge-"))
        self.traces = 0

    def tearDown(self):
        shutil.rmtree(self.scratch)

    def traced_sim(self, scenario):
        """The options of a run with a fresh trace, and the trace's file."""
        self.traces += 1
        trace = self.scratch / ("%d.trace" % self.traces)
        return {"executable": EXECUTABLE, "env": {"STORE_BRIDGE_SIM": scenario, "STORE_BRIDGE_SIM_TRACE": str(trace)},
                "timeout": 10}, trace

    def test_update_reports_as_it_goes_then_each_packages_state(self):
        # (scenario, options, the reports, the result, the Store call made)
        cases = [
            (FIND + ";after=now;update-after=300", {}, [halfway(NOTES, 0.5)], COMPLETED, INSTALL),
            ("", {}, [], UpdateStatusResult("noUpdates", ()), None),
            # Two packages: the line sorts them; the reports come in the Store's order.
            (FIND + ";package-update=" + DICTIONARY, {"window": 4242},
             [halfway(NOTES, 0.25), halfway(DICTIONARY, 0.75)],
             UpdateStatusResult("completed", (PackageState(DICTIONARY, "completed"), PackageState(NOTES, "completed"))),
             INSTALL),
            (FIND, {"download_only": True}, [halfway(NOTES, 0.5)], COMPLETED, CALLS[1]),
            (FIND, {"silent": True, "window": 4242}, [halfway(NOTES, 0.5)], COMPLETED, CALLS[2]),
            (FIND, {"silent": True, "download_only": True}, [halfway(NOTES, 0.5)], COMPLETED, CALLS[3]),
            # Byte counts are exact up to 2**64 - 1.
            ("%s;progress=%s:Deploying:1:0.75:%d:%d@10;update-after=100" % (FIND, encoded(NOTES), MAX_BYTES, MAX_BYTES),
             {}, [UpdateProgress(NOTES, "deploying", 1.0, 0.75, MAX_BYTES, MAX_BYTES)], COMPLETED, INSTALL),
            ("%s;update-state=ErrorWiFiRequired;package-state=%s:Canceled" % (FIND, encoded(NOTES)), {},
             [halfway(NOTES, 0.5)], UpdateStatusResult("errorWiFiRequired", (PackageState(NOTES, "cancelled"),)),
             INSTALL),
            (FIND + ";update-request=none", {}, [], QueryFailure(None, "no operation"), INSTALL),
            (FIND + ";update-results=null", {}, [halfway(NOTES, 0.5)], QueryFailure(None, "no result"), INSTALL),
            (FIND + ";fail=StorePackageUpdateResult.OverallState:E_ACCESSDENIED", {}, [halfway(NOTES, 0.5)],
             QueryFailure("0x80070005", "Access is denied."), INSTALL),
            # The check's own failure ends the run before the second call.
            ("request=E_FAIL", {}, [], QueryFailure("0x80004005", "Unspecified error"), None),
        ]
        for (api, update, _), (scenario, options, reports, expected, call) in itertools.product(APIS, cases):
            with self.subTest(api=api, scenario=scenario, options=options):
                shown = []
                settings, trace = self.traced_sim(scenario)
                self.assertEqual(update(**options, on_progress=shown.append, **settings), expected)
                self.assertEqual(shown, reports)
                self.assertEqual([name for name in CALLS if traced(trace, name)], [call] if call else [])

    def test_a_bridge_that_goes_after_a_deploying_report_raises_closed_for_update(self):
        # As when Windows installs the app: the bridge is killed once the host has the report.
        pid_file = self.scratch / "bridge.pid"
        launcher = self.scratch / "launcher"
        launcher.write_text("#!/bin/sh\necho $$ > '%s'\nexec '%s' \"$@\"\n" % (pid_file, EXECUTABLE))
        launcher.chmod(0o755)
        scenario = "%s;progress=%s:Deploying:1:1:10:10@50;update-after=never" % (FIND, encoded(NOTES))
        for api, update, _ in APIS:
            with self.subTest(api=api):
                def windows_installs(progress):
                    os.kill(int(pid_file.read_text()), signal.SIGKILL)

                with self.assertRaises(ClosedForUpdate) as raised:
                    update(on_progress=windows_installs, executable=launcher, timeout=10,
                           env={"STORE_BRIDGE_SIM": scenario})
                self.assertEqual(raised.exception.exit_code, -signal.SIGKILL)
                self.assertEqual(raised.exception.last_progress, UpdateProgress(NOTES, "deploying", 1.0, 1.0, 10, 10))

    def test_a_hosts_whole_path(self):
        # What a host does at start: ask the Store, and install what it found with a progress bar, silently when it
        # may.
        scenario = ("package-update=%s,version=1.4.2.0,mandatory=true;package-update=%s,version=2.0.0.1;after=now;"
                    "update-after=200" % (NOTES, DICTIONARY))
        for api, update, updates in APIS:
            with self.subTest(api=api):
                settings, trace = self.traced_sim(scenario)
                found = updates(executable=EXECUTABLE, env=settings["env"], timeout=10)
                self.assertEqual(found.exit_code, 0)
                self.assertEqual([u.package_family_name for u in found.updates], [DICTIONARY, NOTES])
                bar = []
                installed = update(4242, silent=found.can_silently_download is True,
                                   on_progress=lambda p: bar.append((p.package_family_name, p.total_progress)),
                                   **settings)
                self.assertEqual(installed, UpdateStatusResult("completed", tuple(
                    PackageState(u.package_family_name, "completed") for u in found.updates)))
                # The bar moves forward, once for each package the check found.
                self.assertEqual(bar, [(NOTES, 0.25), (DICTIONARY, 0.75)])
                self.assertEqual(len(traced(trace, CALLS[2])), 1)


if __name__ == "__main__":
    unittest.main()
