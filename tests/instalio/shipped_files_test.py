"""The setup program and everything it carries ship without debug information.

    shipped_files_test.py PROGRAM [--cabinets]

PROGRAM (instalio.exe) must have no debug sections and a debug link to PROGRAM.debug beside it,
which holds its debug information and has the checksum the link names. Every program or
library among its resources must have no debug sections either; with --cabinets (the sample
payload, which the build makes), neither must any program or library inside its cabinets.
Reads the files on Linux: needs cabextract for the cabinets.
"""

import argparse
import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path


class PeFile:
    """The sections and resources of a Windows program or library held in `data`."""

    def __init__(self, data):
        self.data = data
        header = struct.unpack_from("<I", data, 0x3C)[0]
        if data[header:header + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        (sections, symbols_at, symbols, optional_size) = struct.unpack_from(
            "<2xH4xIIH", data, header + 4)
        optional = header + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        strings = symbols_at + symbols * 18
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            name = data[at:at + 8].rstrip(b"\0").decode("ascii")
            if name.startswith("/"):  # a long name, in the string table
                start = strings + int(name[1:])
                name = data[start:data.index(b"\0", start)].decode("ascii")
            size, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((name, rva, max(size, raw_size), raw_at, raw_size))

    def section(self, name):
        for section_name, _, _, raw_at, raw_size in self.sections:
            if section_name == name:
                return self.data[raw_at:raw_at + raw_size]
        return None

    def debug_sections(self):
        return [name for name, *_ in self.sections if name.startswith(".debug")]

    def _at(self, rva):
        for _, start, size, raw_at, _ in self.sections:
            if start <= rva < start + size:
                return raw_at + rva - start
        raise ValueError(f"RVA {rva:#x} in no section")

    def resources(self):
        """(type/name, bytes) of every resource."""
        if not self.resource_rva:
            return []
        base = self._at(self.resource_rva)
        found = []

        def label(entry_name):
            if entry_name & 0x80000000:
                at = base + (entry_name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                return self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            return str(entry_name)

        def walk(offset, path):
            named, numbered = struct.unpack_from("<HH", self.data, base + offset + 12)
            for i in range(named + numbered):
                entry_name, target = struct.unpack_from("<II", self.data,
                                                        base + offset + 16 + 8 * i)
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, path + [label(entry_name)])
                else:
                    rva, size = struct.unpack_from("<II", self.data, base + target)
                    at = self._at(rva)
                    found.append(("/".join(path), self.data[at:at + size]))

        walk(0, [])
        return found


def is_pe(data):
    return data[:2] == b"MZ" and len(data) > 0x40


def check_debug_link(program, failures):
    pe = PeFile(program.read_bytes())
    if pe.debug_sections():
        failures.append(f"{program.name} has debug sections: {', '.join(pe.debug_sections())}")
    link = pe.section(".gnu_debuglink")
    if link is None:
        failures.append(f"{program.name} has no debug link")
        return
    name = link[:link.index(b"\0")].decode("ascii")
    crc_at = (len(name) + 1 + 3) // 4 * 4
    crc = struct.unpack_from("<I", link, crc_at)[0]
    debug = program.with_name(name)
    if name != program.name + ".debug" or not debug.is_file():
        failures.append(f"{program.name} links to {name}, which is not beside it")
        return
    if zlib.crc32(debug.read_bytes()) != crc:
        failures.append(f"{name} does not have the checksum that {program.name} names")
    if ".debug_info" not in PeFile(debug.read_bytes()).debug_sections():
        failures.append(f"{name} holds no debug information")


def check_carried(program, cabinets, failures):
    checked = 0
    for resource, data in PeFile(program.read_bytes()).resources():
        if is_pe(data):
            checked += 1
            debug = PeFile(data).debug_sections()
            if debug:
                failures.append(f"resource {resource} has debug sections: {', '.join(debug)}")
        elif cabinets and data[:4] == b"MSCF":
            with tempfile.TemporaryDirectory() as folder:
                cabinet = Path(folder) / "carried.cab"
                cabinet.write_bytes(data)
                subprocess.run(["cabextract", "-q", "-d", str(Path(folder) / "files"),
                                str(cabinet)], check=True)
                for member in sorted((Path(folder) / "files").rglob("*")):
                    content = member.read_bytes() if member.is_file() else b""
                    if is_pe(content):
                        checked += 1
                        debug = PeFile(content).debug_sections()
                        if debug:
                            failures.append(f"{member.name} of cabinet {resource} has debug "
                                            f"sections: {', '.join(debug)}")
    return checked


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", type=Path)
    parser.add_argument("--cabinets", action="store_true",
                        help="check the programs and libraries inside the cabinets too")
    args = parser.parse_args()
    failures = []
    check_debug_link(args.program, failures)
    checked = check_carried(args.program, args.cabinets, failures)
    for failure in failures:
        print(failure)
    if checked == 0:
        print(f"{args.program.name} carries no programs or libraries: resources not read")
        return 1
    if not failures:
        print(f"{args.program.name} and the {checked} programs and libraries it carries have "
              f"no debug information in them")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
