#!/usr/bin/python3
"""Checks the shipped DLL's PE form: 32-bit x86, subsystem version 4.0, one
export at ordinal 1, and imports only from KERNEL32, USER32, ADVAPI32 and
msvcrt, only of functions that Windows 98 also has."""
import sys

import pefile

# Every function the plugin may import. Each is present in Windows 98
# (the security functions as stubs there; the plugin only calls them on the
# NT family). A new import must be added here on purpose.
WIN98_FUNCTIONS = {
    "KERNEL32.dll": {
        "CloseHandle", "CompareFileTime", "CreateEventA", "CreateThread", "CreateWaitableTimerA",
        "FileTimeToSystemTime", "FormatMessageA", "FreeLibrary", "GetCurrentProcess", "GetLastError",
        "GetLocalTime", "GetModuleFileNameA", "GetModuleHandleA", "GetPrivateProfileIntA", "GetProcAddress",
        "GetProcessHeap", "GetSystemDirectoryA", "GetSystemPowerStatus", "GetTimeZoneInformation",
        "GetVersionExA", "HeapAlloc", "HeapFree", "LoadLibraryA", "LocalFileTimeToFileTime", "ResetEvent", "SetEvent",
        "SetLastError", "SetSystemPowerState", "SetWaitableTimer", "SystemTimeToFileTime", "TerminateThread",
        "WaitForMultipleObjects", "WaitForSingleObject", "WritePrivateProfileStringA", "lstrcpynA", "lstrlenA",
    },
    "USER32.dll": {
        "CheckDlgButton", "DialogBoxParamA", "EnableWindow", "EndDialog", "ExitWindowsEx",
        "GetDlgItem", "GetDlgItemInt", "GetDlgItemTextA", "GetForegroundWindow", "GetWindowLongA",
        "IsDlgButtonChecked", "MessageBoxA", "ReplyMessage", "SendDlgItemMessageA", "SendMessageA",
        "SetDlgItemTextA", "SetWindowLongA", "SetWindowTextA", "ShowWindow", "wsprintfA",
    },
    "ADVAPI32.dll": {
        "AdjustTokenPrivileges", "GetTokenInformation", "LookupPrivilegeValueA",
        "OpenProcessToken",
    },
    "msvcrt.dll": {"memcpy", "memset", "_snprintf"},
}


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

    exports = pe.DIRECTORY_ENTRY_EXPORT.symbols if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
    names = [(e.name.decode() if e.name else None, e.ordinal) for e in exports]
    expect(names == [("winampGetGeneralPurposePlugin", 1)],
           "exports %r, expected only winampGetGeneralPurposePlugin at ordinal 1" % names)

    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode()
        allowed = {k.lower(): v for k, v in WIN98_FUNCTIONS.items()}.get(dll.lower())
        if allowed is None:
            failures.append("imports from %s" % dll)
            continue
        for imp in entry.imports:
            name = imp.name.decode() if imp.name else "#%d" % imp.ordinal
            expect(name in allowed, "imports %s!%s, not on the list of functions Windows 98 has" % (dll, name))

    size = len(pe.__data__)
    expect(size <= 16384, "%d bytes, more than 16 KiB" % size)
    for failure in failures:
        print("pe: " + failure)
    print("pe: %s, %d bytes: %s" % (path, size, "FAILED" if failures else "ok"))
    return not failures


if __name__ == "__main__":
    sys.exit(0 if check(sys.argv[1]) else 1)
