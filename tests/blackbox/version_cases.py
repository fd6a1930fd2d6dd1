"""The "version" command: the configured version and the process's package identity, without the Store."""

from case import NATIVE, Case, no_store_calls
from lines import general_failure, system_text, version

ERROR_INSUFFICIENT_BUFFER = 0x8007007A


CASES = [
    Case("version without package identity", ["version"], version(), 0, trace=no_store_calls),
    Case("version ignores arguments after it", ["version", "9NBLGGH4R315", "x"], version(), 0),
    # Package identity exists on the portable target only as the scenario declares it.
    Case("version names the package", ["version"], version("Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe"), 0,
         sim="package=Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe", targets={NATIVE}, trace=no_store_calls),
    Case("version escapes the package name", ["version"], version('a"b\\c\u00e9'), 0,
         sim="package=a%22b%5Cc%C3%A9", targets={NATIVE}),
    # The token's elevation: on the portable target as the scenario says, false by default.
    Case("version of an elevated process", ["version"], version(elevated=True), 0, sim="elevated=true",
         targets={NATIVE}, trace=no_store_calls),
    Case("version of a process that is not elevated", ["version"], version(elevated=False), 0, sim="elevated=false",
         targets={NATIVE}),
    Case("version of an elevated process with a package", ["version"], version("P_1.0.0.0_x64__8wekyb3d8bbwe", True), 0,
         sim="elevated=true;package=P_1.0.0.0_x64__8wekyb3d8bbwe", targets={NATIVE}),
    Case("version with a package name longer than Windows allows", ["version"],
         general_failure(system_text(ERROR_INSUFFICIENT_BUFFER)), 1,
         sim="package=" + "p" * 128, targets={NATIVE}),
]
