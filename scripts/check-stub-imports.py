#!/usr/bin/env python3
"""Fails when a linked stub image imports a DLL that is not part of every Windows system.

The stub is started on bare machines, from a download or a CD: a library that it would take from
a DLL beside it (zlib, the C++ runtime, pthreads) must be linked in instead.
"""
import struct
import sys

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "ole32.dll", "shell32.dll", "user32.dll"}


def imported_dlls(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    opt_size = struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (112 if magic == 0x20B else 96)
    import_rva = struct.unpack_from("<I", data, dirs + 8)[0]
    table = [struct.unpack_from("<IIII", data, opt + opt_size + 40 * i + 8)
             for i in range(sections)]  # virtual size, virtual address, raw size, raw offset

    def offset(rva):
        for vsize, vaddr, rsize, roff in table:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return rva - vaddr + roff
        raise ValueError(f"address {rva:#x} is in no section")

    names = []
    entry = offset(import_rva) if import_rva else None
    while entry is not None:
        name_rva = struct.unpack_from("<I", data, entry + 12)[0]
        if name_rva == 0:
            break
        at = offset(name_rva)
        names.append(data[at:data.index(b"\0", at)].decode("ascii"))
        entry += 20
    return names


def main(path):
    names = imported_dlls(open(path, "rb").read())
    foreign = [n for n in names if n.lower() not in SYSTEM_DLLS]
    if foreign:
        sys.exit(f"{path}: imports {', '.join(foreign)}, which a bare system does not have")


if __name__ == "__main__":
    main(sys.argv[1])
