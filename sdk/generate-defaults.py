"""Writes the generated part of the Windows pluginsdk.dll: every name the host's library exports, each
exported, with a default the linker takes where the written part defines nothing of that name.

Usage: generate-defaults.py NAMES CLASSES OUT.cpp [--undname TOOL]
The defaults: the special members of the host's classes (made from an address, copied, assigned,
released, tested for null, cleared), which work for any object of the class's size; for every other
name, a function that stops the plugin calling it, naming the member.
"""
import argparse
import re
import subprocess
import sys

# Not in the host's list of classes, yet returned by a member of the game's (GetPlayerController) and
# hooked with: a controller's class below ControllerWrapper, sized by the rule every game object follows.
EXTRA_CLASSES = {"PlayerControllerWrapper": ("ControllerWrapper", 32)}


def read_classes(path):
    classes = dict(EXTRA_CLASSES)
    with open(path) as file:
        for line in file.read().splitlines()[1:]:
            name, base, size = line.split("\t")
            classes[name] = (base, int(size))
    return classes


def is_object(name, classes):
    """Whether the class is a game object: its chain of bases reaches ObjectWrapper."""
    for _ in range(len(classes)):
        if name == "ObjectWrapper":
            return True
        if name not in classes:
            return False
        name = classes[name][0]
    return False


def default_of(name, classes):
    """The generic member this name defaults to, with the size it works at; None for a stopping one."""
    special = re.fullmatch(r"\?\?([014B])(\w+)@@(.*)", name)
    member = re.fullmatch(r"\?(IsNull|__autoclassinit2)@(\w+)@@(.*)", name)
    if special:
        kind, cls, rest = special.groups()
        if cls not in classes:
            return None
        size = classes[cls][1]
        forms = {
            ("0", "QEAA@_K@Z"): f"from_address_{size}",
            ("0", "QEAA@AEBV0@@Z"): f"copy_{size}",
            ("4", "QEAAAEAV0@V0@@Z"): f"copy_{size}",
            ("4", "QEAAAEAV0@AEBV0@@Z"): f"copy_{size}",
            ("4", "QEAAAEAV0@$$QEAV0@@Z"): f"copy_{size}",
            ("1", "QEAA@XZ"): "release",
            ("B", "QEAA_NXZ"): "is_object",
            ("B", "QEBA_NXZ"): "is_object",
        }
        return forms.get((kind, rest))
    if member:
        what, cls, rest = member.groups()
        if cls not in classes:
            return None
        if what == "IsNull" and rest in ("QEAA_NXZ", "QEBA_NXZ"):
            return "is_null"
        if what == "__autoclassinit2" and rest == "QEAAX_K@Z":
            return "clear"
    return None


def on_object(name, classes):
    """Whether the name is an instance member of a game object's class, whose object is `this`."""
    match = re.fullmatch(r"\?\w+@(\w+)@@[AIQ]E[AB]A.*", name)
    return bool(match) and is_object(match.group(1), classes)


STRING = "class std::basic_string<char, struct std::char_traits<char>, class std::allocator<char>>"
WSTRING = "class std::basic_string<wchar_t, struct std::char_traits<wchar_t>, class std::allocator<wchar_t>>"


def shown(readable):
    """A declaration as a plugin developer reads it: Class::member(parameters), without the rest."""
    text = readable.replace(STRING, "std::string").replace(WSTRING, "std::wstring")
    text = re.sub(r"\b(class|struct|enum|union) ", "", text)
    text = text.replace("__cdecl ", "").replace("(void)", "()")
    # The allocator a standard container is declared with says nothing to a reader.
    while True:
        shorter = re.sub(r", std::allocator<[^<>]*(?:<[^<>]*(?:<[^<>]*>)*[^<>]*>)*[^<>]*>>", ">", text)
        if shorter == text:
            break
        text = shorter
    match = re.search(r"([\w]+(?:<[^()]*>)?::(?:operator ?[^(]*|~?[\w]+(?:<[^()]*>)?))\(", text)
    if not match:
        return text
    start = match.start(1)
    depth = 0
    for end in range(match.end(1), len(text)):
        depth += {"(": 1, ")": -1}.get(text[end], 0)
        if depth == 0:
            break
    tail = " const" if text[end + 1:].lstrip().startswith("const") else ""
    return text[start:end + 1] + tail


def undecorate(names, tool):
    decorated = [name for name in names if name.startswith("?")]
    if not tool:
        return {}
    result = subprocess.run([tool], input="\n".join(decorated) + "\n", capture_output=True, text=True, check=True)
    readable = [line for line in result.stdout.splitlines() if line and not line.startswith("?")]
    if len(readable) != len(decorated):
        sys.exit(f"generate-defaults: {tool} read {len(readable)} of {len(decorated)} names")
    return dict(zip(decorated, readable))


def literal(text):
    """A C++ string literal: no quote, backslash or '?' (which could begin a trigraph) as it is."""
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("?", "\\?") + '"'


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("names")
    parser.add_argument("classes")
    parser.add_argument("out")
    parser.add_argument("--undname", help="llvm-undname, which turns the names into declarations")
    args = parser.parse_args()
    with open(args.names) as file:
        names = [line.strip() for line in file if line.strip()]
    if names != sorted(names):
        sys.exit("generate-defaults: the names must be sorted bytewise, as the library looks them up")
    classes = read_classes(args.classes)
    readable = undecorate(names, args.undname)

    out = ["// Made at build time by sdk/generate-defaults.py from sdk/host-exports.txt: do not edit.",
           '#include "defaults.h"', ""]
    sizes = sorted({size for _, size in classes.values()})
    out += [f"PLUGINSDK_GENERIC_MEMBERS({size})" for size in sizes] + [""]
    out.append("// The members that stop the plugin, in a section of their own: the build's checks tell an")
    out.append("// implemented export from one of these by where it lands.")
    out.append('#pragma code_seg(".stubs")')
    rows = []
    directives = []
    for index, name in enumerate(names):
        generic = default_of(name, classes)
        target = f"pluginsdk_generic_{generic}" if generic else f"pluginsdk_stops_{index}"
        kind = "HostExport::Kind::Generic" if generic else (
            "HostExport::Kind::OnObject" if on_object(name, classes) else "HostExport::Kind::Stops")
        if not generic:
            out.append(f"PLUGINSDK_STOPS({index})")
        display = shown(readable[name]) if name in readable else name
        rows.append(f"    {{{literal(name)}, {literal(display)}, {kind}, reinterpret_cast<const void*>(&{target})}},")
        directives.append(f'#pragma comment(linker, {literal("/export:" + name)})')
        directives.append(f'#pragma comment(linker, {literal("/alternatename:" + name + "=" + target)})')
    out.append("#pragma code_seg()")
    out.append("")
    out.append("const pluginsdk::detail::HostExport pluginsdk::detail::kHostExports[] = {")
    out += rows
    out.append("};")
    out.append(f"const std::size_t pluginsdk::detail::kHostExportCount = {len(names)};")
    out.append("")
    out += directives
    with open(args.out, "w") as file:
        file.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
