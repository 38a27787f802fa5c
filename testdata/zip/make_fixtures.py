#!/usr/bin/env python3
"""Makes the zip fixtures of the extraction tests with Python's zipfile, so
that the tests read archives written by another implementation than ours.

    python3 testdata/zip/make_fixtures.py   (from the repository root)

The archives are committed; run this again only to change them. Member times
are fixed, so a rerun gives the same bytes.
"""
import os
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
WHEN = (2024, 3, 1, 10, 0, 0)


def add(z, name, data, method):
    info = zipfile.ZipInfo(name, date_time=WHEN)
    info.compress_type = method
    info.external_attr = (0o40755 << 16) | 0x10 if name.endswith("/") else 0o100644 << 16
    z.writestr(info, data)


def make(name, members):
    with zipfile.ZipFile(os.path.join(HERE, name), "w") as z:
        for member in members:
            add(z, *member)


S, D = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED

# Files stored and deflated, a folder entry, a name with non-ASCII letters
# (written with the UTF-8 flag) and one with "\" as separator, as old Windows
# archivers wrote. The first member is a file in a subfolder.
make("python_members.zip", [
    ("a/x.txt", b"stored a/x\n", S),
    ("x.txt", b"deflated x " * 50, D),
    ("docs/", b"", S),
    ("docs/Gr\u00fc\u00dfe.txt", "Gr\u00fc\u00dfe\n".encode("utf-8"), D),
    ("win\\w.txt", b"backslash\r\n", S),
])

# A folder entry as the first member.
make("python_folder_first.zip", [
    ("d/", b"", S),
    ("d/f.txt", b"f", D),
])
