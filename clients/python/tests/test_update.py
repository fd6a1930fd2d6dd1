"""update, synchronous and asyncio: its standard output read as progress lines before the result line, with stand-in
bridges that write what the real one may."""

import asyncio
import json
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

import store_bridge  # noqa: E402
import store_bridge.aio  # noqa: E402
from store_bridge import (BadLine, ClosedForUpdate, NoLine, PackageState, QueryFailure, Failure,  # noqa: E402
                          UpdateProgress, UpdateStatusResult)
from store_bridge._invocation import UpdateStream  # noqa: E402

NOTES = "Contoso.Notes_8wekyb3d8bbwe"
DICTIONARY = "Contoso.Notes.Dictionary_8wekyb3d8bbwe"
COMPLETED = {"status": "completed", "packages": [{"packageFamilyName": NOTES, "state": "completed"}], "error": None}
COMPLETED_RESULT = UpdateStatusResult("completed", (PackageState(NOTES, "completed"),))
NO_UPDATES = {"status": "noUpdates", "packages": [], "error": None}


def report(state, fraction, family_name=NOTES):
    return UpdateProgress(family_name, state, fraction, fraction / 2, round(5678 * fraction), 5678)


def progress_line(progress):
    return json.dumps({"progress": {
        "packageFamilyName": progress.package_family_name, "state": progress.state,
        "packageProgress": progress.package_progress, "totalProgress": progress.total_progress,
        "bytesDownloaded": progress.bytes_downloaded, "downloadSize": progress.download_size,
    }}, ensure_ascii=False) + "\n"


def result_line(obj):
    return json.dumps(obj, separators=(",", ":"))


DOWNLOADING = report("downloading", 0.5)
DEPLOYING = report("deploying", 1.0)


def splits(data):
    """Every way of cutting the bytes into two or three chunks: a line break, a multi-byte letter or the result line
    may fall anywhere."""
    for first in range(len(data) + 1):
        for second in range(first, len(data) + 1, 7):
            yield [data[:first], data[first:second], data[second:]]


def streamed(chunks, exit_code):
    """What the stream hands on and ends with for stdout fed in these chunks: (reports, result or exception)."""
    reports = []
    stream = UpdateStream(reports.append)
    try:
        for chunk in chunks:
            stream.feed(chunk)
        return reports, stream.finish(exit_code)
    except Exception as error:  # noqa: BLE001 - the error is the outcome
        return reports, error


class Stream(unittest.TestCase):
    def test_progress_lines_are_handed_on_and_the_rest_is_the_result_however_stdout_is_cut(self):
        accented = report("downloading", 0.25, 'Zé"\\.Notes_8wekyb3d8bbwe')
        cases = [
            (progress_line(DOWNLOADING) + progress_line(DEPLOYING) + result_line(COMPLETED), 0,
             [DOWNLOADING, DEPLOYING], COMPLETED_RESULT),
            (progress_line(accented) + result_line(COMPLETED), 0, [accented], COMPLETED_RESULT),
            # A result line without progress: the check found nothing, or the Store reported none.
            (result_line(NO_UPDATES), 0, [], UpdateStatusResult("noUpdates", ())),
            (result_line(COMPLETED), 0, [], COMPLETED_RESULT),
            (progress_line(DOWNLOADING) + '{"status":"error","code":null,"error":"owner closed"}', 1, [DOWNLOADING],
             QueryFailure(None, "owner closed")),
            (progress_line(DEPLOYING) + '{"status":"error","updated":false,"error":"crash"}', 1, [DEPLOYING],
             Failure("crash", False)),
        ]
        for stdout, exit_code, reports, result in cases:
            for chunks in splits(stdout.encode()):
                with self.subTest(stdout=stdout, cut=[len(chunk) for chunk in chunks]):
                    self.assertEqual(streamed(chunks, exit_code), (reports, result))

    def test_without_a_result_line_closed_for_update_only_after_a_deploying_report(self):
        installing = report("deploying", 0.25, DICTIONARY)
        # (stdout, exit code, the reports, the error, the last progress)
        cases = [
            ("", 1, [], NoLine, None),
            (progress_line(DOWNLOADING), 1, [DOWNLOADING], NoLine, None),
            (progress_line(report("downloading", 0.2)) + progress_line(DOWNLOADING), -9,
             [report("downloading", 0.2), DOWNLOADING], NoLine, None),
            (progress_line(DOWNLOADING) + progress_line(DEPLOYING), 1, [DOWNLOADING, DEPLOYING], ClosedForUpdate,
             DEPLOYING),
            (progress_line(DEPLOYING), -9, [DEPLOYING], ClosedForUpdate, DEPLOYING),
            # One package installs while another still downloads: the last report is carried, whatever its state.
            (progress_line(installing) + progress_line(DOWNLOADING), 0, [installing, DOWNLOADING], ClosedForUpdate,
             DOWNLOADING),
        ]
        for stdout, exit_code, reports, error, last in cases:
            for chunks in splits(stdout.encode()):
                with self.subTest(stdout=stdout, cut=[len(chunk) for chunk in chunks]):
                    handed, raised = streamed(chunks, exit_code)
                    self.assertEqual(handed, reports)
                    self.assertIs(type(raised), error)
                    self.assertEqual(getattr(raised, "last_progress", None), last)
                    self.assertEqual((raised.exit_code, raised.output), (exit_code, stdout.encode()))

    def test_a_malformed_progress_line_is_a_bad_line_the_reports_before_it_handed_on(self):
        bad = progress_line(DOWNLOADING).replace('"totalProgress": 0.25', '"totalProgress": 1.5')
        self.assertNotEqual(bad, progress_line(DOWNLOADING))
        cases = [
            progress_line(DOWNLOADING) + bad + result_line(COMPLETED),
            progress_line(DOWNLOADING) + bad,
            # A result line is last and has no line break.
            progress_line(DOWNLOADING) + result_line(COMPLETED) + "\n",
            # A progress line that lost its line break is no result line.
            progress_line(DOWNLOADING) + progress_line(DEPLOYING).rstrip("\n"),
        ]
        for stdout in cases:
            for chunks in splits(stdout.encode()):
                with self.subTest(stdout=stdout, cut=[len(chunk) for chunk in chunks]):
                    handed, raised = streamed(chunks, 0)
                    self.assertEqual(handed, [DOWNLOADING])
                    self.assertIs(type(raised), BadLine)


def in_asyncio(call):
    return lambda *arguments, **options: asyncio.run(call(*arguments, **options))


# Every run goes through both.
APIS = [("sync", store_bridge.update), ("asyncio", in_asyncio(store_bridge.aio.update))]


class StandIn(unittest.TestCase):
    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="store-bridge-update-"))

    def tearDown(self):
        shutil.rmtree(self.scratch)

    def bridge(self, name, output):
        """A stand-in bridge that records its arguments, one a line, then runs the shell lines given."""
        file = self.scratch / name
        file.write_text("#!/bin/sh\nprintf '%%s\\n' \"$@\" > '%s.args'\n%s\n" % (file, output))
        file.chmod(0o755)
        return file

    def arguments(self, name):
        return (self.scratch / (name + ".args")).read_text().splitlines()


def printed(text):
    # The lines written here hold no single quote.
    return "printf '%%s' '%s'" % text


class Runs(StandIn):
    def test_update_always_asks_for_progress_with_the_flags_before_the_window(self):
        cases = [
            ({}, ["update", "--progress"]),
            ({"window": 4242}, ["update", "--progress", "4242"]),
            ({"download_only": True, "window": 0x100001092}, ["update", "--download-only", "--progress", "4294971538"]),
            ({"silent": True, "download_only": True}, ["update", "--download-only", "--silent", "--progress"]),
            ({"silent": False, "window": 2 ** 64 - 1}, ["update", "--progress", str(2 ** 64 - 1)]),
        ]
        executable = self.bridge("arguments", printed(result_line(NO_UPDATES)))
        for (api, update), (options, expected) in ((api, case) for api in APIS for case in cases):
            with self.subTest(api=api, options=options):
                self.assertEqual(update(**options, executable=executable), UpdateStatusResult("noUpdates", ()))
                self.assertEqual(self.arguments("arguments"), expected)

    def test_each_report_reaches_on_progress_while_the_bridge_still_runs(self):
        # The stand-in writes its result only once the host has seen the report: a client that waited for the end
        # of the run would wait until its time-out.
        seen = self.scratch / "seen"
        executable = self.bridge("waits-for-host", "\n".join([
            printed(progress_line(DOWNLOADING)),
            "while [ ! -e '%s' ]; do sleep 0.02; done" % seen,
            printed(progress_line(DEPLOYING) + result_line(COMPLETED)),
        ]))
        for api, update in APIS:
            with self.subTest(api=api):
                reports = []

                def show(progress):
                    reports.append(progress)
                    seen.touch()

                self.assertEqual(update(on_progress=show, executable=executable, timeout=10), COMPLETED_RESULT)
                self.assertEqual(reports, [DOWNLOADING, DEPLOYING])
                seen.unlink()

    def test_a_bridge_that_goes_while_installing_raises_closed_for_update(self):
        # (name, shell lines, the error, exit code, the last progress)
        cases = [
            ("closed-deploying", printed(progress_line(DOWNLOADING) + progress_line(DEPLOYING)) + "\nexit 1",
             ClosedForUpdate, 1, DEPLOYING),
            ("killed-deploying", printed(progress_line(DEPLOYING)) + "\nkill -9 $$", ClosedForUpdate, -9, DEPLOYING),
            ("closed-downloading", printed(progress_line(DOWNLOADING)) + "\nexit 1", NoLine, 1, None),
        ]
        for (api, update), (name, output, error, exit_code, last) in ((api, case) for api in APIS for case in cases):
            with self.subTest(api=api, case=name):
                with self.assertRaises(error) as raised:
                    update(executable=self.bridge(name, output))
                self.assertIs(type(raised.exception), error)
                self.assertEqual(raised.exception.exit_code, exit_code)
                self.assertEqual(getattr(raised.exception, "last_progress", None), last)

    def test_a_bad_progress_line_or_a_raising_on_progress_ends_the_run_with_that_error(self):
        class Gone(Exception):
            pass

        def raising(progress):
            raise Gone(progress)

        # The stand-in sleeps in its own process (exec) and would write nothing more: the call must not wait for it.
        cases = [
            ("bad-progress", printed(progress_line(DOWNLOADING).replace("1234", "-1").replace("2839", "-1")), None,
             BadLine),
            ("raising-host", printed(progress_line(DOWNLOADING)), raising, Gone),
        ]
        for (api, update), (name, output, on_progress, error) in ((api, case) for api in APIS for case in cases):
            with self.subTest(api=api, case=name):
                executable = self.bridge(name, output + "\nexec sleep 30")
                started = time.monotonic()
                with self.assertRaises(error):
                    update(on_progress=on_progress, executable=executable, timeout=20)
                self.assertLess(time.monotonic() - started, 5)

    def test_the_time_out_kills_a_run_that_reports_and_keeps_what_came(self):
        executable = self.bridge("stalls", printed(progress_line(DOWNLOADING)) + "\nexec sleep 30")
        for api, update in APIS:
            with self.subTest(api=api):
                reports = []
                started = time.monotonic()
                with self.assertRaises(store_bridge.TimedOut) as raised:
                    update(on_progress=reports.append, executable=executable, timeout=0.5)
                self.assertLess(time.monotonic() - started, 5)
                self.assertEqual(reports, [DOWNLOADING])
                self.assertEqual(raised.exception.output, progress_line(DOWNLOADING).encode())

    def test_wrong_arguments_are_refused_before_anything_starts(self):
        executable = self.bridge("refused", "touch '%s'" % (self.scratch / "started"))
        cases = [
            ({"download_only": "yes"}, TypeError),
            ({"download_only": 1}, TypeError),
            ({"silent": None}, TypeError),
            ({"on_progress": "bar"}, TypeError),
            ({"window": -1}, ValueError),
            ({"window": "4242"}, TypeError),
            ({"timeout": 0}, ValueError),
        ]
        for (api, update), (options, error) in ((api, case) for api in APIS for case in cases):
            with self.subTest(api=api, options=options):
                with self.assertRaises(error):
                    update(**options, executable=executable)
        self.assertFalse((self.scratch / "started").exists())


if __name__ == "__main__":
    unittest.main()
