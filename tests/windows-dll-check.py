"""Checks of the built Windows DLLs as files: export table, imported DLLs, version resource.

Usage: python3 windows-dll-check.py --objdump OBJDUMP {exports|imports|version} DLL [--needs NAME]...
Prints what it read; exits non-zero with the differences when a check fails.
"""
import argparse
import os
import re
import subprocess
import sys

BASE_CLASS = "BakkesMod::Plugin::BakkesModPlugin"

# The loader's entry points under their plain names, and the plugin base class's members.
EXPECTED_EXPORTS = {
    "exports",
    "getPlugin",
    "deleteMe",
    f"{BASE_CLASS}::BakkesModPlugin()",
    f"{BASE_CLASS}::BakkesModPlugin({BASE_CLASS} const&)",
    f"{BASE_CLASS}::BakkesModPlugin({BASE_CLASS}&&)",
    f"{BASE_CLASS}::~BakkesModPlugin()",
    f"{BASE_CLASS}::operator=({BASE_CLASS} const&)",
    f"{BASE_CLASS}::operator=({BASE_CLASS}&&)",
    f"{BASE_CLASS}::onLoad()",
    f"{BASE_CLASS}::onUnload()",
    f"vtable for {BASE_CLASS}",
    # An exported class brings its run-time type information along on Windows.
    f"typeinfo for {BASE_CLASS}",
}

# DLLs of Windows itself. Anything else (the MinGW runtime's libstdc++-6.dll, libgcc_s_seh-1.dll,
# libwinpthread-1.dll above all) would have to be shipped beside the plugin.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "imm32.dll", "winmm.dll", "msvcrt.dll"}

EXPECTED_VERSION = (1, 0, 0, 13)
EXPECTED_STRINGS = {
    "FileDescription": "Spinbeat",
    "FileVersion": "1.0.0.13",
    "InternalName": "Spinbeat.dll",
    "OriginalFilename": "Spinbeat.dll",
    "ProductName": "Spinbeat",
    "ProductVersion": "1.0.0.13",
}


def objdump_private_headers(objdump, dll):
    return subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout


def demangle(objdump, names):
    cxxfilt = re.sub(r"objdump$", "c++filt", objdump)
    result = subprocess.run([cxxfilt], input="\n".join(names), check=True, capture_output=True, text=True)
    return result.stdout.splitlines()


def check_exports(args):
    headers = objdump_private_headers(args.objdump, args.dll)
    table = headers.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) != 2:
        return [f"{args.dll} has no export name table"]
    names = []
    for line in table[1].splitlines()[1:]:
        match = re.match(r"\s*\[\s*\d+\]\s+(\S+)$", line)
        if not match:
            break
        names.append(match.group(1))
    print("Export name table:")
    for name, readable in zip(names, demangle(args.objdump, names)):
        print(f"  {name}" + (f"  ({readable})" if readable != name else ""))
    exported = set(demangle(args.objdump, names))
    return [f"missing export: {name}" for name in sorted(EXPECTED_EXPORTS - exported)] + [
        f"unexpected export: {name}" for name in sorted(exported - EXPECTED_EXPORTS)
    ]


def check_imports(args):
    headers = objdump_private_headers(args.objdump, args.dll)
    imported = re.findall(r"^\s*DLL Name: (\S+)$", headers, re.MULTILINE)
    print("Imported DLLs: " + ", ".join(imported))
    allowed = SYSTEM_DLLS | {name.lower() for name in args.needs}
    problems = [f"imports a DLL that is not part of Windows: {name}"
                for name in imported if name.lower() not in allowed]
    problems += [f"does not import {name}" for name in args.needs
                 if name.lower() not in {dll.lower() for dll in imported}]
    return problems


def check_version(args):
    import pefile

    pe = pefile.PE(args.dll)
    if not getattr(pe, "VS_FIXEDFILEINFO", None):
        return [f"{args.dll} has no version resource"]
    fixed = pe.VS_FIXEDFILEINFO[0]

    def quad(high, low):
        return (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)

    versions = {
        "file version": quad(fixed.FileVersionMS, fixed.FileVersionLS),
        "product version": quad(fixed.ProductVersionMS, fixed.ProductVersionLS),
    }
    strings = {}
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    for name, value in versions.items():
        print(f"  {name}: " + ".".join(map(str, value)))
    for key, value in sorted(strings.items()):
        print(f"  {key}: {value}")
    problems = [f"{name} is {value}, not {EXPECTED_VERSION}"
                for name, value in versions.items() if value != EXPECTED_VERSION]
    problems += [f"{key} is {strings.get(key)!r}, not {value!r}"
                 for key, value in EXPECTED_STRINGS.items() if strings.get(key) != value]
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("check", choices=["exports", "imports", "version"])
    parser.add_argument("dll")
    parser.add_argument("--needs", action="append", default=[], metavar="NAME",
                        help="a DLL that the DLL must import, whether part of Windows or not")
    args = parser.parse_args()
    print(f"{os.path.basename(args.dll)}:")
    problems = {"exports": check_exports, "imports": check_imports, "version": check_version}[args.check](args)
    for problem in problems:
        print(f"FAILED: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
