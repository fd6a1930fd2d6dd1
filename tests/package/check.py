#!/usr/bin/env python3
"""Checks the artifacts of scripts/package the way their users meet them.

    check.py --dist DIR --windows-build DIR

Runs inside scripts/with-wine (it restarts itself there): the Windows build
provides the simulated Store that the prefix registers and the support program
that reads a version resource back. Prints one line per check and exits 1 when
any failed.
"""

import argparse
import hashlib
import json
import os
import re
import subprocess
import sys
import tarfile
import tempfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WITH_WINE = ROOT / "scripts" / "with-wine"
WINE_RUN = ROOT / "scripts" / "wine-run"
SYSTEM_PYTHON = "/usr/bin/python3"
EXE_SIZE_LIMIT = 512 * 1024
STORE_ID = "9NBLGGH4R315"
PURCHASED = {"status": "purchased", "error": None}


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


def run(command, timeout=120, **options):
    done = subprocess.run([str(part) for part in command], stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=timeout, **options)
    if done.returncode != 0:
        raise Failure("%s: exit code %d\n%s%s" % (" ".join(map(str, command)), done.returncode,
                                                    done.stdout.decode(errors="replace"),
                                                    done.stderr.decode(errors="replace")))
    return done.stdout


def project_version(build: Path) -> str:
    for line in (build / "CMakeCache.txt").read_text(encoding="utf-8").splitlines():
        if line.startswith("CMAKE_PROJECT_VERSION:"):
            return line.split("=", 1)[1]
    raise SystemExit("check.py: no CMAKE_PROJECT_VERSION in %s" % build)


def one_line(output: bytes):
    expect(output and not output.endswith(b"\n"), "not one line without a line break: %r" % output)
    return json.loads(output)


class Artifacts:
    def __init__(self, dist: Path, version: str):
        self.dist = dist
        self.version = version
        self.zip = dist / ("store-bridge-%s-windows-x64.zip" % version)
        self.npm = dist / ("store-bridge-client-%s.tgz" % version)
        self.windows_wheel = dist / ("store_bridge-%s-py3-none-win_amd64.whl" % version)
        self.linux_wheels = sorted(dist.glob("store_bridge-%s-py3-none-manylinux_*_x86_64.whl" % version))
        self.sdist = dist / ("store_bridge-%s.tar.gz" % version)

    def exe(self) -> bytes:
        with zipfile.ZipFile(self.zip) as archive:
            return archive.read("store-bridge-%s-windows-x64/store-bridge.exe" % self.version)

    def npm_member(self, name) -> tarfile.TarInfo:
        with tarfile.open(self.npm) as archive:
            return archive.getmember("package/" + name)

    def npm_file(self, name) -> bytes:
        with tarfile.open(self.npm) as archive:
            return archive.extractfile("package/" + name).read()

    def linux_wheel(self) -> Path:
        expect(len(self.linux_wheels) == 1, "expected one Linux wheel, found %s" % self.linux_wheels)
        return self.linux_wheels[0]


def check_sums(a: Artifacts, scratch: Path):
    listed = {}
    for line in (a.dist / "SHA256SUMS").read_text(encoding="ascii").splitlines():
        digest, name = line.split("  ", 1)
        listed[name] = digest
    present = {path.name for path in a.dist.iterdir() if path.name != "SHA256SUMS"}
    expect(set(listed) == present, "SHA256SUMS lists %s, dist holds %s" % (sorted(listed), sorted(present)))
    for name, digest in listed.items():
        expect(hashlib.sha256((a.dist / name).read_bytes()).hexdigest() == digest, "%s: wrong sum" % name)
    wanted = [a.zip, a.npm, a.windows_wheel, a.linux_wheel(), a.sdist]
    expect(present == {path.name for path in wanted}, "artifacts %s, expected %s" % (sorted(present), wanted))


def check_zip(a: Artifacts, scratch: Path):
    folder = "store-bridge-%s-windows-x64/" % a.version
    with zipfile.ZipFile(a.zip) as archive:
        names = archive.namelist()
        expect(sorted(names) == [folder + "LICENSE", folder + "README.txt", folder + "store-bridge.exe"],
               "zip holds %s" % names)
        expect(archive.read(folder + "LICENSE") == (ROOT / "LICENSE").read_bytes(), "LICENSE differs")
        readme = archive.read(folder + "README.txt").decode("utf-8")
        expect("store-bridge %s" % a.version in readme and "MIT" in readme, "README.txt lacks version or licence")
    # The words come from the command table itself: a command added there must reach the zip.
    table = (ROOT / "src" / "app" / "commands.cpp").read_text(encoding="utf-8")
    words = re.findall(r'^\s*\{WIDE\("(\w+)"\)', table, re.MULTILINE)
    expect(words, "no command found in src/app/commands.cpp")
    unlisted = [word for word in words if not re.search(r"^ +store-bridge %s\b" % word, readme, re.MULTILINE)]
    expect(not unlisted, "README.txt lacks the commands %s" % unlisted)
    exe = a.exe()
    expect(len(exe) <= EXE_SIZE_LIMIT, "store-bridge.exe is %d bytes, more than %d" % (len(exe), EXE_SIZE_LIMIT))
    header = int.from_bytes(exe[0x3C:0x40], "little")
    expect(exe[header:header + 4] == b"PE\0\0", "no PE header")
    stamp = int.from_bytes(exe[header + 8:header + 12], "little")
    expect(stamp == 0, "PE time stamp %d, expected none" % stamp)
    print("      store-bridge.exe: %d bytes (%.0f KiB of %d)" % (len(exe), len(exe) / 1024, EXE_SIZE_LIMIT // 1024))


def check_same_programs(a: Artifacts, scratch: Path):
    exe = a.exe()
    expect(a.npm_file("bin/win32-x64/store-bridge.exe") == exe, "the npm package's exe differs from the zip's")
    with zipfile.ZipFile(a.windows_wheel) as wheel:
        expect(wheel.read("store_bridge/bin/store-bridge.exe") == exe, "the Windows wheel's exe differs from the zip's")
    linux = a.npm_file("bin/linux-x64/store-bridge")
    with zipfile.ZipFile(a.linux_wheel()) as wheel:
        expect(wheel.read("store_bridge/bin/store-bridge") == linux,
               "the Linux wheel's program differs from the npm package's")
        mode = wheel.getinfo("store_bridge/bin/store-bridge").external_attr >> 16
        expect(mode & 0o111, "the Linux wheel's program is not executable (mode %o)" % mode)
    expect(a.npm_member("bin/linux-x64/store-bridge").mode & 0o111, "the npm package's Linux program is not executable")


def check_metadata(a: Artifacts, scratch: Path):
    manifest = json.loads(a.npm_file("package.json"))
    expect(manifest.get("version") == a.version, "package.json version %r" % manifest.get("version"))
    expect(manifest.get("license") == "MIT", "package.json licence %r" % manifest.get("license"))
    expect(a.npm_file("LICENSE") == (ROOT / "LICENSE").read_bytes(), "the npm package's LICENSE differs")
    for wheel_path, tag in ((a.windows_wheel, "win_amd64"), (a.linux_wheel(), None)):
        with zipfile.ZipFile(wheel_path) as wheel:
            info = "store_bridge-%s.dist-info/" % a.version
            metadata = wheel.read(info + "METADATA").decode("utf-8")
            expect("\nVersion: %s\n" % a.version in metadata, "%s: METADATA version" % wheel_path.name)
            expect("\nLicense: MIT\n" in metadata, "%s: METADATA licence" % wheel_path.name)
            expect(any(name.startswith(info) and "LICENSE" in name for name in wheel.namelist()),
                   "%s carries no LICENSE" % wheel_path.name)
            expect("Root-Is-Purelib: false" in wheel.read(info + "WHEEL").decode(), "%s is tagged pure" % wheel_path)
            expect("store_bridge/py.typed" in wheel.namelist(), "%s has no py.typed" % wheel_path.name)
    with tarfile.open(a.sdist) as sdist:
        pkg_info = sdist.extractfile("store_bridge-%s/PKG-INFO" % a.version).read().decode("utf-8")
        expect("\nVersion: %s\n" % a.version in pkg_info, "sdist PKG-INFO version")


def check_glibc_tag(a: Artifacts, scratch: Path):
    """The Linux wheel's tag promises the oldest glibc its program runs on."""
    tag = re.search(r"manylinux_(\d+)_(\d+)_x86_64", a.linux_wheel().name)
    program = scratch / "store-bridge"
    program.write_bytes(a.npm_file("bin/linux-x64/store-bridge"))
    symbols = run(["objdump", "-T", program]).decode()
    needed = max((tuple(map(int, found)) for found in re.findall(r"GLIBC_(\d+)\.(\d+)", symbols)), default=(0, 0))
    expect(needed == (int(tag[1]), int(tag[2])),
           "the program needs glibc %d.%d, the wheel is tagged %s" % (*needed, tag[0]))


def check_npm_install(a: Artifacts, scratch: Path):
    """A host project installs the tarball with no network and buys through the resolved program."""
    project = scratch / "npm-host"
    project.mkdir()
    (project / "package.json").write_text('{"name": "host", "version": "1.0.0", "private": true}\n')
    environment = {**os.environ, "npm_config_cache": str(scratch / "npm-cache"), "npm_config_offline": "true",
                   "npm_config_audit": "false", "npm_config_fund": "false", "npm_config_update_notifier": "false"}
    run(["npm", "install", a.npm], cwd=project, env=environment, timeout=300)
    script = ("const bridge = require('store-bridge-client');"
              "bridge.buy(%r, {}).then((result) => process.stdout.write(JSON.stringify("
              "{ result, exe: bridge.exePath() })));" % STORE_ID)
    outcome = json.loads(run(["node", "-e", script], cwd=project))
    expected_exe = project / "node_modules" / "store-bridge-client" / "bin" / "linux-x64" / "store-bridge"
    expect(outcome["exe"] == str(expected_exe), "exePath() gave %s" % outcome["exe"])
    result = outcome["result"]
    expect((result["status"], result["error"], result["exitCode"]) == ("purchased", None, 0),
           "buy through the npm package gave %s" % result)


def check_wheel_install(a: Artifacts, scratch: Path):
    """A fresh virtual environment installs the Linux wheel with no index and buys through its program."""
    venv = scratch / "venv"
    run([SYSTEM_PYTHON, "-m", "venv", venv], timeout=300)
    run([venv / "bin" / "pip", "install", "--no-index", "--disable-pip-version-check", a.linux_wheel()], timeout=300)
    script = ("import json, store_bridge;"
              "result = store_bridge.buy(%r);"
              "print(json.dumps({'status': result.status, 'error': result.error, 'exit_code': result.exit_code,"
              " 'exe': str(store_bridge.exe_path())}))" % STORE_ID)
    outcome = json.loads(run([venv / "bin" / "python", "-c", script], cwd=scratch))
    expect(Path(outcome["exe"]).is_relative_to(venv), "exe_path() gave %s, outside the environment" % outcome["exe"])
    expect((outcome["status"], outcome["error"], outcome["exit_code"]) == ("purchased", None, 0),
           "buy through the wheel gave %s" % outcome)


def check_exe_under_wine(a: Artifacts, scratch: Path, windows_build: Path):
    exe = scratch / "store-bridge.exe"
    exe.write_bytes(a.exe())
    reported = one_line(run([WINE_RUN, exe, "version"]))
    # Whether Wine's token counts as elevated is Wine's to say; that the token was read (a boolean, not null) is ours.
    elevated = reported.get("elevated")
    expect(isinstance(elevated, bool), "store-bridge version could not read its token's elevation: %s" % reported)
    expect(list(reported) == ["status", "version", "package", "elevated", "error"]
           and reported == {"status": "ok", "version": a.version, "package": None, "elevated": elevated, "error": None},
           "store-bridge version gave %s" % reported)
    expect(one_line(run([WINE_RUN, exe, "buy", STORE_ID])) == PURCHASED, "buy under Wine did not purchase")

    resource = json.loads(run([WINE_RUN, windows_build / "tests" / "support" / "version-resource.exe", exe]))
    numeric = reported["version"] + ".0"
    expect(resource["fileVersion"] == numeric and resource["productVersion"] == numeric,
           "fixed versions %s / %s, expected %s" % (resource["fileVersion"], resource["productVersion"], numeric))
    expect(resource["FileVersion"] == reported["version"] and resource["ProductVersion"] == reported["version"],
           "version strings %s / %s" % (resource["FileVersion"], resource["ProductVersion"]))
    expect(resource["fileType"] == 1, "file type %d, expected an application" % resource["fileType"])
    for name in ("FileDescription", "LegalCopyright", "ProductName"):
        expect(resource[name], "no %s" % name)
    expect(resource["ProductName"] == "store-bridge" and "MIT" in resource["LegalCopyright"],
           "product %r, copyright %r" % (resource["ProductName"], resource["LegalCopyright"]))
    manifest = resource["manifest"]
    for needed in ('level="asInvoker"', '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>',
                   ">PerMonitorV2</dpiAwareness>"):
        expect(needed in manifest, "the manifest lacks %s" % needed)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dist", type=Path, required=True)
    parser.add_argument("--windows-build", type=Path, required=True)
    options = parser.parse_args()
    windows_build = options.windows_build.resolve()
    if not os.environ.get("STORE_BRIDGE_WINE_READY"):
        os.environ["STORE_BRIDGE_WINDOWS_BUILD"] = str(windows_build)
        os.execv(str(WITH_WINE), [str(WITH_WINE), sys.executable, *sys.argv])

    artifacts = Artifacts(options.dist.resolve(), project_version(windows_build))
    checks = [
        ("SHA256SUMS covers exactly the artifacts", check_sums),
        ("zip: exe, LICENSE, README.txt listing every command; exe within its size and without a time stamp",
         check_zip),
        ("one exe in the zip, the npm package and the Windows wheel; one Linux program", check_same_programs),
        ("every package carries the version and the licence", check_metadata),
        ("the Linux wheel is tagged for the glibc its program needs", check_glibc_tag),
        ("npm install of the tarball, buy through the resolved program", check_npm_install),
        ("pip install of the Linux wheel, buy through the resolved program", check_wheel_install),
        ("the exe under Wine: version, buy, version resource and manifest",
         lambda a, scratch: check_exe_under_wine(a, scratch, windows_build)),
    ]
    failed = 0
    for name, check in checks:
        with tempfile.TemporaryDirectory(prefix="store-bridge-package-check-") as scratch:
            try:
                check(artifacts, Path(scratch))
            except (Failure, OSError, KeyError, ValueError, subprocess.TimeoutExpired) as problem:
                failed += 1
                print("FAIL  %s: %s" % (name, problem), flush=True)
            else:
                print("ok    %s" % name, flush=True)
    print("%d passed, %d failed" % (len(checks) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
