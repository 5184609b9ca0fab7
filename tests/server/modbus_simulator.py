#!/usr/bin/python3
"""A field analyzer for korvel-server's Modbus links, served by pymodbus (Debian's python3-pymodbus 3.0).

Serves holding registers on Modbus TCP on a loopback port, or on Modbus RTU behind a pseudo-terminal
whose path it prints. Writes are printed as they land, so that a test can read back what the server
wrote. Faults for tests: an exception answer to every read, answers that come late, and (over RTU) a
line that corrupts one byte of every answer.

  modbus_simulator.py --tcp 127.0.0.1:0 [--units 1-200] [--image FILE] [--fault exception|late|corrupt]
  modbus_simulator.py --rtu [...]

Prints "ready tcp PORT" or "ready rtu PATH" once it serves, then "written UNIT ADDRESS V1 V2 ..." for
every write. The image file is JSON: {"START": [register, ...], ...}; without one it serves an analyzer
of its own whose voltages drift a little every second.
"""

import argparse
import asyncio
import json
import math
import os
import struct
import sys
import threading
import time
import tty

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.server.async_io import ModbusSerialServer, ModbusTcpServer
from pymodbus.transaction import ModbusRtuFramer, ModbusSocketFramer

REGISTERS = 1024


def float_registers(value):
    high, low = struct.unpack(">HH", struct.pack(">f", value))
    return [high, low]


def analyzer_image(t=0.0):
    """The analyzer's registers: slot n of the client's table is registers 2n and 2n+1."""
    regs = [0] * REGISTERS

    def put(slot, value):
        regs[2 * slot:2 * slot + 2] = float_registers(value)

    volts = [230.4 + 1.5 * math.sin(t / 60 + k) for k in range(3)]
    amps = [48.25, 51.5, 46.75]
    cos = [0.97, 0.964, 0.981]
    for k in range(3):
        kva = volts[k] * amps[k] / 1000
        put(k, volts[k])
        put(3 + k, volts[k] * math.sqrt(3))
        put(6 + k, amps[k])
        put(9 + k, kva * cos[k])
        put(12 + k, kva * math.sin(math.acos(cos[k])))
        put(15 + k, cos[k])
        put(18 + k, cos[k] - 0.02)
        put(21 + k, kva)
        put(24 + k, kva * cos[k])
        put(36 + k, 15230.5 + 1000 * k)
        put(42 + k, 1210.25 + 100 * k)
        put(45 + k, 310.5 + 10 * k)
    put(27, sum(volts[k] * amps[k] / 1000 * cos[k] for k in range(3)))
    put(33, 0.972)
    put(34, 0.95)
    regs[70] = 500  # frequency in tenths of a hertz
    regs[71] = 0x05 << 8  # inputs 1 and 3 in the high byte
    regs[104] = 0x3F0F  # capacitor groups 1 and 2
    for step in range(24):
        put(53 + step, 5.0 if step < 8 else 2.5)
    for word in range(6):
        regs[154 + 2 * word:156 + 2 * word] = [0x0707, 0x0707] if word < 2 else [0x0102, 0x0401]
    regs[200:226] = [0x0001, 0x00C8, 0x0A0A, 0x0F0F, 0x0507, 0x0202] + float_registers(2.5) + \
        float_registers(5.0) + float_registers(0.98) + float_registers(0.99) + float_registers(0.98) + \
        float_registers(0.99) + [0x4596, 0x0100, 0, 0, 0, 0, 0, 0]
    for phase in range(3):
        samples = [round(100 * math.sin(2 * math.pi * i / 64)) & 0xFF for i in range(64)] + \
            [round(80 * math.sin(2 * math.pi * i / 64 - 0.3 - phase)) & 0xFF for i in range(64)]
        for i in range(64):
            regs[512 + 64 * phase + i] = samples[2 * i] << 8 | samples[2 * i + 1]
    return regs


def load_image(path):
    regs = [0] * REGISTERS
    with open(path, encoding="utf-8") as f:
        for start, values in json.load(f).items():
            regs[int(start):int(start) + len(values)] = values
    return regs


class Block(ModbusSequentialDataBlock):
    """The holding registers of one unit, with the test's faults."""

    def __init__(self, unit, values, fault, delay):
        super().__init__(0, values)
        self.unit = unit
        self.fault = fault
        self.delay = delay

    def validate(self, address, count=1):
        return self.fault != "exception" and super().validate(address, count)

    def getValues(self, address, count=1):
        if self.fault == "late":
            time.sleep(self.delay)  # the whole simulator stalls, as a slow device would
        return super().getValues(address, count)

    def setValues(self, address, values):
        super().setValues(address, values)
        values = values if isinstance(values, list) else [values]
        print("written", self.unit, address, *values, flush=True)


def units_of(text):
    first, _, last = text.partition("-")
    return range(int(first), int(last or first) + 1)


def pty_pair():
    """Two pseudo-terminals whose masters this process joins: korvel-server opens one, pymodbus the other."""
    ends = []
    for _ in range(2):
        master, slave = os.openpty()
        tty.setraw(slave)
        ends.append((master, slave, os.ttyname(slave)))
    return ends


def relay(server_end, device_end, corrupt):
    """Copies bytes both ways; with corrupt, the last byte of every answer is flipped (a bad CRC)."""
    import select
    while True:
        ready, _, _ = select.select([server_end, device_end], [], [])
        for fd in ready:
            try:
                data = os.read(fd, 4096)
            except OSError:
                time.sleep(0.05)  # nobody holds the other side open yet
                continue
            if fd == device_end and corrupt and data:
                data = data[:-1] + bytes([data[-1] ^ 0x5A])
            os.write(device_end if fd == server_end else server_end, data)


async def drift(blocks, image_fixed):
    while not image_fixed:
        await asyncio.sleep(1)
        regs = analyzer_image(time.monotonic())
        for block in blocks:
            ModbusSequentialDataBlock.setValues(block, 0, regs[:12])


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tcp", help="HOST:PORT to listen on (port 0: any free one)")
    parser.add_argument("--rtu", action="store_true", help="serve RTU behind a pseudo-terminal")
    parser.add_argument("--units", default="1", help="unit ids served, N or FIRST-LAST")
    parser.add_argument("--image", help="JSON file of the registers")
    parser.add_argument("--fault", choices=["exception", "late", "corrupt"])
    parser.add_argument("--delay", type=float, default=5.0, help="seconds of a late answer")
    args = parser.parse_args()

    regs = load_image(args.image) if args.image else analyzer_image()
    blocks = [Block(unit, list(regs), args.fault, args.delay) for unit in units_of(args.units)]
    slaves = {b.unit: ModbusSlaveContext(hr=b, zero_mode=True) for b in blocks}
    context = ModbusServerContext(slaves=slaves, single=False)
    asyncio.ensure_future(drift(blocks, args.image is not None))

    if args.rtu:
        (server_master, _, server_path), (device_master, _, device_path) = pty_pair()
        threading.Thread(target=relay, args=(server_master, device_master, args.fault == "corrupt"),
                         daemon=True).start()
        server = ModbusSerialServer(context, framer=ModbusRtuFramer, port=device_path, baudrate=9600,
                                    ignore_missing_slaves=True)
        await server.start()
        print("ready rtu", server_path, flush=True)
        await server.serve_forever()
    else:
        host, _, port = args.tcp.rpartition(":")
        server = ModbusTcpServer(context, ModbusSocketFramer, None, (host, int(port)),
                                 ignore_missing_slaves=True)
        task = asyncio.ensure_future(server.serve_forever())
        while server.server is None:
            await asyncio.sleep(0.01)
        print("ready tcp", server.server.sockets[0].getsockname()[1], flush=True)
        await task


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
