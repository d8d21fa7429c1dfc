"""Checks of the built Windows DLLs as files: export table, import table, version resource, the package.

Usage: python3 windows-dll-check.py {exports|imports|version|package|host-imports|host-names} FILE [options]
  imports: [--needs NAME]... [--names-exist-in NAME=PATH]...
  package: --holds NAME=PATH... (the zip holds exactly these, each the same bytes as PATH)
  host-imports: --host-names LIST [--member NAME in the zip FILE]; host-names: --host-names LIST [--host-list FULL]
  overloads: --sdk PLUGINSDK_DLL --host-list FULL
Prints what it read; exits non-zero with the differences when a check fails.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import zipfile

import pefile

BASE_CLASS = "BakkesModPlugin@Plugin@BakkesMod@@"

# The section of pluginsdk.dll that holds the generated defaults of the names nothing implements.
STUB_SECTION = b".stubs"
# Class::member( in a demangled declaration; template arguments and conversion operators included.
MEMBER = re.compile(r"(\w+)::(operator [\w ]+?|operator\W+?|~?\w+)(?:<.*>)?\(")

# The loader's entry points under their plain names, and the plugin base class's members under the
# names MSVC decorates them with, which the host's import library of them asks for.
EXPECTED_EXPORTS = {
    "exports",
    "getPlugin",
    "deleteMe",
    f"??0{BASE_CLASS}QEAA@XZ",  # default constructor
    f"??0{BASE_CLASS}QEAA@AEBV012@@Z",  # copy constructor
    f"??0{BASE_CLASS}QEAA@$$QEAV012@@Z",  # move constructor
    f"??1{BASE_CLASS}QEAA@XZ",  # destructor, not virtual
    f"??4{BASE_CLASS}QEAAAEAV012@AEBV012@@Z",  # copy assignment
    f"??4{BASE_CLASS}QEAAAEAV012@$$QEAV012@@Z",  # move assignment
    f"?onLoad@{BASE_CLASS}UEAAXXZ",
    f"?onUnload@{BASE_CLASS}UEAAXXZ",
    f"??_7{BASE_CLASS}6B@",  # the table of virtual operations
}

# DLLs of Windows itself, and the Visual C++ runtime a release build of the host uses. Anything else
# (a MinGW or GCC runtime above all) would have to be shipped beside the plugin.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "imm32.dll", "winmm.dll"}
VC_RUNTIME_DLLS = {"vcruntime140.dll", "vcruntime140_1.dll", "msvcp140.dll", "msvcp140_1.dll", "msvcp140_2.dll",
                   "msvcp140_atomic_wait.dll", "msvcp140_codecvt_ids.dll", "ucrtbase.dll"}

EXPECTED_VERSION = (1, 0, 0, 13)
EXPECTED_STRINGS = {
    "FileDescription": "Spinbeat",
    "FileVersion": "1.0.0.13",
    "InternalName": "Spinbeat.dll",
    "OriginalFilename": "Spinbeat.dll",
    "ProductName": "Spinbeat",
    "ProductVersion": "1.0.0.13",
}


def load(path, directory, member=None):
    """The image at `path`, or the one named `member` in the zip at `path`."""
    data = zipfile.ZipFile(path).read(member) if member else None
    # The host's library exports more names than pefile takes for a sound file by default.
    pe = pefile.PE(None if member else path, data=data, fast_load=True, max_symbol_exports=1 << 16)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY[directory]])
    return pe


def exported_names(path):
    pe = load(path, "IMAGE_DIRECTORY_ENTRY_EXPORT")
    if not hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
        return []
    return [symbol.name.decode() for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols if symbol.name]


def undecorate(names):
    """The names as C++ declarations, where an undecorator is at hand; the names themselves otherwise."""
    tool = shutil.which("llvm-undname-19") or shutil.which("llvm-undname")
    decorated = [name for name in names if name.startswith("?")]
    if not tool or not decorated:
        return {}
    result = subprocess.run([tool], input="\n".join(decorated) + "\n", capture_output=True, text=True)
    readable = [line for line in result.stdout.splitlines() if line and line not in decorated]
    return dict(zip(decorated, readable)) if len(readable) == len(decorated) else {}


def print_names(title, names):
    readable = undecorate(names)
    print(title)
    for name in sorted(names):
        print(f"  {name}" + (f"  ({readable[name]})" if name in readable else ""))


def import_table(path, member=None):
    pe = load(path, "IMAGE_DIRECTORY_ENTRY_IMPORT", member)
    return {entry.dll.decode(): [i.name.decode() for i in entry.imports if i.name]
            for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}


def check_exports(args):
    exported = set(exported_names(args.dll))
    print_names("Export name table:", exported)
    return [f"missing export: {name}" for name in sorted(EXPECTED_EXPORTS - exported)] + [
        f"unexpected export: {name}" for name in sorted(exported - EXPECTED_EXPORTS)
    ]


def check_imports(args):
    imports = import_table(args.dll)
    print("Import table:")
    for dll, names in imports.items():
        print(f"  {dll}: {len(names)} names")
    allowed = SYSTEM_DLLS | VC_RUNTIME_DLLS | {name.lower() for name in args.needs}
    problems = [f"imports a DLL that is neither Windows' nor the Visual C++ runtime's: {dll}"
                for dll in imports if dll.lower() not in allowed and not dll.lower().startswith("api-ms-win-crt-")]
    present = {dll.lower() for dll in imports}
    problems += [f"does not import {name}" for name in args.needs if name.lower() not in present]
    for spec in args.names_exist_in:
        dll, path = spec.split("=", 1)
        available = set(exported_names(path))
        wanted = next((names for name, names in imports.items() if name.lower() == dll.lower()), [])
        missing = sorted(set(wanted) - available)
        if not missing:
            print(f"  every one of the {len(wanted)} names from {dll} is exported by {path}")
        problems += [f"imports {name} from {dll}, which {path} does not export" for name in missing]
    return problems


def read_names(path):
    with open(path) as file:
        return {line.strip() for line in file if line.strip() and not line.startswith("#")}


def check_host_imports(args):
    """What the host's loader resolves: each name the DLL imports from pluginsdk.dll must be one the
    host's pluginsdk.dll exports, or Windows refuses to load the DLL."""
    wanted = {name for dll, names in import_table(args.dll, args.member).items()
              if dll.lower() == "pluginsdk.dll" for name in names}
    print_names(f"{len(wanted)} names imported from pluginsdk.dll:", wanted)
    if not wanted:
        return ["imports nothing from pluginsdk.dll"]
    return [f"imports {name} from pluginsdk.dll, which the host's pluginsdk.dll does not export"
            for name in sorted(wanted - read_names(args.host_names))]


def check_host_names(args):
    """The stand-in offers a plugin the host's names and no others; its own host side lives in the
    namespaces pluginsdk::host and pluginsdk::detail, which the host's library does not have."""
    offered = {name for name in exported_names(args.dll)
               if "@host@pluginsdk@@" not in name and "@detail@pluginsdk@@" not in name}
    kept = read_names(args.host_names)
    print(f"{len(offered)} names exported for the host's types, {len(kept)} kept in {args.host_names}")
    problems = [f"exports {name}, which is not a name of the host's pluginsdk.dll kept in the list"
                for name in sorted(offered - kept)]
    problems += [f"does not export {name}, which the list keeps" for name in sorted(kept - offered)]
    if args.host_list:
        problems += [f"the list keeps {name}, which the host's pluginsdk.dll does not export"
                     for name in sorted(kept - read_names(args.host_list))]
    return problems


def implemented_names(path):
    """The names a DLL exports with code of its own: an export that lands in the section of the
    generated defaults, which only report that nothing implements it, is offered but not implemented."""
    pe = load(path, "IMAGE_DIRECTORY_ENTRY_EXPORT")
    stubs = [(section.VirtualAddress, section.VirtualAddress + section.Misc_VirtualSize)
             for section in pe.sections if section.Name.rstrip(b"\0") == STUB_SECTION]
    return {symbol.name.decode() for symbol in getattr(pe, "DIRECTORY_ENTRY_EXPORT", None).symbols
            if symbol.name and not any(begin <= symbol.address < end for begin, end in stubs)}


def member_of(readable):
    """(class, member) of a demangled member function, template arguments left out; None for the
    special members, which a plugin never calls by name."""
    match = MEMBER.search(readable)
    if not match or match.group(2) in (match.group(1), "~" + match.group(1), "operator="):
        return None
    return match.group(1), match.group(2)


def check_overloads(args):
    """What overload resolution sees of the host's members: for each member the DLL calls, the SDK
    implements every overload the host exports of that name, so that a call compiling against our
    headers picks the same one against the host's."""
    wanted = {name for dll, names in import_table(args.dll).items()
              if dll.lower() == "pluginsdk.dll" for name in names}
    host = read_names(args.host_list)
    readable = undecorate(sorted(wanted | host))
    if not readable:
        return ["no undecorator (llvm-undname) to read the names with"]
    members = {member_of(readable[name]) for name in wanted if name in readable} - {None}
    overloads = {name for name in host if name in readable and member_of(readable[name]) in members}
    implemented = implemented_names(args.sdk)
    print(f"{len(members)} members called, {len(overloads & implemented)} of their {len(overloads)} overloads implemented")
    return [f"the SDK does not implement {readable[name]}, an overload of a member the DLL calls"
            for name in sorted(overloads - implemented)]


def check_version(args):
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


def check_package(args):
    with zipfile.ZipFile(args.dll) as package:
        entries = {info.filename: package.read(info) for info in package.infolist() if not info.is_dir()}
    for name, data in sorted(entries.items()):
        print(f"  {name}: {len(data)} bytes")
    wanted = dict(spec.split("=", 1) for spec in args.holds)
    problems = [f"holds {name}, which it should not" for name in sorted(set(entries) - set(wanted))]
    for name, path in sorted(wanted.items()):
        if name not in entries:
            problems.append(f"does not hold {name}")
        elif entries[name] != open(path, "rb").read():
            problems.append(f"{name} differs from {path}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("check", choices=["exports", "imports", "version", "package", "host-imports", "host-names",
                                          "overloads"])
    parser.add_argument("dll")
    parser.add_argument("--needs", action="append", default=[], metavar="NAME",
                        help="a DLL that the DLL must import")
    parser.add_argument("--names-exist-in", action="append", default=[], metavar="NAME=PATH",
                        help="every name imported from DLL NAME must be exported by the DLL at PATH")
    parser.add_argument("--holds", action="append", default=[], metavar="NAME=PATH",
                        help="a file the package holds under NAME, with the bytes of PATH")
    parser.add_argument("--host-names", metavar="LIST", help="the host's exported names the project relies on")
    parser.add_argument("--host-list", metavar="FULL", help="every name the host's pluginsdk.dll exports")
    parser.add_argument("--member", metavar="NAME", help="the DLL inside the zip FILE")
    parser.add_argument("--sdk", metavar="DLL", help="the stand-in pluginsdk.dll")
    args = parser.parse_args()
    print(f"{os.path.basename(args.dll)}:")
    checks = {"exports": check_exports, "imports": check_imports, "version": check_version, "package": check_package,
              "host-imports": check_host_imports, "host-names": check_host_names, "overloads": check_overloads}
    problems = checks[args.check](args)
    for problem in problems:
        print(f"FAILED: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
