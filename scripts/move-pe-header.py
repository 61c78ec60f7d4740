#!/usr/bin/env python3
"""Moves the PE header of a linked image so that "PE" stands at file offset 256.

Packages keep their end offset in bytes 248..255 of the stub's image, and readers recognise the
stub by "MZ" at 0 and "PE" at 256. The linker puts the header at 128; we shift the header and
section table up by the difference (they must still fit before the first section's raw data),
point e_lfanew at 256 and leave 128..255 zero.
"""
import struct
import sys

TARGET = 256


def main(path):
    data = bytearray(open(path, "rb").read())
    if data[:2] != b"MZ":
        sys.exit(f"{path}: not an MZ image")
    old = struct.unpack_from("<I", data, 0x3C)[0]
    if data[old:old + 4] != b"PE\0\0":
        sys.exit(f"{path}: no PE header at {old}")
    if old == TARGET:
        return
    sections = struct.unpack_from("<H", data, old + 6)[0]
    opt_size = struct.unpack_from("<H", data, old + 20)[0]
    header_len = 24 + opt_size + 40 * sections
    opt = old + 24
    size_of_headers = struct.unpack_from("<I", data, opt + 60)[0]
    raw_starts = [struct.unpack_from("<I", data, old + 24 + opt_size + 40 * i + 20)[0]
                  for i in range(sections)]
    first_raw = min([r for r in raw_starts if r] + [size_of_headers])
    if TARGET + header_len > first_raw or old > TARGET:
        sys.exit(f"{path}: no room to move the PE header to {TARGET}")
    header = bytes(data[old:old + header_len])
    data[old:old + header_len] = bytes(header_len)
    data[TARGET:TARGET + header_len] = header
    data[128:TARGET] = bytes(TARGET - 128)  # end offset slot (248..255) and the rest stay zero
    struct.pack_into("<I", data, 0x3C, TARGET)
    open(path, "wb").write(data)


if __name__ == "__main__":
    for p in sys.argv[1:]:
        main(p)
