"""The black-box cases, one table for both targets: the command line here, the
flows, the version command and crash containment in their own modules.

A case is Case(name, args, expected stdout, exit code, ...options): see case.py
for the options and lines.py for the result lines and system_text(code).
"""

import consumable_cases
import crash_cases
import flow_cases
import query_cases
import scenario_file_cases
import subscription_cases
import update_cases
import version_cases
from case import NATIVE, Case, no_store_calls
from lines import nothing, usage


def usage_case(name, args, **options):
    return Case(name, args, usage(), 2, trace=no_store_calls, **options)


COMMAND_LINE_CASES = [
    # Anything but exactly "buy <id>", "review [<handle>]" or "version" is refused before
    # the Store is touched.
    usage_case("no arguments", []),
    usage_case("buy without argument", ["buy"]),
    usage_case("buy in capitals", ["BUY", "9NBLGGH4R315"]),
    usage_case("review in mixed case", ["Review"]),
    usage_case("review in mixed case with handle", ["Review", "123"]),
    usage_case("buy with trailing blank", ["buy ", "9NBLGGH4R315"]),
    usage_case("review with leading blank", [" review"]),
    usage_case("version in capitals", ["VERSION"]),
    usage_case("unknown word without argument", ["sell"]),
    usage_case("unknown word with argument", ["sell", "9NBLGGH4R315"]),
    usage_case("empty word", ["", "9NBLGGH4R315"]),
    usage_case("prefix of a command", ["bu", "9NBLGGH4R315"]),
    usage_case("command with a suffix", ["buyer", "9NBLGGH4R315"]),
    usage_case("non-ASCII word", ["büy", "9NBLGGH4R315"]),
    usage_case("full-width letters", ["ｂｕｙ", "9NBLGGH4R315"]),
    usage_case("invalid UTF-8 word", [b"bu\xff", "9NBLGGH4R315"], targets={NATIVE}),
    usage_case("invalid UTF-8 word without argument", [b"\xc3review"], targets={NATIVE}),
    # A host that stops reading at once must not change the exit code.
    Case("usage with standard output closed", ["sell"], nothing(), 2, stdout_closed=True),
]

CASES = (COMMAND_LINE_CASES + flow_cases.CASES + query_cases.CASES + consumable_cases.CASES + version_cases.CASES
         + update_cases.CASES + subscription_cases.CASES + scenario_file_cases.CASES + crash_cases.CASES)
