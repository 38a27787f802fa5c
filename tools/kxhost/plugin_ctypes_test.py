#!/usr/bin/env python3
"""A second, independent host: loads the plug-in through ctypes with UTF-16
buffers and checks command 101, the 110/850 round trip of a text that is not
XML, and that ErrorText stays untouched on success. Then it runs copies of
itself that send 100, a whole export (600) or 900 and exit with the plug-in
still loaded (ctypes never unloads a library): each must exit with 0."""
import ctypes
import os
import subprocess
import sys
import tempfile


def load(path: str):
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

    return lib, call


def exit_case(path: str, commands) -> int:
    """Sends the commands ("NNN" or "NNN=text") and returns, plug-in loaded."""
    _, call = load(path)
    for command in commands:
        number, _, text = command.partition("=")
        call(int(number), text)
    return 0


def exit_cases(path: str):
    folder = tempfile.mkdtemp()
    blob = os.path.join(folder, "scan.pdf")
    with open(blob, "wb") as f:
        f.write(b"%PDF-1.4 scan")
    config = ("110=<kxConfig><Importfile>" + folder + "/out/doc_%docid.xml</Importfile>"
              "<ByRef>true</ByRef></kxConfig>")
    cases = [["100"], [config, "100", "500=" + blob, "600"], [config, "100", "600", "900"], ["900"]]
    failures = []
    for commands in cases:
        child = subprocess.run([sys.executable, __file__, "--exit-case", path] + commands,
                               capture_output=True, text=True, timeout=120)
        if child.returncode != 0:
            failures.append(f"exit after {commands[-1]}: exit code {child.returncode} {child.stderr}")
    if len(os.listdir(os.path.join(folder, "out"))) != 3:
        failures.append("exit after 600: not one document with its copy (and one without)")
    return failures


def main(path: str) -> int:
    lib, call = load(path)
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
    failures += exit_cases(path)
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    if sys.argv[1] == "--exit-case":
        sys.exit(exit_case(sys.argv[2], sys.argv[3:]))
    sys.exit(main(sys.argv[1]))
