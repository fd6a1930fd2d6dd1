"""The result-line shapes: the client's reading of them, and the schema in docs/ agreeing with it."""

import itertools
import json
import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
sys.path.insert(0, str(ROOT / "clients" / "python"))
sys.path.insert(0, str(ROOT / "tests" / "blackbox"))

import schema  # noqa: E402
from store_bridge import BadLine, Result, UsageError, read_result_line  # noqa: E402

CRASH = b'{"status":"error","updated":false,"error":"crash"}'

# (command, stdout, exit code, the result)
RESULTS = [
    ("buy", b'{"status":"purchased","error":null}', 0, Result("purchased", None, 0)),
    ("buy", b'{"status":"alreadyPurchased","error":null}', 0, Result("alreadyPurchased", None, 0)),
    ("buy", b'{"status":"error","error":null}', 0, Result("error", None, 0)),
    ("buy", b'{"status":"error","error":"no operation"}', 1, Result("error", "no operation", 1)),
    ("buy", CRASH, 1, Result("error", "crash", 1, False)),
    ("buy", b'{"error":"Access is denied."}', 1, Result("error", "Access is denied.", 1)),
    ("buy", b'{"error":""}', 1, Result("error", "", 1)),
    ("review", b'{"status":"network","updated":true,"error":null}', 0, Result("network", None, 0, True)),
    ("review", b'{"status":"error","updated":false,"error":null}', 0, Result("error", None, 0, False)),
    ("review", b'{"status":"error","updated":false,"error":"owner closed"}', 1,
     Result("error", "owner closed", 1, False)),
    ("review", CRASH, 1, Result("error", "crash", 1, False)),
    # A general failure whose text happens to be "usage" is told apart by its exit code.
    ("review", b'{"error":"usage"}', 1, Result("error", "usage", 1)),
    ("buy", '{"error":"a\\"b\\\\c\\u0009d \\":e ü"}'.encode(), 1, Result("error", 'a"b\\c\td ":e ü', 1)),
]

# (command, stdout, exit code, exception)
REJECTED = [
    ("buy", b'{"error":"usage"}', 2, UsageError),
    ("review", b'{"error":"usage"}', 2, UsageError),
    ("buy", b'{"error":"usage"}', 0, BadLine),
    ("buy", b'{"error":"wrong"}', 2, BadLine),
    ("buy", b'{"status":"succeeded","updated":false,"error":null}', 0, BadLine),
    ("review", b'{"status":"purchased","error":null}', 0, BadLine),
    ("review", b'{"status":"error","error":"no result"}', 1, BadLine),
    ("buy", b'{"status":"error","updated":false,"error":"owner closed"}', 1, BadLine),
    ("buy", b'{"status":"bought","error":null}', 0, BadLine),
    ("buy", b'{"status":"purchased","error":null}', 1, BadLine),
    ("buy", b'{"status":"purchased","error":null}', -9, BadLine),
    ("buy", b'{"status":"error","error":"no result"}', 0, BadLine),
    ("review", CRASH, 0, BadLine),
    ("buy", b'{"status":"purchased","error":null,"extra":1}', 0, BadLine),
    ("buy", b'{"status":"purchased"}', 0, BadLine),
    ("buy", b'{}', 1, BadLine),
    ("review", b'{"status":"succeeded","updated":"true","error":null}', 0, BadLine),
    ("review", b'{"status":"succeeded","updated":1,"error":null}', 0, BadLine),
    ("review", b'{"status":"error","updated":true,"error":"no result"}', 1, BadLine),
    ("buy", b'{"status":"error","error":""}', 1, BadLine),
    ("buy", b'{"status":"error","error":5}', 1, BadLine),
    ("buy", b'{"status":["purchased"],"error":null}', 0, BadLine),
    ("buy", b'{"error":{"text":"x"}}', 1, BadLine),
    ("buy", b'{"status":"purchased","error":null,"error":null}', 0, BadLine),
    ("buy", b'{"error":"usage"}\n', 2, BadLine),
    ("buy", b' {"status":"purchased","error":null}', 0, BadLine),
    ("buy", b'\xef\xbb\xbf{"status":"purchased","error":null}', 0, BadLine),
    ("buy", b'{"error":"\xc3("}', 1, BadLine),
    ("buy", b'{"error":}', 1, BadLine),
    ("buy", b'{"status":"purchased","error":null}{"error":"x"}', 0, BadLine),
    ("buy", b'[]', 1, BadLine),
]


class ReadResultLine(unittest.TestCase):
    def test_documented_lines_become_results(self):
        for command, output, exit_code, expected in RESULTS:
            with self.subTest(command=command, output=output, exit_code=exit_code):
                self.assertEqual(read_result_line(command, output, exit_code), expected)

    def test_anything_else_is_rejected_with_its_kind(self):
        for command, output, exit_code, error in REJECTED:
            with self.subTest(command=command, output=output, exit_code=exit_code):
                with self.assertRaises(error) as raised:
                    read_result_line(command, output, exit_code)
                self.assertIs(type(raised.exception), error)
                self.assertEqual(raised.exception.exit_code, exit_code)
                self.assertEqual(raised.exception.output, output)


def client_accepts(obj) -> bool:
    """Whether the client takes the object as a line of some command with some exit code."""
    output = json.dumps(obj, separators=(",", ":"), ensure_ascii=False).encode()
    for command, exit_code in itertools.product(("buy", "review"), (0, 1, 2)):
        try:
            read_result_line(command, output, exit_code)
            return True
        except UsageError:
            return True
        except BadLine:
            pass
    return False


class ResultLineSchema(unittest.TestCase):
    # (object, a word the schema's complaint must contain, or None when admitted)
    LINES = [
        ({"error": "usage"}, None),
        ({"error": ""}, None),
        ({"error": "Zugriff verweigert: \"C:\\x\"\tü"}, None),
        ({"status": "purchased", "error": None}, None),
        ({"status": "alreadyPurchased", "error": None}, None),
        ({"status": "cancelled", "error": None}, None),
        ({"status": "error", "error": None}, None),
        ({"status": "error", "error": "no operation"}, None),
        ({"status": "succeeded", "updated": True, "error": None}, None),
        ({"status": "network", "updated": False, "error": None}, None),
        ({"status": "error", "updated": False, "error": "owner closed"}, None),
        ({"status": "error", "updated": False, "error": "crash"}, None),
        ([], "array"),
        ("{}", "string"),
        ({}, '"error" is missing'),
        ({"error": None}, "null"),
        ({"error": 2}, "integer"),
        ({"status": "bought", "error": None}, '"bought"'),
        ({"status": "succeeded", "error": None}, '"succeeded"'),
        ({"status": "purchased", "updated": False, "error": None}, '"purchased"'),
        ({"status": "purchased", "error": "x"}, '"purchased"'),
        ({"status": "error", "error": ""}, "shorter"),
        ({"status": "error", "updated": False, "error": ""}, "shorter"),
        ({"status": "error", "updated": 0, "error": "crash"}, "0"),
        ({"status": "succeeded", "updated": 1, "error": None}, "integer"),
        ({"status": "error", "updated": True, "error": "crash"}, "true"),
        ({"status": "purchased", "error": None, "extra": 1}, '"extra" is not allowed'),
        ({"status": "purchased"}, '"error" is missing'),
        ({"updated": False, "error": "x"}, "status"),
        ({"status": "Purchased", "error": None}, '"Purchased"'),
    ]

    def test_admits_exactly_the_documented_shapes(self):
        for obj, complaint in self.LINES:
            with self.subTest(obj=obj):
                if complaint is None:
                    schema.validate_result_line(obj)
                else:
                    with self.assertRaises(ValueError) as raised:
                        schema.validate_result_line(obj)
                    self.assertIn(complaint, str(raised.exception))

    def test_agrees_with_the_client(self):
        for obj, complaint in self.LINES:
            if isinstance(obj, dict):
                with self.subTest(obj=obj):
                    self.assertEqual(client_accepts(obj), complaint is None)

    def test_refuses_keywords_it_does_not_check(self):
        with self.assertRaisesRegex(ValueError, "pattern"):
            schema.validate("x", {"type": "string", "pattern": "^y$"})

    def test_json_equality_keeps_types_apart(self):
        cases = [(False, 0, False), (True, 1, False), (None, False, False), (1, 1.0, True), ("a", "a", True),
                 ([1, [False]], [1, [False]], True), ([False], [0], False), ({"a": None}, {"a": None}, True),
                 ({"a": 0}, {"a": False}, False)]
        for a, b, equal in cases:
            with self.subTest(a=a, b=b):
                self.assertIs(schema.json_equal(a, b), equal)


if __name__ == "__main__":
    unittest.main()
