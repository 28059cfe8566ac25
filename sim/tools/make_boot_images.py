#!/usr/bin/env python3
"""Writes the boot images of the simulated controller boards as Intel HEX files.

The images are ours: they carry a small header that the simulated processor, boot loader and
monitor check (sim/README.md, "Boot images"), padded with code-like filler. Run it from the
repository root:  python3 sim/tools/make_boot_images.py support/ZOVtoolSupportFiles
"""
import os
import struct
import sys


def xor(data):
    value = 0
    for b in data:
        value ^= b
    return value


def filler(seed, count):
    # Code-like filler: a fixed pseudo-random sequence, so the files never change between runs.
    out = bytearray()
    x = seed
    for _ in range(count):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((x >> 16) & 0xFF)
    return out


def boot_loader(monitor_address, monitor_length):
    body = bytearray(b"ZBL1")
    body += struct.pack("<I", monitor_address)[:3]
    body += struct.pack("<H", monitor_length)
    body += filler(1, 32 - len(body) - 1)
    body.append(xor(body))
    assert len(body) == 32
    return body


def monitor(length):
    body = bytearray(b"ZBM1")
    body += bytes([1, 3])                  # version 1.3
    body += struct.pack("<H", length)
    body += filler(2, length - len(body) - 1)
    body.append(xor(body))
    return body


def driver(number, manufacturer, device, length):
    body = bytearray(b"ZFD1")
    body += bytes([number, 0])
    body += struct.pack("<HHH", manufacturer, device, length)
    body += filler(10 + number, length - len(body) - 1)
    body.append(xor(body))
    return body


def record(kind, address, data):
    line = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, kind]) + bytes(data)
    checksum = (-sum(line)) & 0xFF
    return ":" + (line + bytes([checksum])).hex().upper()


def hex_file(address, data):
    lines = [record(4, 0, struct.pack(">H", address >> 16))]
    for offset in range(0, len(data), 16):
        lines.append(record(0, (address + offset) & 0xFFFF, data[offset:offset + 16]))
    lines.append(":00000001FF")
    return "\r\n".join(lines) + "\r\n"


MONITOR_ADDRESS = 0x00F600
MONITOR_LENGTH = 0x200
DRIVER_ADDRESS = 0x00E000
DRIVER_LENGTH = 0x100

IMAGES = {
    "BootLoader.hex": (0x00FA00, boot_loader(MONITOR_ADDRESS, MONITOR_LENGTH)),
    "BootMonitor.hex": (MONITOR_ADDRESS, monitor(MONITOR_LENGTH)),
    "FlashDriverInternal.hex": (DRIVER_ADDRESS, driver(0, 0x00C1, 0x0167, DRIVER_LENGTH)),
    "FlashDriverExternal.hex": (DRIVER_ADDRESS, driver(1, 0x0001, 0x2249, DRIVER_LENGTH)),
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    for name, (address, data) in IMAGES.items():
        with open(os.path.join(folder, name), "w", newline="") as f:
            f.write(hex_file(address, data))


if __name__ == "__main__":
    main()
