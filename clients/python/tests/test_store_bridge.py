"""buy and review, synchronous and asyncio, against the real portable store-bridge and its simulated Store."""

import asyncio
import os
import shlex
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

import store_bridge  # noqa: E402
import store_bridge.aio  # noqa: E402
from store_bridge import (BadLine, Failure, NoLine, NotStarted, PurchaseStatusResult, ReviewStatusResult,  # noqa: E402
                          TimedOut, UsageError)

EXECUTABLE = os.environ.get("STORE_BRIDGE_EXE")
if not EXECUTABLE:
    raise RuntimeError("STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)")

# Quotes, a backslash, CR LF, a tab and non-ASCII letters, percent-encoded for the scenario.
AWKWARD = "Die%20%22Store%22%20sagt:%20C:%5CPfad%0D%0Anicht%20erreichbar%09%C3%BCber%20Caf%C3%A9"
AWKWARD_READ = 'Die "Store" sagt: C:\\Pfad  nicht erreichbar\tüber Café'


def sim(scenario, **settings):
    return {"executable": EXECUTABLE, "env": {"STORE_BRIDGE_SIM": scenario}, **settings}


def run_in_asyncio(call):
    return lambda *arguments, **options: asyncio.run(call(*arguments, **options))


# Every run test goes through both: (name, buy, review).
APIS = [
    ("sync", store_bridge.buy, store_bridge.review),
    ("asyncio", run_in_asyncio(store_bridge.aio.buy), run_in_asyncio(store_bridge.aio.review)),
]


def pid_gone(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return True
    return False


class Scratch(unittest.TestCase):
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


class Outcomes(unittest.TestCase):
    def test_buy(self):
        cases = [
            ("", PurchaseStatusResult("purchased")),
            ("purchase=AlreadyPurchased", PurchaseStatusResult("alreadyPurchased")),
            ("purchase=NotPurchased", PurchaseStatusResult("cancelled")),
            ("purchase=ServerError", PurchaseStatusResult("error")),
            ("results=E_FAIL;restricted=" + AWKWARD, Failure(AWKWARD_READ)),
            ("results=null", Failure("no result")),
            ("request=none", Failure("no operation")),
            ("context=E_ACCESSDENIED;restricted=Kein%20Zugriff", Failure("Kein Zugriff")),
            ("crash=worker;after=50", Failure("crash", False)),
        ]
        for (api, buy, _), (scenario, expected) in ((api, case) for api in APIS for case in cases):
            with self.subTest(api=api, scenario=scenario):
                self.assertEqual(buy("9NBLGGH4R315", **sim(scenario)), expected)

    def test_review(self):
        cases = [
            ("", ReviewStatusResult("succeeded", False)),
            ("review=NetworkError;updated=true", ReviewStatusResult("network", True)),
            ("review=CanceledByUser", ReviewStatusResult("cancelled", False)),
            ("review=Error;updated=true", ReviewStatusResult("error", True)),
            ("results=E_FAIL;restricted=" + AWKWARD, Failure(AWKWARD_READ, False)),
            ("request=none", Failure("no operation", False)),
            ("request=E_ACCESSDENIED;restricted=gesperrt", Failure("gesperrt")),
            ("crash=worker;after=50", Failure("crash", False)),
        ]
        for (api, _, review), (scenario, expected) in ((api, case) for api in APIS for case in cases):
            with self.subTest(api=api, scenario=scenario):
                self.assertEqual(review(**sim(scenario)), expected)

    def test_review_and_buy_end_when_the_host_window_closes(self):
        for (api, buy, review), handle in ((api, handle) for api in APIS for handle in (4242, 0x100001092)):
            # above 32 bits: the whole handle must arrive
            with self.subTest(api=api, handle=handle):
                scenario = "after=never;window=%d:0,0,800,600:close=200" % handle
                self.assertEqual(review(window=handle, **sim(scenario, timeout=5)), Failure("owner closed", False))
                closed_with_its_process = scenario.replace("close=", "exit=")
                self.assertEqual(buy("X", window=handle, **sim(closed_with_its_process, timeout=5)),
                                 Failure("owner closed", None))


class NoResult(Scratch):
    def test_abort_leaves_no_line(self):
        for api, buy, _ in APIS:
            with self.subTest(api=api):
                with self.assertRaises(NoLine) as raised:
                    buy("X", **sim("crash=abort"))
                self.assertEqual(raised.exception.exit_code, -6)  # SIGABRT

    def test_time_out_kills_the_run(self):
        for api, _, review in APIS:
            with self.subTest(api=api):
                started = time.monotonic()
                with self.assertRaises(TimedOut) as raised:
                    review(**sim("after=never", timeout=0.3))
                self.assertLess(time.monotonic() - started, 3)
                self.assertIsInstance(raised.exception, TimeoutError)

    def test_executable_that_cannot_start(self):
        for (api, buy, _), executable in ((api, file) for api in APIS for file in (
                self.scratch / "no-such-bridge", self.script("not-executable", "exit 0", False))):
            with self.subTest(api=api, executable=executable):
                with self.assertRaises(NotStarted) as raised:
                    buy("X", executable=executable)
                self.assertIsInstance(raised.exception, OSError)

    def test_usage_line(self):
        # A launcher that loses the arguments, as a broken host wrapper would.
        launcher = self.script("argument-loser", 'exec "%s"' % EXECUTABLE)
        for api, buy, _ in APIS:
            with self.subTest(api=api):
                with self.assertRaises(UsageError) as raised:
                    buy("X", executable=launcher)
                self.assertEqual(raised.exception.exit_code, 2)

    def test_stdout_is_read_to_its_end(self):
        slow = self.script("slow-line", "printf '{\"status\":\"purch'; sleep 0.3; printf 'ased\",\"error\":null}'")
        for api, buy, _ in APIS:
            with self.subTest(api=api):
                self.assertEqual(buy("X", executable=slow), PurchaseStatusResult("purchased"))

    def test_what_came_before_a_time_out_is_kept(self):
        partial = self.script("partial-line", "printf '{\"status\":'; exec sleep 10")
        for api, buy, _ in APIS:
            with self.subTest(api=api):
                with self.assertRaises(TimedOut) as raised:
                    buy("X", executable=partial, timeout=0.5)
                self.assertEqual(raised.exception.output, b'{"status":')

    def test_line_that_does_not_go_with_its_exit_code(self):
        liar = self.script("liar", "printf '{\"status\":\"purchased\",\"error\":null}'; exit 1")
        for api, buy, _ in APIS:
            with self.subTest(api=api):
                self.assertRaises(BadLine, buy, "X", executable=liar)

    def test_wrong_arguments_are_refused_before_anything_starts(self):
        missing = self.scratch / "never-started"
        cases = [
            (lambda buy, review: buy(42, executable=missing), TypeError),
            (lambda buy, review: review(executable=missing, window=-1), ValueError),
            (lambda buy, review: review(executable=missing, window=2 ** 64), ValueError),
            (lambda buy, review: review(executable=missing, window=True), TypeError),
            (lambda buy, review: review(executable=missing, window="4242"), TypeError),
            (lambda buy, review: buy("X", executable=missing, timeout=0), ValueError),
            (lambda buy, review: review(executable=missing, timeout=-1), ValueError),
            (lambda buy, review: buy("X", executable=missing, timeout=float("nan")), ValueError),
            (lambda buy, review: buy("X", executable=missing, timeout=float("inf")), ValueError),
            (lambda buy, review: buy("X", executable=missing, timeout="5"), TypeError),
        ]
        for (api, buy, review), (call, error) in ((api, case) for api in APIS for case in cases):
            with self.subTest(api=api, error=error):
                self.assertRaises(error, call, buy, review)


class Cancelling(Scratch):
    """A run cancelled mid-dialog (the simulated Store never answers) ends with its child, checked by process id."""

    def pending_buy(self):
        """A launcher that records the bridge's process id (exec keeps it), and the trace that shows it waiting."""
        pid_file, trace = self.scratch / "pid", self.scratch / "trace"
        launcher = self.script("pid-keeper", 'echo $$ > %s; exec %s "$@"' % (shlex.quote(str(pid_file)),
                                                                           shlex.quote(EXECUTABLE)))
        env = {"STORE_BRIDGE_SIM": "after=never", "STORE_BRIDGE_SIM_TRACE": str(trace)}
        return launcher, env, pid_file, trace

    @staticmethod
    async def waiting(trace):
        # The bridge has asked for the purchase and waits for the Store's answer.
        while not (trace.exists() and "put_Completed" in trace.read_text()):
            await asyncio.sleep(0.02)

    def test_a_cancelled_task_kills_the_bridge_and_waits_for_it(self):
        launcher, env, pid_file, trace = self.pending_buy()

        async def cancel_mid_dialog():
            task = asyncio.create_task(store_bridge.aio.buy("9NBLGGH4R315", executable=launcher, env=env))
            await asyncio.wait_for(self.waiting(trace), 5)
            pid = int(pid_file.read_text())
            self.assertFalse(pid_gone(pid))
            cancelled = time.monotonic()
            task.cancel()
            with self.assertRaises(asyncio.CancelledError):
                await task
            return pid, time.monotonic() - cancelled

        pid, took = asyncio.run(cancel_mid_dialog())
        self.assertTrue(pid_gone(pid), "the bridge outlived its cancelled task")
        self.assertLess(took, 0.5)

    def test_a_time_out_inside_or_outside_ends_the_bridge_the_same_way(self):
        cases = [
            ("wait_for", lambda buy: asyncio.wait_for(buy(), 0.5), asyncio.TimeoutError),
            ("timeout", lambda buy: buy(timeout=0.5), TimedOut),
        ]
        for name, call, error in cases:
            with self.subTest(name):
                launcher, env, pid_file, _ = self.pending_buy()

                def pending_buy(**options):
                    return store_bridge.aio.buy("X", executable=launcher, env=env, **options)

                async def give_up():
                    with self.assertRaises(error):
                        await call(pending_buy)

                asyncio.run(give_up())
                self.assertTrue(pid_gone(int(pid_file.read_text())))
                pid_file.unlink()

if __name__ == "__main__":
    unittest.main()
