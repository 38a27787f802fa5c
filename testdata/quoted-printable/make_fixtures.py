#!/usr/bin/env python3
"""Writes the quoted-printable fixtures of this folder.

Run from this folder:  python3 make_fixtures.py
The originals are made here from fixed data, the encoded files by Python's
standard encoder (quopri, tabs and blanks quoted), so the decoder is checked
against an encoder that is not ours.
"""
import quopri

# Every byte value, lines longer than 76 characters (soft line breaks),
# "=" signs, blanks and tabs before line ends, and the codes that a table
# decoder might treat specially (DD, ED, FD).
mixed = bytearray()
for round_ in range(3):
    mixed += bytes(range(256))
    mixed += b"\n"
mixed += b"a=b==c=3D=\n"
mixed += b"trailing blank \ntrailing tab\t\n"
mixed += b"x" * 200 + b"\n"
mixed += b"\xdd\xed\xfd=DD=ed\n"
mixed += b"no line break at the end"
with open("mixed.bin", "wb") as f:
    f.write(mixed)
with open("mixed.qp", "wb") as f:
    f.write(quopri.encodestring(bytes(mixed), quotetabs=True))

# A Windows-1252 letter as a mail carries it: the encoder's output with CR LF
# line ends, so hard line breaks arrive as CR LF and soft ones as "=" CR LF.
letter_lines = [
    "Sehr geehrte Damen und Herren,",
    "",
    "die Größe des Gerätes beträgt 2,5 m × 1,2 m; der Preis: 1.234,56 € (inkl. 19 % MwSt.).",
    "Für Rückfragen stehen wir Ihnen gern zur Verfügung – bitte beachten Sie die Öffnungszeiten.",
    "Straße: Hauptstraße 1, 12345 Müllheim",
    "",
    "Mit freundlichen Grüßen",
]
letter_lf = ("\n".join(letter_lines) + "\n").encode("cp1252")
with open("letter.txt", "wb") as f:
    f.write(letter_lf.replace(b"\n", b"\r\n"))
with open("letter.qp", "wb") as f:
    f.write(quopri.encodestring(letter_lf, quotetabs=True).replace(b"\n", b"\r\n"))
