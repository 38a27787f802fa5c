#!/usr/bin/env python3
"""Writes the configuration-string fixtures of this folder.

Run from this folder:  python3 make_fixtures.py
The 8-bit encodings are made by iconv and the compressed values by Python's
zlib and base64, so the reader is checked against tools that are not ours.
"""
import base64
import struct
import subprocess
import zlib

DECL = '<?xml version="1.0" encoding="UTF-8"?>\r\n'


def write(name, text):
    with open(name, "wb") as f:
        f.write(text.encode("utf-8") if isinstance(text, str) else text)


# Versions: which name an element gives, whether enclosing names go in
# front, whether extra attributes are read.
body = ('<Alpha Extra="x" Name="Named">one</Alpha>'
        '<Group Name="G"><Inner Name="In">two</Inner></Group>'
        '<Blank Name="">three</Blank>')
for version in ("1.2", "1.3", "1.5", "2.0"):
    write("version_%s.xml" % version.replace(".", "_"),
          DECL + '<kxSettings FormatVersion="%s">%s</kxSettings>' % (version, body))
# Without FormatVersion: read like 2.1. Typed values, and an element with an
# empty Name, whose children get "/" in front.
write("version_none.xml", DECL + (
    '<kxConfig>'
    '<N Type="INT">42</N><D Type="DOUBLE">1.5</D><B Type="BOOLEAN">True</B>'
    '<Dt Type="DATE">2024-01-15 18:30:00</Dt><Bin Type="binary">SGVs&#13;&#10;bG8=</Bin>'
    '<U Type="NOSUCH">t</U>'
    '<Empty Name=""><X>1</X></Empty>'
    '</kxConfig>'))

# Indented with CR LF, a value over two lines, a value of one blank.
write("indented_crlf.xml", DECL.replace("\r\n", "") + "\r\n" + (
    '<kxConfig FormatVersion="2.0">\r\n'
    '  <A>line1\r\nline2</A>\r\n'
    '  <P>\r\n'
    '    <C> </C>\r\n'
    '  </P>\r\n'
    '</kxConfig>\r\n'))

# 8-bit encodings named in the declaration, made by iconv.
def iconv(name, encoding, text):
    out = subprocess.run(["iconv", "-f", "UTF-8", "-t", encoding], input=text.encode("utf-8"),
                         check=True, capture_output=True).stdout
    write(name, out)


iconv("latin1.xml", "ISO-8859-1",
      '<?xml version="1.0" encoding="ISO-8859-1"?>\r\n'
      '<kxConfig FormatVersion="2.0"><Gr_e Name="Größe">Grüße</Gr_e></kxConfig>')
iconv("cp1252.xml", "WINDOWS-1252",
      '<?xml version="1.0" encoding="windows-1252"?>\r\n'
      '<kxConfig FormatVersion="2.0"><Price>5 € – „netto“</Price></kxConfig>')

write("cdata.xml", DECL + '<kxConfig FormatVersion="2.0">'
      '<Script Type="UCS2STR"><![CDATA[if a < b && c > d then ]]]]><![CDATA[>]]></Script>'
      '</kxConfig>')


# Compressed: a zlib stream of a 4-byte little-endian length and the bytes,
# Base64 in lines of 76 characters joined by CR LF.
def packed(data):
    b64 = base64.b64encode(zlib.compress(struct.pack("<I", len(data)) + data)).decode("ascii")
    return "\r\n".join(b64[i:i + 76] for i in range(0, len(b64), 76))


seed = 4711
blob = bytearray()
for _ in range(600):
    seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
    blob.append(seed >> 23)
write("compressed_paths.xml", DECL + (
    '<kxConfig FormatVersion="2.0" Compressed="true" Encoding="Base64">'
    '<Export><Target Type="UCS2STR">%s</Target></Export>'
    '<Parent Type="UCS2STR">%s<Child Type="UCS2STR">%s</Child></Parent>'
    '<Blob Type="BINARY">%s</Blob>'
    '</kxConfig>') % (packed("x".encode()), packed("parent value".encode()),
                      packed("Grüße\r\nzwei".encode()), packed(bytes(blob))))
write("compressed_paths.bin", bytes(blob))

# Texts the reader must refuse.
write("bad_not_xml.txt", "FormatVersion=2.0\r\nA=1\r\n")
write("bad_unclosed.xml", DECL + '<kxConfig><A>1</kxConfig>')
write("bad_two_roots.xml", DECL + '<kxConfig/><kxConfig/>')
write("bad_duplicate_attribute.xml", DECL + '<kxConfig><A Type="INT" Type="INT">1</A></kxConfig>')
write("bad_undefined_entity.xml", DECL + '<kxConfig><A>&auml;</A></kxConfig>')
write("bad_control_char.xml", DECL + '<kxConfig><A>a\x01b</A></kxConfig>')
write("bad_dtd_entity.xml", DECL + '<!DOCTYPE kxConfig [<!ENTITY secret "s">]>'
      '<kxConfig><A>&secret;</A></kxConfig>')
