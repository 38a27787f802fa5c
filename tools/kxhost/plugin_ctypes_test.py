#!/usr/bin/env python3
"""A second, independent host: loads the plug-in through ctypes with UTF-16
buffers and checks command 101, the 110/850 round trip of a text that is not
XML, and that ErrorText stays untouched on success."""
import ctypes
import sys


def main(path: str) -> int:
    lib = ctypes.CDLL(path)
    wide = lib.kxWideExport
    wide.argtypes = [ctypes.c_int32, ctypes.c_void_p, ctypes.c_int32, ctypes.c_void_p]
    wide.restype = ctypes.c_int32
    lib.kxBuildTest.argtypes = [ctypes.c_int32]
    lib.kxBuildTest.restype = ctypes.c_int32

    def call(command: int, text: str = ""):
        data = ctypes.create_string_buffer((text + "\0").encode("utf-16-le"), 65536)
        sentinel = "sentinel\0".encode("utf-16-le")
        error = ctypes.create_string_buffer(sentinel, 4096)
        rc = wide(command, ctypes.addressof(data), 0, ctypes.addressof(error))
        answer = data.raw.decode("utf-16-le", "surrogatepass").split("\0", 1)[0]
        error_text = error.raw.decode("utf-16-le", "surrogatepass").split("\0", 1)[0]
        return rc, answer, error_text

    failures = []

    def check(what, got, want):
        if got != want:
            failures.append(f"{what}: got {got!r}, want {want!r}")

    check("kxBuildTest(100)", lib.kxBuildTest(100), 0)
    check("kxBuildTest(99)", lib.kxBuildTest(99), -1)
    check("101", call(101), (0, "3", "sentinel"))
    text = "not xml <\u00e4\U0001F600> & \"quoted\""
    check("110", call(110, text), (0, text, "sentinel"))
    check("850", call(850), (0, text, "sentinel"))
    rc, _, error_text = call(400, "a=b")
    check("400 without a document", (rc, error_text.startswith("unexpected process exception (")),
          (-1, True))
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
