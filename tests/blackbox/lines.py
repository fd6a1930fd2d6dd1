"""The result lines a case expects, built the way the bridge builds them.

Every builder returns a Line: fixed pieces plus texts that are escaped exactly as
the bridge escapes them. A text is bytes, a str (taken as UTF-8), or
system_text(code), which stands for the system's own words for an HRESULT on the
target under test (each system words its errors its own way).
"""

from dataclasses import dataclass


@dataclass(frozen=True)
class SystemText:
    code: int
    fallback: bytes = b""


@dataclass(frozen=True)
class ProjectVersion:
    pass


def system_text(code, fallback=""):
    """The system's text for an HRESULT, as the target's system-text program reports it;
    the fallback where that system has no text for it."""
    return SystemText(code, fallback.encode("utf-8"))


def escape(text: bytes) -> bytes:
    """Quote and backslash get a backslash, CR and LF become one space each,
    every other byte below 0x20 becomes \\u00xx; all other bytes pass unchanged."""
    out = bytearray()
    for byte in text:
        if byte in b'"\\':
            out += b"\\" + bytes([byte])
        elif byte in b"\r\n":
            out += b" "
        elif byte < 0x20:
            out += b"\\u00%02x" % byte
        else:
            out.append(byte)
    return bytes(out)


@dataclass(frozen=True)
class Escaped:
    text: object  # bytes, str or SystemText


class Line:
    """Expected stdout: fixed bytes and escaped texts, resolved per target."""

    def __init__(self, *pieces):
        self.pieces = pieces

    def resolve(self, target) -> bytes:
        out = b""
        for piece in self.pieces:
            out += piece if isinstance(piece, bytes) else escape(_text_bytes(piece.text, target))
        return out

    def __repr__(self):
        return "Line%r" % (self.pieces,)


def _text_bytes(text, target) -> bytes:
    if isinstance(text, ProjectVersion):
        return target.project_version().encode("ascii")
    if isinstance(text, SystemText):
        return target.system_text(text.code) or text.fallback
    if isinstance(text, str):
        return text.encode("utf-8")
    return bytes(text)


def usage():
    return Line(b'{"error":"usage"}')


def general_failure(text):
    return Line(b'{"error":"', Escaped(text), b'"}')


def purchase_status(status: str):
    return Line(b'{"status":"%s","error":null}' % status.encode("ascii"))


def purchase_failure(text):
    return Line(b'{"status":"error","error":"', Escaped(text), b'"}')


def review_status(status: str, updated: bool):
    return Line(b'{"status":"%s","updated":%s,"error":null}'
                % (status.encode("ascii"), b"true" if updated else b"false"))


def review_failure(text):
    return Line(b'{"status":"error","updated":false,"error":"', Escaped(text), b'"}')


def no_operation():
    return Line(b'{"status":"error","updated":false,"error":"no operation"}')


def owner_closed():
    return Line(b'{"status":"error","updated":false,"error":"owner closed"}')


def version(package=None):
    """The version line: the version CMake configured the build with, and the package full name or null."""
    package_pieces = (b"null",) if package is None else (b'"', Escaped(package), b'"')
    return Line(b'{"status":"ok","version":"', Escaped(ProjectVersion()), b'","package":', *package_pieces,
                b',"error":null}')


def crash():
    return Line(b'{"status":"error","updated":false,"error":"crash"}')


def nothing():
    return Line()
