#!/usr/bin/env python3
"""Writes the seed inputs of termlink_fuzz into corpus/ (see termlink_fuzz.cpp for the format)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SEAL_AND_STAMP = 3


def packet(code, session=0, payload=b""):
    return struct.pack("<HHHH", code, 0, session, 0) + payload


def record(data, flags=SEAL_AND_STAMP):
    return struct.pack("<BH", flags, len(data)) + data


def silence():
    return record(b"", 0)


def block_hash(data):
    h = 0
    for c in data:
        h = ((h << 4) + c) & 0xFFFFFFFF
        g = h & 0xF0000000
        if g:
            s = (g >> 24) | (0xFFFFFF00 if g & 0x80000000 else 0)
            h ^= g ^ s
    return h % 0xFEFFFF


def lzo_literals(data):
    """An LZO1X stream that holds `data` as one literal run (up to 238 bytes)."""
    return bytes([17 + len(data)]) + data + b"\x11\x00\x00"


def announced(total, packet_size, indexes, result):
    out = record(packet(1500, 0, struct.pack("<II", total, packet_size)))
    for i in indexes:
        out += record(packet(0, i, result[i * packet_size:(i + 1) * packet_size]))
    return out


def buffered(transfer, result_size, compressed):
    header = struct.pack("<BIII", 1 if compressed else 0, len(transfer), result_size,
                         block_hash(transfer))
    return (record(packet(2000, 0x12, header)) +
            announced(len(transfer), 1024, range((len(transfer) + 1023) // 1024), transfer) +
            silence() + silence() + record(packet(2000, 0x12)))


def seed(name, options, capacity, body):
    with open(os.path.join(HERE, "corpus", name), "wb") as f:
        f.write(struct.pack("<BH", options, capacity) + body)


result = bytes((i * 7 + 3) & 0xFF for i in range(3000))
text = b"attendance terminal " * 6
seed("sendcmd-reply", 0, 16, record(packet(2000, 0x12, b"\x01\x02\x03\x04")))
seed("readdata1-verified", 1 | 4, 3000,
     announced(3000, 1024, [0, 1, 2], result) + silence() + silence())
seed("readdata1-reordered", 1 | 4, 3000,
     announced(3000, 1024, [2, 0], result) + silence() + silence() +
     announced(3000, 1024, [1], result) + silence() + silence())
seed("readdata1-gap", 1, 3000, announced(3000, 1024, [0, 2], result) + silence())
seed("readdata1-inline", 1, 1524, record(packet(1501, 0x12, result[:500])) + silence())
seed("readdata1-runt-and-claim", 1 | 4 | 0x80, 3000,
     record(packet(1500, 0, struct.pack("<II", 3000, 1024))) + record(b"\x00\x01\x02", 0) +
     record(packet(0, 0, result[:1024]), SEAL_AND_STAMP | 4))
seed("readdata2-plain", 2 | (3 << 3), len(result), buffered(result, len(result), False))
seed("readdata2-lzo", 2 | (3 << 3), len(text), buffered(lzo_literals(text), len(text), True))
seed("readdata2-lzo-overrun", 2 | (2 << 3), 100, buffered(lzo_literals(text), 100, True))
seed("served-lzo", 2 | 0x40 | (3 << 3), len(text),
     struct.pack("<BH", 1, len(text)) + lzo_literals(text))
seed("served-plain", 2 | 0x40 | (1 << 3), 3000, struct.pack("<BH", 0, 3000) + result)
seed("readdata-fallback", 3, 3000,
     record(packet(0xFFFF, 0x12)) + announced(3000, 1024, [0, 1, 2], result) + silence() +
     silence())
