"""Writes a module-definition file listing a DLL's exports, for llvm-dlltool to make its import library.

Usage: dll-def.py DLL DEF [--drop-exports-of OTHER_DLL]...

Exports that lie outside the DLL's code are data (DATA in the file), so that the import library gives
them no call thunk. Forwarded exports are functions of another DLL and are listed as code.
"""
import argparse
import os
import sys

import pefile

IMAGE_SCN_CNT_CODE = 0x00000020
IMAGE_SCN_MEM_EXECUTE = 0x20000000


def exports(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]])
    code = [(s.VirtualAddress, s.VirtualAddress + max(s.Misc_VirtualSize, s.SizeOfRawData))
            for s in pe.sections if s.Characteristics & (IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE)]
    found = {}
    for symbol in getattr(pe, "DIRECTORY_ENTRY_EXPORT", None).symbols if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []:
        if symbol.name is None:
            continue
        name = symbol.name.decode()
        is_code = symbol.forwarder is not None or any(lo <= symbol.address < hi for lo, hi in code)
        found[name] = is_code
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("dll")
    parser.add_argument("def_file")
    parser.add_argument("--drop-exports-of", action="append", default=[], metavar="DLL",
                        help="leave out the names that this other DLL exports (they are imported from it)")
    args = parser.parse_args()
    names = exports(args.dll)
    if not names:
        print(f"dll-def: {args.dll} exports nothing", file=sys.stderr)
        return 1
    for other in args.drop_exports_of:
        for name in exports(other):
            names.pop(name, None)
    library = os.path.basename(args.dll)
    lines = [f"LIBRARY {library}", "EXPORTS"]
    lines += [f"    {name}" + ("" if is_code else " DATA") for name, is_code in sorted(names.items())]
    with open(args.def_file, "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
