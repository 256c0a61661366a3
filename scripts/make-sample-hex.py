#!/usr/bin/env python3
"""Writes samples/blinky.hex: a small LPC13xx firmware that toggles PIO0_7.

The image is a vector table, a short Thumb program and a 6 KiB brightness
table, so that a programming run spans two flash sectors. Word 7 of the
vector table is left 0: the loader computes the checksum word.
"""
import math
import pathlib
import struct

FLASH_CODE = 0xC0
STACK_TOP = 0x10002000


def thumb(*halfwords):
    return b"".join(struct.pack("<H", h) for h in halfwords)


def program():
    # reset:  ldr r0,=GPIO0DIR; movs r1,#0x80; str r1,[r0]; ldr r0,=GPIO0DATA
    # loop:   ldr r2,[r0]; eors r2,r1; str r2,[r0]; ldr r3,=DELAY
    # delay:  subs r3,#1; bne delay; b loop
    # idle:   b idle                      (default handler)
    # pool:   .word 0x50008000, 0x50003FFC, 0x00100000
    code = thumb(0x4805, 0x2180, 0x6001, 0x4805,   # 0xC0..0xC7
                 0x6802, 0x404A, 0x6002, 0x4B04,   # 0xC8..0xCF loop
                 0x3B01, 0xD1FD, 0xE7F8,           # 0xD0..0xD5 delay, bne, b loop
                 0xE7FE,                           # 0xD6 idle
                 )
    code += struct.pack("<III", 0x50008000, 0x50003FFC, 0x00100000)  # 0xD8..0xE3
    return code


def image():
    idle = FLASH_CODE + 0x16 + 1
    vectors = [STACK_TOP, FLASH_CODE + 1] + [idle] * 5 + [0] + [idle] * 8
    data = bytearray(struct.pack("<16I", *vectors))
    data += bytes(FLASH_CODE - len(data))
    data += program()
    data += bytes(0x400 - len(data))
    # 6 KiB of a brightness curve, for a visible run across two sectors.
    data += bytes(int(127.5 + 127.5 * math.sin(2 * math.pi * i / 256)) for i in range(6 * 1024))
    return bytes(data)


def hex_lines(data):
    for offset in range(0, len(data), 16):
        chunk = data[offset:offset + 16]
        record = bytes([len(chunk), offset >> 8, offset & 0xFF, 0]) + chunk
        checksum = (-sum(record)) & 0xFF
        yield ":" + record.hex().upper() + f"{checksum:02X}"
    yield ":00000001FF"


if __name__ == "__main__":
    out = pathlib.Path(__file__).resolve().parent.parent / "samples" / "blinky.hex"
    out.write_text("\n".join(hex_lines(image())) + "\n")
    print(out)
