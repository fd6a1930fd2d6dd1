"""exe_path(): the program inside the installed wheel, named for the platform, or an error that says what to do."""

import asyncio
import sys
import tempfile
import unittest
from pathlib import Path
from unittest import mock

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

import store_bridge  # noqa: E402
import store_bridge.aio  # noqa: E402
from store_bridge import bundled_program as resolver  # noqa: E402


class ExePath(unittest.TestCase):
    def test_the_program_of_each_wheel(self):
        for platform, name in (("win32", "store-bridge.exe"), ("linux", "store-bridge")):
            with self.subTest(platform=platform), tempfile.TemporaryDirectory() as folder:
                package = Path(folder).resolve()
                with mock.patch.object(resolver, "__file__", str(package / "bundled_program.py")), \
                        mock.patch.object(resolver.sys, "platform", platform):
                    with self.assertRaisesRegex(FileNotFoundError, "carries no %s.*executable=" % name):
                        resolver.exe_path()
                    # A folder of that name is no program.
                    (package / "bin" / name).mkdir(parents=True)
                    with self.assertRaises(FileNotFoundError):
                        resolver.exe_path()
                    (package / "bin" / name).rmdir()
                    (package / "bin" / name).write_bytes(b"")
                    self.assertEqual(resolver.exe_path(), package / "bin" / name)

    def test_calls_without_a_program_do_not_start(self):
        # The source tree carries no program: a call without executable= cannot start one.
        with mock.patch.object(resolver, "__file__", str(Path(tempfile.gettempdir()) / "nowhere" / "bundled_program.py")):
            with self.assertRaisesRegex(store_bridge.NotStarted, "executable="):
                store_bridge.buy("9NBLGGH4R315")
            with self.assertRaisesRegex(store_bridge.NotStarted, "executable="):
                store_bridge.review()
            with self.assertRaisesRegex(store_bridge.NotStarted, "executable="):
                asyncio.run(store_bridge.aio.buy("9NBLGGH4R315"))


if __name__ == "__main__":
    unittest.main()
