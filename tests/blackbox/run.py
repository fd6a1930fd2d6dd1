#!/usr/bin/env python3
"""Runs the black-box cases against a build of the bridge.

    run.py --target native  --build DIR    DIR/store-bridge
    run.py --target windows --build DIR    DIR/store-bridge.exe under scripts/wine-run

For each case: the arguments go in; the exact standard output, an empty
standard error, the exit code and the time taken come out. A Windows run that
Wine could not start (its start-up error alone on standard error) is run once
more. Prints one line per case, then every failure's line once more, and
closes with "N passed, M failed" (", K skipped" for cases of the other
target); exits 1 when any case failed. The Windows target needs the
environment of scripts/with-wine; started without it, the runner restarts
itself inside one.
"""

import argparse
import json
import os
import pty
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import traceback
from pathlib import Path

from case import NATIVE, OWNER, WINDOWS
from cases import CASES
from schema import validate_progress_line, validate_result_line

ROOT = Path(__file__).resolve().parents[2]
WINE_RUN = ROOT / "scripts" / "wine-run"
WITH_WINE = ROOT / "scripts" / "with-wine"

WINE_START_FAILURE = re.compile(
    rb"(?:(?:[0-9a-f]{4,8}:)?err:virtual:\w+ wine: failed to map the shared user data: [0-9a-f]{8}\r?\n)+")

# The handle the portable target's scenario gives an owner window.
NATIVE_OWNER_HANDLE = 4242


class CaseFailure(Exception):
    pass


class WineStartFailure(CaseFailure):
    """Wine could not start the program: the case is Wine's, not the program's."""


class NativeTarget:
    name = NATIVE
    time_bounds = True  # off for sanitizer builds, whose every run is several times slower

    def __init__(self, build: Path):
        self.program = build / "store-bridge"
        self.system_text_program = build / "tests" / "support" / "system-text"
        self._texts = {}

    # Settings every run of the target gets.
    environment = {}

    def command(self, program, args):
        return [str(program), *args]

    def wine_start_failure(self, out: bytes, err: bytes) -> bool:
        return False

    def support_program(self, name) -> Path:
        return self.program.parent / "tests" / "support" / (name + self.program.suffix)

    def file_name(self, path: Path) -> str:
        return str(path)

    def system_text(self, code: int) -> bytes:
        if code not in self._texts:
            self._texts[code] = _system_text(self.command(self.system_text_program, ["0x%08X" % code]))
        return self._texts[code]

    def open_owner(self, owner):
        return DeclaredOwner(owner)

    def project_version(self) -> str:
        """The version CMake configured this build with: the one the program must report."""
        cache = (self.program.parent / "CMakeCache.txt").read_text(encoding="utf-8")
        for line in cache.splitlines():
            if line.startswith("CMAKE_PROJECT_VERSION:"):
                return line.split("=", 1)[1]
        raise CaseFailure("no CMAKE_PROJECT_VERSION in the build's CMakeCache.txt")


class WindowsTarget(NativeTarget):
    name = WINDOWS

    def __init__(self, build: Path):
        super().__init__(build)
        self.program = build / "store-bridge.exe"
        self.system_text_program = build / "tests" / "support" / "system-text.exe"
        self.owner_program = build / "tests" / "support" / "owner-window.exe"

    # Wine's one start-up failure met here: at random, more often on a loaded
    # machine, a new process cannot map its shared user data and ends with exit
    # code 1 before it runs. Its error channel is on so that such a run is known.
    environment = {"WINEDEBUG": "-all,err+virtual"}

    def command(self, program, args):
        return [str(WINE_RUN), str(program), *args]

    def wine_start_failure(self, out: bytes, err: bytes) -> bool:
        return not out and WINE_START_FAILURE.fullmatch(err) is not None

    def file_name(self, path: Path) -> str:
        # Drive Z: is the Unix root in every Wine prefix.
        return "Z:" + str(path.resolve()).replace("/", "\\")

    def open_owner(self, owner):
        return OwnerWindow(self, owner)


def _system_text(command) -> bytes:
    done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
    if done.returncode != 0 or done.stderr:
        raise CaseFailure("%s gave exit code %d, stderr %r" % (" ".join(command), done.returncode, done.stderr))
    return done.stdout


class DeclaredOwner:
    """The portable target's owner window: declared in the scenario."""

    def __init__(self, owner):
        self.handle = NATIVE_OWNER_HANDLE
        left, top, right, bottom = owner.rect
        item = "window=%d:%d,%d,%d,%d" % (self.handle, left, top, right, bottom)
        if owner.close_after_ms is not None:
            item += ":close=%d" % owner.close_after_ms
        if owner.exit_after_ms is not None:
            item += ":exit=%d" % owner.exit_after_ms
        self.scenario_item = item

    def started(self, case_start):
        pass

    def close(self):
        pass


class OwnerWindow:
    """A real window of another process under Wine (tests/support/owner_window.cpp)."""

    def __init__(self, target, owner):
        self.owner = owner
        self.scenario_item = None
        self.timers = []
        self.process = subprocess.Popen(
            target.command(target.owner_program, [str(edge) for edge in owner.rect]),
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        line = _read_line(self.process.stdout, deadline=time.monotonic() + 15)
        if not line.strip().isdigit():
            self.close()
            raise CaseFailure("owner window gave no handle: %r, stderr %r" % (line, self.process.stderr.read()))
        self.handle = int(line)

    def started(self, case_start):
        for after_ms, word in ((self.owner.close_after_ms, b"close"), (self.owner.exit_after_ms, b"exit")):
            if after_ms is not None:
                delay = case_start + after_ms / 1000 - time.monotonic()
                timer = threading.Timer(max(delay, 0), self._send, [word])
                timer.start()
                self.timers.append(timer)

    def _send(self, word):
        try:
            self.process.stdin.write(word + b"\n")
            self.process.stdin.flush()
        except (BrokenPipeError, ValueError):
            pass

    def close(self):
        for timer in self.timers:
            timer.cancel()
            timer.join()
        try:
            self.process.stdin.close()
        except BrokenPipeError:
            pass
        try:
            self.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()


def _read_line(stream, deadline) -> bytes:
    line = b""
    while not line.endswith(b"\n"):
        remaining = deadline - time.monotonic()
        if remaining <= 0 or not select.select([stream], [], [], remaining)[0]:
            break
        byte = os.read(stream.fileno(), 1)
        if not byte:
            break
        line += byte
    return line


def strict_json_object(text: bytes):
    """Exactly one JSON object: UTF-8, nothing before or after it, no duplicate
    members, no NaN or Infinity."""

    def no_duplicates(pairs):
        keys = [key for key, _ in pairs]
        if len(keys) != len(set(keys)):
            raise ValueError("duplicate member")
        return dict(pairs)

    def no_constant(name):
        raise ValueError("not JSON: %s" % name)

    decoded = text.decode("utf-8")
    decoder = json.JSONDecoder(object_pairs_hook=no_duplicates, parse_constant=no_constant)
    value, end = decoder.raw_decode(decoded)
    if end != len(decoded):
        raise ValueError("bytes after the object: %r" % decoded[end:])
    if not isinstance(value, dict):
        raise ValueError("not an object")
    return value


def read_trace(path: Path):
    if not path.exists():
        return []
    records = []
    for number, line in enumerate(path.read_bytes().split(b"\n")[:-1], 1):
        try:
            records.append(strict_json_object(line))
        except ValueError as error:
            raise CaseFailure("trace line %d is no JSON object (%s): %r" % (number, error, line))
    return records


def run_case(case, target, scratch: Path):
    environment = dict(os.environ)
    environment.pop("STORE_BRIDGE_SIM", None)
    environment.pop("STORE_BRIDGE_SIM_TRACE", None)
    environment.pop("STORE_BRIDGE_SIM_FILE", None)
    environment.update(target.environment)
    environment.update(case.env)
    scenario = [case.sim] if case.sim is not None else []
    case_folder = Path(tempfile.mkdtemp(dir=scratch))
    trace_path = case_folder / "trace.jsonl"
    if case.sim_file is not None:
        scenario_file = case_folder / "scenario.txt"
        scenario_file.write_bytes(case.sim_file)
        environment["STORE_BRIDGE_SIM_FILE"] = target.file_name(scenario_file)
    if case.trace:
        environment["STORE_BRIDGE_SIM_TRACE"] = target.file_name(trace_path)

    owner = target.open_owner(case.owner) if case.owner else None
    try:
        args = list(case.args)
        if owner:
            args = [arg.replace(OWNER, str(owner.handle)) if isinstance(arg, str) else arg for arg in args]
            if owner.scenario_item:
                scenario.append(owner.scenario_item)
        if scenario:
            environment["STORE_BRIDGE_SIM"] = ";".join(scenario)
        program = target.support_program(case.program) if case.program else target.program
        result = launch(target.command(program, args), environment, case, owner)
    finally:
        if owner:
            owner.close()

    code, out, err, _ = result
    if target.wine_start_failure(out, err):
        raise WineStartFailure("Wine could not start it, exit code %d: %r" % (code, err))
    problems, generated = check(case, target, *result)
    if case.trace and not problems:
        handles = {"owner": owner.handle} if owner else {}
        try:
            case.trace(read_trace(trace_path), {**handles, **generated})
        except AssertionError as error:
            problems.append("trace: %s" % error)
    if problems:
        raise CaseFailure("; ".join(problems))


def nonblocking_output(kind):
    """A pipe or a socket pair: (the host's end, the bridge's end with O_NONBLOCK set)."""
    if kind == "pipe":
        read_end, write_end = os.pipe()
    else:
        host, bridge = socket.socketpair()
        read_end, write_end = host.detach(), bridge.detach()
    os.set_blocking(write_end, False)
    return read_end, write_end


def read_slowly(descriptor, deadline):
    """Reads to the end as a slow host does, 4 KiB a millisecond, so that the
    bridge finds its standard output full again and again."""
    out = b""
    while True:
        remaining = deadline - time.monotonic()
        if remaining <= 0 or not select.select([descriptor], [], [], remaining)[0]:
            raise subprocess.TimeoutExpired("read", remaining)
        piece = os.read(descriptor, 4096)
        if not piece:
            return out
        out += piece
        time.sleep(0.001)


def launch(command, environment, case, owner):
    """Runs the bridge once; returns (exit code, stdout, stderr, milliseconds)."""
    stdout = subprocess.PIPE
    if case.stdout_closed:
        read_end, stdout = os.pipe()
    if case.slow_reader:
        read_end, stdout = nonblocking_output(case.slow_reader)
    stdin = subprocess.DEVNULL if case.stdin is None else subprocess.PIPE
    controller = None
    if case.stdin_kind == "closed":
        command = ["/bin/sh", "-c", 'exec "$@" 0<&-', "sh", *command]
    elif case.stdin_kind == "terminal":
        controller, stdin = pty.openpty()
    start = time.monotonic()
    deadline = start + case.time_limit
    process = subprocess.Popen(command, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE, env=environment,
                               start_new_session=True)
    if controller is not None:
        os.close(stdin)
    if case.stdout_closed or case.slow_reader:
        os.close(stdout)
    if case.stdout_closed:
        os.close(read_end)
    if owner:
        owner.started(start)
    try:
        slow_out = read_slowly(read_end, deadline) if case.slow_reader else None
        # A bridge that refuses a long input before reading it all closes the
        # pipe: communicate() takes that as the end of the writing.
        out, err = process.communicate(input=case.stdin, timeout=max(deadline - time.monotonic(), 0))
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        raise CaseFailure("still running after %g s, killed" % case.time_limit)
    finally:
        if case.slow_reader:
            os.close(read_end)
        if controller is not None:
            os.close(controller)
    milliseconds = (time.monotonic() - start) * 1000
    return process.returncode, slow_out or out or b"", err, milliseconds


def check(case, target, code, out, err, milliseconds):
    """The problems of the run, and the parts of its line that it generated."""
    problems = []
    generated = case.stdout.match(out, target)
    if code != case.exit:
        problems.append("exit code %d, expected %d" % (code, case.exit))
    if generated is None:
        problems.append("stdout %r, expected %r" % (out, case.stdout.resolve(target)))
    if err:
        problems.append("stderr %r" % err)
    # Progress lines, each ending in a line break, then the result line without one.
    *progress_lines, last = out.split(b"\n")
    for progress in progress_lines:
        try:
            validate_progress_line(strict_json_object(progress))
        except ValueError as error:
            problems.append("progress line %r is not one: %s" % (progress, error))
    if last:
        try:
            line = strict_json_object(last)
        except ValueError as error:
            problems.append("stdout is not one JSON object: %s" % error)
        else:
            try:
                validate_result_line(line)
            except ValueError as error:
                problems.append("stdout does not fit the result-line schema: %s" % error)
    if target.time_bounds and case.min_ms is not None and milliseconds < case.min_ms:
        problems.append("took %.0f ms, expected at least %d" % (milliseconds, case.min_ms))
    if target.time_bounds and case.max_ms is not None and milliseconds > case.max_ms:
        problems.append("took %.0f ms, expected at most %d" % (milliseconds, case.max_ms))
    return problems, generated or {}


def run_all(target, names):
    seen = set()
    for case in CASES:
        if case.name in seen:
            sys.exit("run.py: two cases are named %r" % case.name)
        seen.add(case.name)

    passed = skipped = 0
    failures = []
    with tempfile.TemporaryDirectory(prefix="store-bridge-blackbox-") as scratch:
        for case in CASES:
            if names and not any(name in case.name for name in names):
                continue
            if target.name not in case.targets:
                skipped += 1
                print("skip  %s (not on %s)" % (case.name, target.name), flush=True)
                continue
            try:
                try:
                    run_case(case, target, Path(scratch))
                except WineStartFailure as failure:
                    # Once: a second such run fails the case.
                    print("again %s: %s" % (case.name, failure), flush=True)
                    run_case(case, target, Path(scratch))
            except Exception as failure:
                # A fault of the runner's or of a case's checks fails the case too, with its
                # traceback, and the run goes on.
                reason = failure if isinstance(failure, CaseFailure) else traceback.format_exc().rstrip()
                failures.append("FAIL  %s: %s" % (case.name, reason))
                print(failures[-1], flush=True)
            else:
                passed += 1
                print("ok    %s" % case.name, flush=True)
    # Again at the end, where a log cut short in the middle still shows them.
    for failure in failures:
        print(failure, flush=True)
    print("%d passed, %d failed" % (passed, len(failures)) + (", %d skipped" % skipped if skipped else ""), flush=True)
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--target", choices=[NATIVE, WINDOWS], required=True)
    parser.add_argument("--build", type=Path, required=True, help="the build folder")
    parser.add_argument("-k", dest="names", action="append", default=[],
                        help="run only cases whose name contains this text (repeatable)")
    parser.add_argument("--no-time-bounds", action="store_true",
                        help="skip the cases' duration checks (for sanitizer builds)")
    options = parser.parse_args()
    build = options.build.resolve()

    if options.target == WINDOWS:
        if not os.environ.get("STORE_BRIDGE_WINE_READY"):
            os.environ["STORE_BRIDGE_WINDOWS_BUILD"] = str(build)
            os.execv(str(WITH_WINE), [str(WITH_WINE), sys.executable, *sys.argv])
        registered = Path(os.environ.get("STORE_BRIDGE_WINDOWS_BUILD", "")).resolve()
        if registered != build:
            sys.exit("run.py: the Wine environment serves the simulated Store of %s, not of %s"
                     % (registered, build))
        target = WindowsTarget(build)
    else:
        target = NativeTarget(build)

    if not target.program.exists():
        sys.exit("run.py: %s does not exist" % target.program)
    target.time_bounds = not options.no_time_bounds
    return run_all(target, options.names)


if __name__ == "__main__":
    sys.exit(main())
