#!/usr/bin/env python3
"""Writes the seed corpora of the fuzzers from the replies the scenario files receive.

Each `recv "..."` line of tests/scenarios/*.scn becomes one seed of the reply path (with a first byte
that picks the pending request kind) and, where it is a register dump or a record set, of the value
decoders. Run it again when scenarios change; the seeds are committed.
"""
import hashlib
import pathlib
import re

top = pathlib.Path(__file__).resolve().parents[2]
corpus = top / "tests/fuzz/corpus"


def unescape(text):
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x":
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            out += {"n": b"\n", "r": b"\r", "t": b"\t", "\\": b"\\", '"': b'"'}[n]
            i += 2
            continue
        out += c.encode("cp1254")
        i += 1
    return bytes(out)


def write(name, data):
    folder = corpus / name
    folder.mkdir(parents=True, exist_ok=True)
    (folder / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


for scn in sorted((top / "tests/scenarios").glob("*.scn")):
    for line in scn.read_text(encoding="utf-8").splitlines():
        m = re.match(r'\s*recv "(.*)"\s*$', line)
        if not m:
            continue
        chunk = unescape(m.group(1))
        write("reply_path", bytes([0]) + chunk)
        if chunk.startswith(b"enerjial"):
            write("value_decoders", bytes([0]) + chunk[11:])
        if chunk.startswith(b"cihazenerji"):
            fields = chunk.split(b"\x01")
            if len(fields) > 3:
                write("value_decoders", bytes([2]) + fields[3])
for text in [b"0", b"-12", b" 2147483647", b"2147483648", b"1,5", b"1.5e3", b"nan", b"inf", b"  -0,000001  "]:
    write("number_parsers", text)
