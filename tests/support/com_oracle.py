#!/usr/bin/env python3
"""An independent reader and writer of com strings (the tagged message
protocol), with python's own base64 and zlib, for tests to check ours
against. Reads a JSON list of operations on stdin, writes a JSON list of
results; all texts travel as hex.

  {"op": "build", "type": hex, "encode": bool, "compress": bool, "parts": [hex]}
      -> {"text": hex, "parts": [hex]}          (parts as they went in)
  {"op": "parse", "text": hex}
      -> {"ok": bool, "type": hex, "records": [[param, orgparam, value]]}

Names are upper-cased in ASCII only: tests give ASCII names.
"""
import base64
import json
import struct
import sys
import zlib


def compress(data):
    # A 4-byte little-endian length, then the bytes, as one zlib stream at level 9.
    return zlib.compress(struct.pack("<I", len(data)) + data, 9)


def decompress(data):
    raw = zlib.decompress(data)
    (length,) = struct.unpack("<I", raw[:4])
    if len(raw) - 4 < length:
        raise ValueError("short content")
    return raw[4:4 + length]


def upper(data):
    return bytes(c - 32 if 97 <= c <= 122 else c for c in data)


def lower(data):
    return bytes(c + 32 if 65 <= c <= 90 else c for c in data)


def build(op):
    kind = bytes.fromhex(op["type"])
    encode = op["encode"] or op["compress"]
    parts = []
    for p in (bytes.fromhex(h) for h in op["parts"]):
        if op["compress"]:
            p = compress(p)
        if encode:
            p = base64.b64encode(p)
        parts.append(p)
    text = b"<" + kind + b">" + (b"<enc=mime>" if encode else b"<enc=none>")
    text += b"<comp=true>" if op["compress"] else b"<comp=false>"
    text += b"".join(b"<" + p + b">" for p in parts) + b"</" + kind + b">"
    return {"text": text.hex(), "parts": [p.hex() for p in parts]}


def tags_of(text):
    tags = []
    while b">" in text:
        lt = text.find(b"<")
        if lt >= 0:
            text = text[lt + 1:]
        gt = text.find(b">")
        if gt < 0:
            break
        if gt > 0:
            tags.append(text[:gt])
        text = text[gt + 1:]
    return tags


def parse(op):
    tags = tags_of(bytes.fromhex(op["text"]))
    if len(tags) < 2 or upper(tags[-1]) != b"/" + upper(tags[0]):
        return {"ok": False}
    parts = tags[1:-1]
    encoded = compressed = False
    found_enc = found_comp = False
    kept = []
    for p in parts:
        if found_enc and found_comp:
            kept.append(p)
            continue
        name, _, value = p.partition(b"=")
        if lower(name) == b"comp":
            compressed = lower(value) in (b"true", b"yes", b"1", b"ja", b"y", b"x", b"ok")
            found_comp = True
        elif lower(name) == b"enc":
            encoded = lower(value) == b"mime"
            found_enc = True
        else:
            kept.append(p)
    records = []
    try:
        for p in kept:
            if encoded:
                p = base64.b64decode(p)
            if compressed:
                p = decompress(p)
            if b"=" in p:
                name, _, value = p.partition(b"=")
            else:
                name, value = b"", p
            records.append([upper(name).hex(), name.hex(), value.hex()])
    except Exception:
        return {"ok": False}
    return {"ok": True, "type": upper(tags[0]).hex(), "records": records}


def main():
    ops = json.load(sys.stdin)
    out = [build(op) if op["op"] == "build" else parse(op) for op in ops]
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
