"""buy and review against the real portable store-bridge and its simulated Store."""

import os
import stat
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

import store_bridge  # noqa: E402
from store_bridge import BadLine, NoLine, NotStarted, Result, TimedOut, UsageError  # noqa: E402

EXECUTABLE = os.environ.get("STORE_BRIDGE_EXE")
if not EXECUTABLE:
    raise RuntimeError("STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)")

# Quotes, a backslash, CR LF, a tab and non-ASCII letters, percent-encoded for the scenario.
AWKWARD = "Die%20%22Store%22%20sagt:%20C:%5CPfad%0D%0Anicht%20erreichbar%09%C3%BCber%20Caf%C3%A9"
AWKWARD_READ = 'Die "Store" sagt: C:\\Pfad  nicht erreichbar\tüber Café'


def sim(scenario):
    return {"executable": EXECUTABLE, "env": {"STORE_BRIDGE_SIM": scenario}}


class Outcomes(unittest.TestCase):
    def test_buy(self):
        cases = [
            ("", Result("purchased", None, 0)),
            ("purchase=AlreadyPurchased", Result("alreadyPurchased", None, 0)),
            ("purchase=NotPurchased", Result("cancelled", None, 0)),
            ("purchase=ServerError", Result("error", None, 0)),
            ("results=E_FAIL;restricted=" + AWKWARD, Result("error", AWKWARD_READ, 1)),
            ("results=null", Result("error", "no result", 1)),
            ("request=none", Result("error", "no operation", 1)),
            ("context=E_ACCESSDENIED;restricted=Kein%20Zugriff", Result("error", "Kein Zugriff", 1)),
            ("crash=worker;after=50", Result("error", "crash", 1, False)),
        ]
        for scenario, expected in cases:
            with self.subTest(scenario=scenario):
                self.assertEqual(store_bridge.buy("9NBLGGH4R315", **sim(scenario)), expected)

    def test_review(self):
        cases = [
            ("", Result("succeeded", None, 0, False)),
            ("review=NetworkError;updated=true", Result("network", None, 0, True)),
            ("review=CanceledByUser", Result("cancelled", None, 0, False)),
            ("review=Error;updated=true", Result("error", None, 0, True)),
            ("results=E_FAIL;restricted=" + AWKWARD, Result("error", AWKWARD_READ, 1, False)),
            ("request=none", Result("error", "no operation", 1, False)),
            ("request=E_ACCESSDENIED;restricted=gesperrt", Result("error", "gesperrt", 1)),
            ("crash=worker;after=50", Result("error", "crash", 1, False)),
        ]
        for scenario, expected in cases:
            with self.subTest(scenario=scenario):
                self.assertEqual(store_bridge.review(**sim(scenario)), expected)

    def test_review_ends_when_the_host_window_closes(self):
        closed = Result("error", "owner closed", 1, False)
        for handle in (4242, 0x100001092):  # above 32 bits: the whole handle must arrive
            with self.subTest(handle=handle):
                scenario = "after=never;window=%d:0,0,800,600:close=200" % handle
                self.assertEqual(store_bridge.review(window=handle, timeout=5, **sim(scenario)), closed)


class NoResult(unittest.TestCase):
    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="store-bridge-python-"))

    def tearDown(self):
        for file in self.scratch.iterdir():
            file.unlink()
        self.scratch.rmdir()

    def script(self, name, body, executable=True):
        file = self.scratch / name
        file.write_text("#!/bin/sh\n%s\n" % body)
        file.chmod(0o755 if executable else 0o644)
        return file

    def test_abort_leaves_no_line(self):
        with self.assertRaises(NoLine) as raised:
            store_bridge.buy("X", **sim("crash=abort"))
        self.assertEqual(raised.exception.exit_code, -6)  # SIGABRT

    def test_time_out_kills_the_run(self):
        started = time.monotonic()
        with self.assertRaises(TimedOut):
            store_bridge.review(timeout=0.3, **sim("after=never"))
        self.assertLess(time.monotonic() - started, 3)

    def test_executable_that_cannot_start(self):
        for executable in (self.scratch / "no-such-bridge", self.script("not-executable", "exit 0", False)):
            with self.subTest(executable=executable):
                with self.assertRaises(NotStarted):
                    store_bridge.buy("X", executable=executable)

    def test_usage_line(self):
        # A launcher that loses the arguments, as a broken host wrapper would.
        launcher = self.script("argument-loser", 'exec "%s"' % EXECUTABLE)
        with self.assertRaises(UsageError) as raised:
            store_bridge.buy("X", executable=launcher)
        self.assertEqual(raised.exception.exit_code, 2)

    def test_stdout_is_read_to_its_end(self):
        slow = self.script("slow-line", "printf '{\"status\":\"purch'; sleep 0.3; printf 'ased\",\"error\":null}'")
        self.assertEqual(store_bridge.buy("X", executable=slow), Result("purchased", None, 0))

    def test_line_that_does_not_go_with_its_exit_code(self):
        liar = self.script("liar", "printf '{\"status\":\"purchased\",\"error\":null}'; exit 1")
        with self.assertRaises(BadLine):
            store_bridge.buy("X", executable=liar)

    def test_wrong_arguments_are_refused_before_anything_starts(self):
        missing = self.scratch / "never-started"
        cases = [
            (lambda: store_bridge.buy(42, executable=missing), TypeError),
            (lambda: store_bridge.review(executable=missing, window=-1), ValueError),
            (lambda: store_bridge.review(executable=missing, window=2 ** 64), ValueError),
            (lambda: store_bridge.review(executable=missing, window=True), TypeError),
            (lambda: store_bridge.review(executable=missing, window="4242"), TypeError),
        ]
        for call, error in cases:
            with self.subTest(error=error):
                self.assertRaises(error, call)


if __name__ == "__main__":
    unittest.main()
