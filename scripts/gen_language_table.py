#!/usr/bin/env python3
"""Writes the language table of system/kxConstants.cpp from a Markdown table.

Usage: scripts/gen_language_table.py MARKDOWN_FILE [CPP_FILE]

MARKDOWN_FILE holds the table whose header row reads
"| ISO 639-1 | language name | ISO 639-2/B | ISO 639-2/T | Windows abbreviation | LCID |";
its rows are taken in order, cells trimmed, empty cells kept as empty texts.
CPP_FILE (default system/kxConstants.cpp beside this script's repository) has
the lines "// BEGIN generated language table" and "// END generated language
table"; everything between them is replaced, nothing else is touched.

Two names end with a blank that a Markdown cell cannot show; the script adds
it back (TRAILING_BLANK below) and fails when either name is missing, as it
fails on a table that does not have 261 rows of six cells.
"""
import pathlib
import sys

HEADER = ["ISO 639-1", "language name", "ISO 639-2/B", "ISO 639-2/T",
          "Windows abbreviation", "LCID"]
ROWS = 261
TRAILING_BLANK = {"Haitian Haitian Creole", "Afrikaans - South Africa"}
BEGIN = "// BEGIN generated language table"
END = "// END generated language table"


def cells(line):
    line = line.strip()
    if not (line.startswith("|") and line.endswith("|")):
        return None
    return [c.strip() for c in line[1:-1].split("|")]


def read_rows(markdown):
    lines = markdown.splitlines()
    start = next((i for i, l in enumerate(lines) if cells(l) == HEADER), None)
    if start is None:
        sys.exit("no language table header found")
    rows = []
    for line in lines[start + 2:]:  # header, then the |---| line
        row = cells(line)
        if row is None:
            break
        if len(row) != 6:
            sys.exit(f"row with {len(row)} cells: {line}")
        rows.append(row)
    if len(rows) != ROWS:
        sys.exit(f"{len(rows)} rows, expected {ROWS}")
    found = set()
    for row in rows:
        if row[1] in TRAILING_BLANK:
            found.add(row[1])
            row[1] += " "
    if found != TRAILING_BLANK:
        sys.exit(f"names not found: {sorted(TRAILING_BLANK - found)}")
    return rows


def literal(text):
    # Characters outside ASCII as universal character names, so the source
    # stays ASCII; a BMP character is one UTF-16 unit.
    out = []
    for ch in text:
        if ch in '"\\' or ord(ch) < 0x20 or ord(ch) > 0xFFFF:
            sys.exit(f"unexpected character in {text!r}")
        out.append(ch if ord(ch) < 0x7F else f"\\u{ord(ch):04X}")
    return 'u"' + "".join(out) + '"'


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    rows = read_rows(pathlib.Path(sys.argv[1]).read_text(encoding="utf-8"))
    target = pathlib.Path(sys.argv[2]) if len(sys.argv) == 3 else \
        pathlib.Path(__file__).resolve().parent.parent / "system" / "kxConstants.cpp"
    source = target.read_text(encoding="utf-8")
    if source.count(BEGIN) != 1 or source.count(END) != 1:
        sys.exit(f"{target}: markers missing")
    head, rest = source.split(BEGIN, 1)
    _, tail = rest.split(END, 1)
    body = "".join("    {" + ", ".join(literal(c) for c in row) + "},\n" for row in rows)
    target.write_text(head + BEGIN + "\n" + body + "    " + END + tail, encoding="utf-8")
    print(f"{target}: {len(rows)} rows written")


if __name__ == "__main__":
    main()
