"""The store-bridge program that came with this installation."""

import sys
from pathlib import Path


def exe_path() -> Path:
    """The program inside the installed wheel: store-bridge.exe from the win_amd64
    wheel (Windows on Arm runs it as well), the portable build from the Linux
    wheel. Raises FileNotFoundError when this installation carries none (a pure
    wheel or a source install): pass executable= then."""
    name = "store-bridge.exe" if sys.platform == "win32" else "store-bridge"
    path = Path(__file__).resolve().parent / "bin" / name
    if not path.is_file():
        raise FileNotFoundError("this installation of store_bridge carries no %s; install the wheel for this "
                                "platform or pass executable=" % name)
    return path
