"""Host side of store-bridge: start it, read its one result line, return a typed result.

    result = store_bridge.buy("9NBLGGH4R315")
    result = store_bridge.review(window=hwnd, timeout=600, executable=path)
    owned = store_bridge.license(timeout=60)
    offered = store_bridge.products(["Durable", "Consumable"], timeout=60)
    used = store_bridge.consume("9NBLGGH4TNMP", 5, tracking_id, timeout=60)
    pending = store_bridge.updates(timeout=60)
    installed = store_bridge.update(hwnd, on_progress=show, timeout=3600)
    identity = store_bridge.version(timeout=10)
    listing = store_bridge.app(timeout=60)
    key = store_bridge.purchase_id(ticket, user_id, timeout=60)

Without executable=, the calls start the program inside the installed wheel
(exe_path()).

Every documented line is a result, failure lines included (status "error",
exit_code 1, error holding the bridge's text: a Failure, or a QueryFailure or
ConsumeFailure that also carries the platform's code). A run that gives no
result raises a StoreBridgeError subclass: NotStarted, TimedOut, NoLine, BadLine
or UsageError. store_bridge.aio has the same calls for asyncio. Standard library
only, Python 3.9+.
"""

import queue
import subprocess
import threading
import time
import uuid
from typing import IO, Any, Callable, Dict, List, Literal, Mapping, Optional, Sequence, TypeVar, Union, overload

from ._invocation import (NO_WINDOW, PathLike, UpdateStream, customer_id_request, finish, invocation, kinds_argument,
                          quantity_argument, store_id_argument, tracking_id_argument, update_arguments,
                          window_argument)
from ._lines import (APP, BALANCE, BUY, COLLECTION, COLLECTIONS_ID, COMMANDS, CONSUME, LICENSE_COMMAND, PRODUCTS,
                     PURCHASE_ID, REVIEW, UPDATE, UPDATES, VERSION, Command, read_line)
from .bundled_program import exe_path
from .errors import BadLine, ClosedForUpdate, NoLine, NotStarted, StoreBridgeError, TimedOut, UsageError
from .results import (AddOnLicense, AppProductResult, AppResult, CollectionData, DurationUnit, IdResult,
                      IdStatusResult, Sku, PackageState, BalanceResult, BalanceStatusResult, ConsumableStatus, ConsumeFailure,
                      ConsumeResult, ConsumeStatusResult, Failure, LicenseResult, LicenseStatusResult, PackageUpdate,
                      Product, ProductListResult, ProductsResult, PurchaseResult, PurchaseStatus, PurchaseStatusResult,
                      QueryFailure, RawLine, Result, ReviewResult, ReviewStatus, ReviewStatusResult, UpdateProgress,
                      UpdateResult, UpdatesResult, UpdateState, UpdateStatusResult, UpdatesStatusResult, VersionResult,
                      VersionStatusResult)

__all__ = ["buy", "review", "license", "products", "collection", "consume", "balance", "updates", "update", "app",
           "purchase_id", "collections_id", "version", "read_result_line", "exe_path", "Result", "PurchaseResult", "ReviewResult", "LicenseResult",
           "ProductsResult", "ConsumeResult", "BalanceResult", "UpdatesResult", "UpdateResult", "VersionResult",
           "PurchaseStatusResult", "ReviewStatusResult", "LicenseStatusResult", "AddOnLicense", "ProductListResult",
           "Product", "ConsumeStatusResult", "BalanceStatusResult", "UpdatesStatusResult", "PackageUpdate",
           "UpdateStatusResult", "PackageState", "UpdateProgress", "UpdateState", "VersionStatusResult", "Failure",
           "QueryFailure", "ConsumeFailure", "PurchaseStatus", "ReviewStatus", "ConsumableStatus", "RawLine",
           "StoreBridgeError", "NotStarted", "TimedOut", "NoLine", "BadLine", "UsageError", "ClosedForUpdate",
           "AppResult", "AppProductResult", "IdResult", "IdStatusResult", "Sku", "CollectionData", "DurationUnit"]

R = TypeVar("R")


def buy(store_id: str, *, executable: Optional[PathLike] = None, window: Optional[int] = None,
        timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> PurchaseResult:
    """Shows the purchase dialog for the product with this Store ID, centred over the host's window (an HWND as
    int) when given."""
    return _run(BUY, store_id_argument(store_id) + window_argument(window), executable, timeout, env)


def review(*, executable: Optional[PathLike] = None, window: Optional[int] = None, timeout: Optional[float] = None,
           env: Optional[Mapping[str, str]] = None) -> ReviewResult:
    """Shows the rate-and-review dialog, centred over the host's window (an HWND as int) when given."""
    return _run(REVIEW, window_argument(window), executable, timeout, env)


def license(*, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
            env: Optional[Mapping[str, str]] = None) -> LicenseResult:
    """The app's licence and the add-on licences the user holds. No UI."""
    return _run(LICENSE_COMMAND, [], executable, timeout, env)


def products(kinds: Optional[Sequence[str]] = None, *, executable: Optional[PathLike] = None,
             timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> ProductsResult:
    """The add-ons of this app that the Store offers, with the user's prices; kinds default to Durable, Consumable
    and UnmanagedConsumable. No UI."""
    return _run(PRODUCTS, kinds_argument(kinds), executable, timeout, env)


def collection(kinds: Optional[Sequence[str]] = None, *, executable: Optional[PathLike] = None,
               timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> ProductsResult:
    """The products of this app the user owns; kinds as for products(). No UI."""
    return _run(COLLECTION, kinds_argument(kinds), executable, timeout, env)


def consume(store_id: str, quantity: int, tracking_id: Union[str, uuid.UUID, None] = None, *,
            executable: Optional[PathLike] = None, timeout: Optional[float] = None,
            env: Optional[Mapping[str, str]] = None) -> ConsumeResult:
    """Reports quantity (1 to 4294967295) of a consumable add-on fulfilled. Store the tracking ID before the call and
    retry with it: the Store counts one once. Without it the bridge makes a new one. No UI."""
    arguments = [*store_id_argument(store_id), quantity_argument(quantity), *tracking_id_argument(tracking_id)]
    return _run(CONSUME, arguments, executable, timeout, env)


def balance(store_id: str, *, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
            env: Optional[Mapping[str, str]] = None) -> BalanceResult:
    """The remaining balance of a Store-managed consumable add-on. No UI."""
    return _run(BALANCE, store_id_argument(store_id), executable, timeout, env)


def updates(*, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
            env: Optional[Mapping[str, str]] = None) -> UpdatesResult:
    """The updates the Store has for this app's packages, and whether it may download them without asking. No UI."""
    return _run(UPDATES, [], executable, timeout, env)


def update(window: Optional[int] = None, download_only: bool = False, silent: bool = False,
           on_progress: Optional[Callable[[UpdateProgress], object]] = None, *,
           executable: Optional[PathLike] = None, timeout: Optional[float] = None,
           env: Optional[Mapping[str, str]] = None) -> UpdateResult:
    """The same check as updates(), then one Store call that downloads and, unless download_only, installs every
    update it found, with the Store's UI over the host's window (an HWND as int) unless silent (only when updates()
    said can_silently_download). on_progress gets each report as it arrives, on the calling thread; what it raises
    kills the run and is raised here. Raises ClosedForUpdate when Windows closed the app to install it."""
    arguments = update_arguments(window, download_only, silent, on_progress)
    run = invocation(UPDATE, arguments, executable, timeout, env)
    try:
        process = subprocess.Popen(run.argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, env=run.env, creationflags=NO_WINDOW)
    except OSError as error:
        raise run.not_started(error) from error
    stream = UpdateStream(on_progress)
    # A thread reads the pipe, so that this one can keep the time-out and call on_progress.
    chunks: "queue.Queue[bytes]" = queue.Queue()
    assert process.stdout is not None  # stdout=PIPE
    reader = threading.Thread(target=_read_lines, args=(process.stdout, chunks), daemon=True)
    reader.start()
    deadline = None if run.timeout is None else time.monotonic() + run.timeout
    try:
        while chunk := chunks.get(timeout=None if deadline is None else max(0.0, deadline - time.monotonic())):
            stream.feed(chunk)
        exit_code = process.wait(timeout=None if deadline is None else max(0.0, deadline - time.monotonic()))
    except (queue.Empty, subprocess.TimeoutExpired):
        _end(process, reader)
        raise run.timed_out(bytes(stream.output)) from None
    except BaseException:  # a bad progress line, what on_progress raised, or an interrupt
        _end(process, reader)
        raise
    reader.join()
    return stream.finish(exit_code)


def _read_lines(stdout: "IO[bytes]", chunks: "queue.Queue[bytes]") -> None:
    """Puts each line as it arrives, the rest at the end, then b"" for the end."""
    with stdout:
        for line in stdout:
            chunks.put(line)
    chunks.put(b"")


def _end(process: "subprocess.Popen[bytes]", reader: threading.Thread) -> None:
    """Kills the run and waits until it and its reader are gone: nothing outlives the call."""
    process.kill()
    process.wait()
    reader.join()


def app(*, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
        env: Optional[Mapping[str, str]] = None) -> AppResult:
    """The app's own product in the Store, with its SKUs. No UI."""
    return _run(APP, [], executable, timeout, env)


def purchase_id(service_ticket: str, publisher_user_id: str, *, executable: Optional[PathLike] = None,
                timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> IdResult:
    """A Microsoft Store ID key for the purchase service, for the user signed in to the Store. service_ticket is
    your service's Entra ID access token: a bearer token, so it goes to the bridge's stdin, never on its command
    line. publisher_user_id is any text of yours, embedded in the key. No UI."""
    return _run(PURCHASE_ID, [], executable, timeout, env, customer_id_request(service_ticket, publisher_user_id))


def collections_id(service_ticket: str, publisher_user_id: str, *, executable: Optional[PathLike] = None,
                   timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> IdResult:
    """The same as purchase_id(), for the collections service."""
    return _run(COLLECTIONS_ID, [], executable, timeout, env, customer_id_request(service_ticket, publisher_user_id))


def version(*, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
            env: Optional[Mapping[str, str]] = None) -> VersionResult:
    """The bridge's version, the package identity it runs under and whether it runs elevated: what to check when the
    Store refuses to act."""
    return _run(VERSION, [], executable, timeout, env)


def _run(command: Command[R], arguments: List[str], executable: Optional[PathLike], timeout: Optional[float],
         env: Optional[Mapping[str, str]], request: Optional[bytes] = None) -> R:
    """request, when given, goes to the bridge's stdin, which is then closed. subprocess ignores a pipe that the
    child closed early (a usage error, a crash): the run's line and exit code say what happened."""
    run = invocation(command, arguments, executable, timeout, env)
    # run() takes input= (a pipe it writes and closes) or stdin=, not both.
    stdin: Dict[str, Any] = {"stdin": subprocess.DEVNULL} if request is None else {"input": request}
    try:
        done = subprocess.run(run.argv, **stdin, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=run.env,
                              timeout=run.timeout, creationflags=NO_WINDOW)
    except subprocess.TimeoutExpired as expired:
        raise run.timed_out(expired.stdout or b"") from None
    except OSError as error:
        raise run.not_started(error) from error
    return finish(command, done.stdout, done.returncode)


@overload
def read_result_line(command: Literal["buy"], output: bytes, exit_code: Optional[int]) -> PurchaseResult: ...
@overload
def read_result_line(command: Literal["review"], output: bytes, exit_code: Optional[int]) -> ReviewResult: ...
@overload
def read_result_line(command: Literal["license"], output: bytes, exit_code: Optional[int]) -> LicenseResult: ...
@overload
def read_result_line(command: Literal["products", "collection"], output: bytes,
                     exit_code: Optional[int]) -> ProductsResult: ...
@overload
def read_result_line(command: Literal["consume"], output: bytes, exit_code: Optional[int]) -> ConsumeResult: ...
@overload
def read_result_line(command: Literal["balance"], output: bytes, exit_code: Optional[int]) -> BalanceResult: ...
@overload
def read_result_line(command: Literal["updates"], output: bytes, exit_code: Optional[int]) -> UpdatesResult: ...
@overload
def read_result_line(command: Literal["update"], output: bytes, exit_code: Optional[int]) -> UpdateResult: ...
@overload
def read_result_line(command: Literal["version"], output: bytes, exit_code: Optional[int]) -> VersionResult: ...
@overload
def read_result_line(command: Literal["app"], output: bytes, exit_code: Optional[int]) -> AppResult: ...
@overload
def read_result_line(command: Literal["purchase-id", "collections-id"], output: bytes,
                     exit_code: Optional[int]) -> IdResult: ...
@overload
def read_result_line(command: str, output: bytes, exit_code: Optional[int]) -> Result: ...
def read_result_line(command: str, output: bytes, exit_code: Optional[int]) -> Result:
    """The result that a command's stdout and exit code stand for; raises UsageError or BadLine."""
    if command not in COMMANDS:
        raise ValueError("store-bridge has no command %r" % (command,))
    return read_line(COMMANDS[command], output, exit_code)
