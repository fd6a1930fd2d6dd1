"""The host guide shows the examples the tests run, and its CI recipes give the lines it shows."""

import os
import re
import subprocess
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
GUIDE = (ROOT / "docs" / "hosts.md").read_text(encoding="utf-8")
EXAMPLES = ["clients/node/examples/electron-main.js", "clients/python/examples/store_actions.py",
            "clients/node/examples/owned-add-ons.js", "clients/python/examples/coin_shop.py",
            "clients/node/examples/app-updates.js", "clients/node/examples/subscriptions.js"]

EXECUTABLE = os.environ.get("STORE_BRIDGE_EXE")
if not EXECUTABLE:
    raise RuntimeError("STORE_BRIDGE_EXE must name the portable store-bridge (clients/test sets it)")

# A recipe row: | `command` | `scenario` or (none) | `line` | exit |; "command <<< text" gives the text on stdin.
RECIPE = re.compile(r"^\| `([^`]+)` \| (?:`([^`]*)`|\(none\)) \| `(\{.*\})` \| (\d) \|$", re.MULTILINE)


class Guide(unittest.TestCase):
    def test_quotes_each_example_whole(self):
        blocks = re.findall(r"^```\w*\n(.*?)^```$", GUIDE, re.MULTILINE | re.DOTALL)
        for example in EXAMPLES:
            with self.subTest(example=example):
                self.assertIn((ROOT / example).read_text(encoding="utf-8"), blocks)

    def test_ci_recipes_give_the_lines_shown(self):
        recipes = RECIPE.findall(GUIDE)
        self.assertGreaterEqual(len(recipes), 32)
        for command, scenario, line, exit_code in recipes:
            with self.subTest(command=command, scenario=scenario):
                environment = dict(os.environ, STORE_BRIDGE_SIM=scenario or "")
                arguments, _, request = command.partition(" <<< ")
                done = subprocess.run([EXECUTABLE, *arguments.split()], input=request.encode("utf-8"),
                                      capture_output=True, env=environment, timeout=10)
                self.assertEqual((done.stdout.decode("utf-8"), done.returncode), (line, int(exit_code)))


if __name__ == "__main__":
    unittest.main()
