#!/usr/bin/python3
"""Checks the shipped DLL's PE form: 32-bit x86, subsystem version 4.0, one
export at ordinal 1, at most 160 KiB with every language, and imports only from KERNEL32, USER32
and ADVAPI32, only of functions that every supported Windows has, as the
table beside this script (win32_availability.tsv) records them."""
import csv
import os
import sys

import pefile

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "win32_availability.tsv")
ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll"}
# The versions each import must be on, with what counts as present there.
# Windows 95 cannot load the DLL (no waitable timers) and is not supported.
# A "stub" (exported, but it fails) is enough on the 9x family: the plugin
# calls those functions, the security ones, only on the NT family.
VERSIONS = [
    ("win98", "98", ("yes", "stub")),
    ("winme", "Me", ("yes", "stub")),
    ("nt4", "NT 4.0", ("yes",)),
    ("win2000", "2000", ("yes",)),
    ("xp", "XP", ("yes",)),
]


def read_table(path):
    """{(dll in lower case, function): {version column: value}}"""
    lines = [line for line in open(path, encoding="utf-8") if not line.startswith("#")]
    table = {}
    for row in csv.DictReader(lines, delimiter="\t"):
        table[(row["dll"].lower() + ".dll", row["function"])] = row
    return table


def import_failures(dll, name, table):
    row = table.get((dll.lower(), name))
    if row is None:
        return ["imports %s!%s, which %s does not list" % (dll, name, os.path.basename(TABLE))]
    return ["imports %s!%s, not on Windows %s (the table says '%s')" % (dll, name, version, row[column])
            for column, version, present in VERSIONS if row[column] not in present]


def check(path):
    failures = []

    def expect(ok, text):
        if not ok:
            failures.append(text)

    pe = pefile.PE(path)
    expect(pe.FILE_HEADER.Machine == 0x14C, "machine is not i386")
    expect(pe.OPTIONAL_HEADER.Magic == 0x10B, "not a PE32 image")
    expect(pe.FILE_HEADER.Characteristics & 0x2000, "not a DLL")
    expect((pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion) == (4, 0),
           "subsystem version %d.%d, expected 4.0" % (pe.OPTIONAL_HEADER.MajorSubsystemVersion,
                                                     pe.OPTIONAL_HEADER.MinorSubsystemVersion))
    # The 9x family loads only images laid out in 512-byte file blocks and
    # 4 KiB pages.
    expect((pe.OPTIONAL_HEADER.FileAlignment, pe.OPTIONAL_HEADER.SectionAlignment) == (0x200, 0x1000),
           "file alignment %#x, section alignment %#x, expected 0x200 and 0x1000"
           % (pe.OPTIONAL_HEADER.FileAlignment, pe.OPTIONAL_HEADER.SectionAlignment))
    for section in pe.sections:
        expect(section.Characteristics & 0xA0000000 != 0xA0000000,
               "section %s is writable and executable" % section.Name.rstrip(b"\0").decode())

    exports = pe.DIRECTORY_ENTRY_EXPORT.symbols if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
    names = [(e.name.decode() if e.name else None, e.ordinal) for e in exports]
    expect(names == [("winampGetGeneralPurposePlugin", 1)],
           "exports %r, expected only winampGetGeneralPurposePlugin at ordinal 1" % names)

    table = read_table(TABLE)
    expect(hasattr(pe, "DIRECTORY_ENTRY_IMPORT"), "no import directory")
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode()
        if dll.lower() not in ALLOWED_DLLS:
            failures.append("imports from %s" % dll)
            continue
        for imp in entry.imports:
            name = imp.name.decode() if imp.name else "#%d" % imp.ordinal
            failures.extend(import_failures(dll, name, table))

    size = len(pe.__data__)
    expect(size <= 160 * 1024, "%d bytes, more than 160 KiB" % size)
    for failure in failures:
        print("pe: " + failure)
    print("pe: %s, %d bytes: %s" % (path, size, "FAILED" if failures else "ok"))
    return not failures


if __name__ == "__main__":
    sys.exit(0 if check(sys.argv[1]) else 1)
