#!/usr/bin/env python3
"""Writes the seed corpora of the fuzzers from the replies and requests of the scenario files.

Each `recv "..."` line of tests/scenarios/*.scn becomes one seed of the reply path (with a first byte
that picks the pending request kind) and, where it is a register dump or a record set, of the value
decoders; the "sayacal" ones also of the meter readout. The requests the scenarios expect the client to
send become seeds of the server, aimed at the demo server's devices. The serial seeds are read replies of
the tool window. Run it again when scenarios change; the seeds are committed.
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


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return bytes([crc & 0xFF, crc >> 8])


terminator = b"\xF4\xF4\xF4"
# The demo server's analyzer, overcurrent relay and meter reader.
server_serials = [b"310001", b"420001", b"530001"]
requests = set()

for scn in sorted((top / "tests/scenarios").glob("*.scn")):
    for line in scn.read_text(encoding="utf-8").splitlines():
        m = re.match(r'\s*expect sent "(.*)"\s*$', line)
        if m:
            for request in unescape(m.group(1)).split(terminator):
                if request:
                    requests.add(request + terminator)
            continue
        m = re.match(r'\s*recv "(.*)"\s*$', line)
        if not m:
            continue
        chunk = unescape(m.group(1))
        if chunk.startswith(b"sayacal"):
            write("meter_readout", bytes([0]) + chunk[10:])
        write("reply_path", bytes([0]) + chunk)
        if chunk.startswith(b"enerjial"):
            write("value_decoders", bytes([0]) + chunk[11:])
        if chunk.startswith(b"cihazenerji"):
            fields = chunk.split(b"\x01")
            if len(fields) > 3:
                write("value_decoders", bytes([2]) + fields[3])
for text in [b"0", b"-12", b" 2147483647", b"2147483648", b"1,5", b"1.5e3", b"nan", b"inf", b"  -0,000001  "]:
    write("number_parsers", text)

# Meter readouts as the server's meter reader sends them, in two replies.
readout = (b"/KRV5VNM530\r\n0.0.0(00530001)\r\n0.9.1(25-03-14)\r\n0.9.2(10:30:00)\r\n0.9.5(5)\r\n"
           b"1.8.0(012345.678*kWh)\r\n1.8.1(006790.123*kWh)\r\n1.8.2(003086.420*kWh)\r\n"
           b"1.8.3(002469.135*kWh)\r\n5.8.0(001234.567*kvarh)\r\n5.8.1(000679.012*kvarh)\r\n"
           b"8.8.0(000123.456*kvarh)\r\n8.8.3(000024.691*kvarh)\r\n")
tail = (b"1.6.0(042.125*kW)(25-03-07,10:15)\r\n0.8.0(15*min)\r\n0.1.0(04)\r\n96.1.3(19-03-14)\r\n"
        b"96.2.5(19-04-02)\r\n96.2.2(23-01-01,00:00)\r\n96.70(21-06-11,14:05)\r\n"
        b"96.71(22-09-30,09:42)(02)\r\n96.6.1(1)\r\n96.7.0(3)\r\n96.7.1(6)\r\n96.7.2(5)\r\n"
        b"96.7.3(7)\r\n96.77.4(13)\r\n96.77.5(4)\r\n!\r\n")
write("meter_readout", bytes([0]) + readout + terminator + tail)
write("meter_readout", bytes([1]) + readout.replace(b".", b",") + terminator + tail)

# Server: each request after a login, on each kind of device; the stream in one read and in four.
login = b"kulsifre\x01demo\x01demo\x02" + terminator
for request in sorted(requests):
    if request.startswith(b"kulsifre"):
        continue
    for serial in server_serials:
        aimed = re.sub(rb"^([^\x01]*\x01) ?\d+\x01", lambda m: m.group(1) + serial + b"\x01", request)
        write("server_requests", bytes([0]) + login + aimed)
        if aimed == request:
            break
write("server_requests", bytes([3]) + login + b"ping" + terminator + b"yenimesajiste\x01demo\x01" + terminator)
write("server_requests", bytes([8]) + b"sayac\x01530001\x01tdsEvt\x01kytevt\x01" + terminator)

# Serial: read replies of device 1 from register 0, 5 and 30, two and four registers (start + 100 as a
# signed byte), whole or with the CRC left to the fuzzer.
for start, data in [(0, b"\x43\x5C\x80\x00"), (5, b"\x01\xF4\x05\x00"), (30, b"\x00\x00\x00\x00"),
                    (0, b"\x43\x5C\x80\x00\x00\x05\x1F\x40")]:
    count = len(data) // 2
    reply = bytes([1, 3, len(data)]) + data
    head = bytes([1, (start - 100) & 0xFF, count])
    write("serial_receive", head + bytes([0]) + reply + crc16(reply))
    write("serial_receive", head + bytes([2]) + reply)
write("serial_receive", bytes([7, 0x9C, 2, 4]) + b"\x07\x03\x04\x01\xF4\x05\x00\xDF\x6D")
