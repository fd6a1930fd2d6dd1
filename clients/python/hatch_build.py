"""Build hooks of the store-bridge Python package.

Version: the project's one number, CMake's project(... VERSION X.Y.Z) in the
repository's CMakeLists.txt two folders up; an sdist has no repository around it
and reads back the version its PKG-INFO recorded from there.

Program: when STORE_BRIDGE_WHEEL_EXECUTABLE names a store-bridge binary, the
wheel carries it as store_bridge/bin/<its file name> and is tagged
py3-none-$STORE_BRIDGE_WHEEL_PLATFORM (win_amd64, manylinux_2_35_x86_64), the
platform that binary runs on. scripts/package sets both; without them the wheel
is pure Python and every call needs its executable= argument.
"""

import os
import re
from pathlib import Path

from hatchling.builders.hooks.plugin.interface import BuildHookInterface
from hatchling.metadata.plugin.interface import MetadataHookInterface

PROJECT_VERSION = re.compile(r"project\s*\(\s*store_bridge\s+VERSION\s+([0-9]+\.[0-9]+\.[0-9]+)\b")


def project_version(root: Path) -> str:
    cmake_lists = root.parent.parent / "CMakeLists.txt"
    if cmake_lists.is_file():
        found = PROJECT_VERSION.search(cmake_lists.read_text(encoding="utf-8"))
        if not found:
            raise RuntimeError("no project(store_bridge VERSION ...) in %s" % cmake_lists)
        return found.group(1)
    pkg_info = root / "PKG-INFO"
    if pkg_info.is_file():
        for line in pkg_info.read_text(encoding="utf-8").splitlines():
            if line.startswith("Version: "):
                return line[len("Version: "):]
    raise RuntimeError("no version: neither %s nor %s exists" % (cmake_lists, pkg_info))


class ProjectVersionHook(MetadataHookInterface):
    def update(self, metadata):
        metadata["version"] = project_version(Path(self.root))


class BundledProgramHook(BuildHookInterface):
    def initialize(self, version, build_data):
        executable = os.environ.get("STORE_BRIDGE_WHEEL_EXECUTABLE")
        if not executable:
            return
        platform = os.environ.get("STORE_BRIDGE_WHEEL_PLATFORM")
        if not platform:
            raise RuntimeError("STORE_BRIDGE_WHEEL_EXECUTABLE needs STORE_BRIDGE_WHEEL_PLATFORM")
        build_data["force_include"][executable] = "store_bridge/bin/" + Path(executable).name
        build_data["pure_python"] = False
        build_data["tag"] = "py3-none-" + platform
