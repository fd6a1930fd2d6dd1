"""One black-box case: what goes into a run of the bridge and what must come out."""

from dataclasses import dataclass, field
from typing import Callable, Optional

from lines import Line

NATIVE = "native"
WINDOWS = "windows"
BOTH = frozenset({NATIVE, WINDOWS})

# The token in a case's arguments that stands for the owner window's handle.
OWNER = "{owner}"


@dataclass(frozen=True)
class Owner:
    """A window of another process for "review <handle>" and "buy <id> <handle>".

    Under Wine a real window of the owner-window program; on the portable target
    a window the scenario declares (window=HANDLE:L,T,R,B[:close=MS][:exit=MS]).
    close_after_ms destroys it that long after the bridge started;
    exit_after_ms ends its process then, which takes the window with it."""

    rect: tuple = (200, 150, 1000, 750)
    close_after_ms: Optional[int] = None
    exit_after_ms: Optional[int] = None


@dataclass(frozen=True)
class Case:
    name: str
    args: list                    # str or bytes; OWNER is replaced by the owner's handle
    stdout: Line                  # exact bytes expected on standard output
    exit: int
    sim: Optional[str] = None     # STORE_BRIDGE_SIM, None for unset
    sim_file: Optional[bytes] = None  # written to a file that STORE_BRIDGE_SIM_FILE names, None for unset
    env: dict = field(default_factory=dict)
    targets: frozenset = BOTH
    # Called as trace(records, handles) with the Store calls the simulated Store
    # traced (a list of dicts, one per call) and the handles of the run's
    # fixtures ({"owner": handle} with an owner window) together with the parts
    # of the line the run generated (by name, see lines.Generated); raises
    # AssertionError when the calls are wrong.
    trace: Optional[Callable] = None
    owner: Optional[Owner] = None
    stdout_closed: bool = False   # the host closes its end of the pipe at once
    # "pipe" or "socket": standard output is one with O_NONBLOCK set, which the
    # host reads a little at a time (portable target only)
    slow_reader: Optional[str] = None
    min_ms: Optional[int] = None  # bounds on the run's duration
    max_ms: Optional[int] = None
    time_limit: float = 15.0      # seconds; the run is killed and fails past it
    program: Optional[str] = None # a helper program of tests/support to run instead of the bridge
    stdin: Optional[bytes] = None # written to standard input, which is then closed; None: the null device
    # "closed": no standard input at all (portable target only: Wine hands its
    # descriptor 0 to something else); "terminal": a terminal's
    stdin_kind: Optional[str] = None


def no_store_calls(trace, handles):
    """A case's trace check: the run never reached the Store."""
    assert not trace, "the Store was called: %s" % [record.get("call") for record in trace]
