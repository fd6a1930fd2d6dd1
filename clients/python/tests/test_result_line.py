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
from store_bridge import BadLine, Failure, PurchaseStatusResult, ReviewStatusResult, UsageError, read_result_line  # noqa: E402

CRASH = b'{"status":"error","updated":false,"error":"crash"}'

# (command, stdout, exit code, the result)
RESULTS = [
    ("buy", b'{"status":"purchased","error":null}', 0, PurchaseStatusResult("purchased")),
    ("buy", b'{"status":"alreadyPurchased","error":null}', 0, PurchaseStatusResult("alreadyPurchased")),
    ("buy", b'{"status":"error","error":null}', 0, PurchaseStatusResult("error")),
    ("buy", b'{"status":"error","error":"no operation"}', 1, Failure("no operation")),
    ("buy", CRASH, 1, Failure("crash", False)),
    ("buy", b'{"error":"Access is denied."}', 1, Failure("Access is denied.")),
    ("buy", b'{"error":""}', 1, Failure("")),
    ("review", b'{"status":"network","updated":true,"error":null}', 0, ReviewStatusResult("network", True)),
    ("review", b'{"status":"error","updated":false,"error":null}', 0, ReviewStatusResult("error", False)),
    ("review", b'{"status":"error","updated":false,"error":"owner closed"}', 1,
     Failure("owner closed", False)),
    ("review", CRASH, 1, Failure("crash", False)),
    # A general failure whose text happens to be "usage" is told apart by its exit code.
    ("review", b'{"error":"usage"}', 1, Failure("usage")),
    ("buy", '{"error":"a\\"b\\\\c\\u0009d \\":e ü"}'.encode(), 1, Failure('a"b\\c\td ":e ü')),
    # Members a later bridge may add are ignored, whatever their value.
    ("buy", b'{"status":"purchased","error":null,"extra":1}', 0, PurchaseStatusResult("purchased")),
    ("buy", b'{"code":"0x80070005","status":"error","error":"denied"}', 1, Failure("denied")),
    ("buy", b'{"error":"x","details":{"code":[1,{"a":null}]}}', 1, Failure("x")),
    ("review", b'{"status":"succeeded","updated":true,"error":null,"at":"2027-01-01"}', 0,
     ReviewStatusResult("succeeded", True)),
    ("review", b'{"status":"error","updated":false,"error":"crash","thread":"worker"}', 1, Failure("crash", False)),
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
    # Unknown members do not make up for a missing or mistyped known one.
    ("buy", b'{"status":"purchased","errors":null}', 0, BadLine),
    ("buy", b'{"status":"purchased","error":0,"extra":1}', 0, BadLine),
    ("review", b'{"status":"succeeded","error":null,"updated ":true}', 0, BadLine),
    ("buy", b'{"extra":1}', 1, BadLine),
    ("buy", b'{"error":"x","details":{"a":1,"a":2}}', 1, BadLine),
    ("buy", b'{"error":"x","\\u0061":1,"a":2}', 1, BadLine),
    ("buy", b'{"error":"x","ratio":NaN}', 1, BadLine),
    ("buy", b'{"error":"usage","hint":"buy <StoreID>"}', 2, UsageError),
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

    def test_the_whole_line_stays_available(self):
        line = {"status": "error", "updated": False, "error": "owner closed", "closedAfterMs": 212, "more": [None]}
        result = read_result_line("review", json.dumps(line).encode(), 1)
        self.assertEqual((result, result.raw), (Failure("owner closed", False), line))

    def test_a_command_it_does_not_know_is_a_programming_error(self):
        with self.assertRaisesRegex(ValueError, "no command 'bye'"):
            read_result_line("bye", b'{"error":"x"}', 1)


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
        # The schema describes exactly what this version writes; the client also takes lines with members it does not
        # know (a later version may add some). Without those members both agree.
        for obj, _ in self.LINES:
            if isinstance(obj, dict):
                with self.subTest(obj=obj):
                    known = {name: value for name, value in obj.items() if name in ("status", "updated", "error")}
                    try:
                        schema.validate_result_line(known)
                        admitted = True
                    except ValueError:
                        admitted = False
                    self.assertEqual(client_accepts(obj), admitted)

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
