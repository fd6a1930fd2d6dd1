"""The calls of store_bridge for asyncio, on asyncio.create_subprocess_exec.

    result = await store_bridge.aio.buy("9NBLGGH4R315", timeout=600)

Cancelling the task kills the bridge and waits for it to end, and so does the
time-out: nothing outlives the call. The results and errors are store_bridge's.
"""

import asyncio
import subprocess
import uuid
from typing import Callable, List, Mapping, Optional, Sequence, TypeVar, Union, cast

from ._invocation import (NO_WINDOW, PathLike, UpdateStream, customer_id_request, finish, invocation, kinds_argument,
                          quantity_argument, store_id_argument, tracking_id_argument, update_arguments,
                          window_argument)
from ._lines import (APP, BALANCE, BUY, COLLECTION, COLLECTIONS_ID, CONSUME, LICENSE_COMMAND, PRODUCTS, PURCHASE_ID,
                     REVIEW, UPDATE, UPDATES, VERSION, Command)
from .results import (AppResult, BalanceResult, ConsumeResult, IdResult, LicenseResult, ProductsResult,
                      PurchaseResult, ReviewResult, UpdateProgress, UpdateResult, UpdatesResult, VersionResult)

__all__ = ["buy", "review", "license", "products", "collection", "consume", "balance", "updates", "update", "app",
           "purchase_id", "collections_id", "version"]

R = TypeVar("R")


async def buy(store_id: str, *, executable: Optional[PathLike] = None, window: Optional[int] = None,
              timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> PurchaseResult:
    """Shows the purchase dialog for the product with this Store ID, centred over the host's window (an HWND as
    int) when given."""
    return await _run(BUY, store_id_argument(store_id) + window_argument(window), executable, timeout, env)


async def review(*, executable: Optional[PathLike] = None, window: Optional[int] = None,
                 timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> ReviewResult:
    """Shows the rate-and-review dialog, centred over the host's window (an HWND as int) when given."""
    return await _run(REVIEW, window_argument(window), executable, timeout, env)


async def license(*, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
                  env: Optional[Mapping[str, str]] = None) -> LicenseResult:
    """The app's licence and the add-on licences the user holds. No UI."""
    return await _run(LICENSE_COMMAND, [], executable, timeout, env)


async def products(kinds: Optional[Sequence[str]] = None, *, executable: Optional[PathLike] = None,
                   timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> ProductsResult:
    """The add-ons of this app that the Store offers, with the user's prices. No UI."""
    return await _run(PRODUCTS, kinds_argument(kinds), executable, timeout, env)


async def collection(kinds: Optional[Sequence[str]] = None, *, executable: Optional[PathLike] = None,
                     timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> ProductsResult:
    """The products of this app the user owns. No UI."""
    return await _run(COLLECTION, kinds_argument(kinds), executable, timeout, env)


async def consume(store_id: str, quantity: int, tracking_id: Union[str, uuid.UUID, None] = None, *,
                  executable: Optional[PathLike] = None, timeout: Optional[float] = None,
                  env: Optional[Mapping[str, str]] = None) -> ConsumeResult:
    """Reports quantity of a consumable add-on fulfilled; retry with the same tracking ID. No UI."""
    arguments = [*store_id_argument(store_id), quantity_argument(quantity), *tracking_id_argument(tracking_id)]
    return await _run(CONSUME, arguments, executable, timeout, env)


async def balance(store_id: str, *, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
                  env: Optional[Mapping[str, str]] = None) -> BalanceResult:
    """The remaining balance of a Store-managed consumable add-on. No UI."""
    return await _run(BALANCE, store_id_argument(store_id), executable, timeout, env)


async def updates(*, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
                  env: Optional[Mapping[str, str]] = None) -> UpdatesResult:
    """The updates the Store has for this app's packages, and whether it may download them silently. No UI."""
    return await _run(UPDATES, [], executable, timeout, env)


async def update(window: Optional[int] = None, download_only: bool = False, silent: bool = False,
                 on_progress: Optional[Callable[[UpdateProgress], object]] = None, *,
                 executable: Optional[PathLike] = None, timeout: Optional[float] = None,
                 env: Optional[Mapping[str, str]] = None) -> UpdateResult:
    """The check, then one Store call that downloads and installs every update found, as store_bridge.update();
    on_progress gets each report as it arrives, and what it raises kills the run and is raised here."""
    stream = UpdateStream(on_progress)
    return await _run(UPDATE, update_arguments(window, download_only, silent, on_progress), executable, timeout, env,
                      stream)


async def app(*, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
              env: Optional[Mapping[str, str]] = None) -> AppResult:
    """The app's own product in the Store, with its SKUs. No UI."""
    return await _run(APP, [], executable, timeout, env)


async def purchase_id(service_ticket: str, publisher_user_id: str, *, executable: Optional[PathLike] = None,
                      timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> IdResult:
    """A Microsoft Store ID key for the purchase service, as store_bridge.purchase_id(); the ticket goes to the
    bridge's stdin. No UI."""
    request = customer_id_request(service_ticket, publisher_user_id)
    return await _run(PURCHASE_ID, [], executable, timeout, env, request=request)


async def collections_id(service_ticket: str, publisher_user_id: str, *, executable: Optional[PathLike] = None,
                         timeout: Optional[float] = None, env: Optional[Mapping[str, str]] = None) -> IdResult:
    """The same as purchase_id(), for the collections service."""
    request = customer_id_request(service_ticket, publisher_user_id)
    return await _run(COLLECTIONS_ID, [], executable, timeout, env, request=request)


async def version(*, executable: Optional[PathLike] = None, timeout: Optional[float] = None,
                  env: Optional[Mapping[str, str]] = None) -> VersionResult:
    """The bridge's version, the package identity it runs under and whether it runs elevated."""
    return await _run(VERSION, [], executable, timeout, env)


async def _run(command: Command[R], arguments: List[str], executable: Optional[PathLike],
               timeout: Optional[float], env: Optional[Mapping[str, str]],
               stream: Optional[UpdateStream] = None, request: Optional[bytes] = None) -> R:
    """stream, when given, reads stdout as it arrives and gives the result at the end (update's progress lines);
    request, when given, goes to the bridge's stdin, which is then closed."""
    run = invocation(command, arguments, executable, timeout, env)
    try:
        process = await asyncio.create_subprocess_exec(
            *run.argv, stdin=subprocess.DEVNULL if request is None else subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=run.env,
            creationflags=NO_WINDOW)
    except OSError as error:
        raise run.not_started(error) from error
    output = bytearray()

    async def to_the_end() -> int:
        if request is not None:
            await _send(process, request)
        # In chunks, so that what came before a time-out is kept for the error.
        assert process.stdout is not None  # stdout=PIPE
        while chunk := await process.stdout.read(65536):
            output.extend(chunk)
            if stream is not None:
                stream.feed(chunk)
        return await process.wait()

    try:
        exit_code = await asyncio.wait_for(to_the_end(), run.timeout)
    except asyncio.TimeoutError:
        await _end(process)
        raise run.timed_out(bytes(output)) from None
    except BaseException:  # cancelled, most often; or a bad progress line, or what on_progress raised
        await _end(process)
        raise
    if stream is not None:
        return cast(R, stream.finish(exit_code))  # a stream goes only with UPDATE, whose R it returns
    return finish(command, bytes(output), exit_code)


async def _send(process: "asyncio.subprocess.Process", request: bytes) -> None:
    """Writes the request and closes stdin. A child that closed its end early (a usage error, a crash) breaks the
    pipe; that is no fault of the host's: the run's line and exit code say what happened."""
    assert process.stdin is not None  # stdin=PIPE
    try:
        process.stdin.write(request)
        await process.stdin.drain()
    except (BrokenPipeError, ConnectionResetError):
        pass
    process.stdin.close()


async def _end(process: "asyncio.subprocess.Process") -> None:
    """Kills the run and waits until it is gone. The kill comes first: a second cancellation can cut the wait short,
    not leave the bridge running."""
    if process.returncode is None:
        try:
            process.kill()
        except ProcessLookupError:  # it ended by itself in between
            pass
    await asyncio.shield(process.wait())
