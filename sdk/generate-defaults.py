"""Writes the generated part of the Windows pluginsdk.dll: every name the host's library exports, each
exported, with a default the linker takes where the written part defines nothing of that name.

Usage: generate-defaults.py NAMES CLASSES OUT.cpp [--undname TOOL]
The defaults: the special members of the host's classes (made from an address, copied, assigned,
released, tested for null, cleared), which work for any object of the class's size; the members that
read or write one value of a game object (`T GetX()`, `bool IsX()`, `void SetX(T)`), which keep it in
the object's record; the arrays' and strings' members; the zero answers of what a test host cannot know;
for every other name, a function that stops the plugin calling it, naming the member.
"""
import argparse
import re
import subprocess
import sys

# Not in the host's list of classes, yet returned by a member of the game's (GetPlayerController) and
# hooked with: a controller's class below ControllerWrapper, sized by the rule every game object follows.
EXTRA_CLASSES = {"PlayerControllerWrapper": ("ControllerWrapper", 32)}
# A game's text and its arrays: the address of a record, and nothing more of the host's own.
HANDLE_CLASSES = {"UnrealStringWrapper": ("-", 8), "ArrayWrapper": ("-", 8)}
# An instantiation of ArrayWrapper in a decorated name: of a class, int, unsigned __int64 or wchar_t.
ARRAY = r"\?\$ArrayWrapper@(?:V\w+@@|H|_K|_W)"
# What a test host cannot know (a rank, an item database, the garage, the network, the game's menus):
# every member whose answer is a plain value answers zero, empty or null, and every action does nothing.
UNKNOWABLE = re.compile(r"(MMR|Item|Product|Loadout|Paint|SpecialEdition|Certified|Gui|Http|Matchmaking|Club"
                        r"|MenuStack|UniqueID|Settings|Title|Trade|Inventory|Unlock)\w*(?:Wrapper|Utilities)$")


def read_classes(path):
    classes = dict(EXTRA_CLASSES)
    classes.update(HANDLE_CLASSES)
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
    special = re.fullmatch(r"\?\?([014B])(\w+|" + ARRAY + r")@@(.*)", name)
    member = re.fullmatch(r"\?(IsNull|__autoclassinit2)@(\w+|" + ARRAY + r")@@(.*)", name)
    if special:
        kind, cls, rest = special.groups()
        if cls.startswith("?$"):
            cls = "ArrayWrapper"
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
        if cls.startswith("?$"):
            cls = "ArrayWrapper"
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


# ---------------------------------------------------------------------------
# Members made from their shape, with the MSVC x64 convention spelled out: `this` first; a returned
# class or struct goes through a hidden pointer after it, which is returned; float in xmm; a struct of
# 8 bytes by value in a register, a larger one as a pointer to the caller's copy; a class by value as a
# pointer, destroyed by the callee (our wrappers' destructors do nothing; a std::string's does).
# ---------------------------------------------------------------------------

SCALARS = {"bool": "bool", "char": "char", "signed char": "signed char", "unsigned char": "unsigned char",
           "short": "short", "unsigned short": "unsigned short", "int": "int", "unsigned int": "unsigned int",
           "long": "long", "unsigned long": "unsigned long", "__int64": "long long",
           "unsigned __int64": "unsigned long long", "float": "float", "double": "double",
           "wchar_t": "wchar_t"}
# The plain structs whose layout the facts give, by size; and a rank, three ints (tier, division,
# matches played), which a player's rank reads as zeros here, no rank being known without the network.
STRUCTS = {"Vector": 12, "Rotator": 12, "Vector2": 8, "Vector2F": 8, "LinearColor": 16, "ControllerInput": 32,
           "SkillRank": 12}
DECLARATION = re.compile(r"public: (static )?(?:virtual )?(.+?) __cdecl (\w+(?:<.*>)?)::(\w+)\((.*)\)( const)?")


def split_parameters(text):
    if text in ("void", ""):
        return []
    parts, depth, start = [], 0, 0
    for i, c in enumerate(text):
        depth += {"<": 1, ">": -1}.get(c, 0)
        if c == "," and depth == 0:
            parts.append(text[start:i].strip())
            start = i + 1
    parts.append(text[start:].strip())
    return parts


def value_type(text, classes):
    """What a type taken or returned by value is: (kind, detail); None for one without a known layout."""
    if text in SCALARS:
        return ("scalar", SCALARS[text])
    if text.startswith("enum "):
        return ("scalar", "unsigned int")
    if text == STRING:
        return ("string", "std::string")
    if text == WSTRING:
        return ("string", "std::wstring")
    match = re.fullmatch(r"struct (\w+)", text)
    if match and match.group(1) in STRUCTS:
        return ("bytes", STRUCTS[match.group(1)])
    match = re.fullmatch(r"class (\w+)(<.*>)?", text)
    if match:
        cls = match.group(1)
        if cls == "ArrayWrapper" or (cls in classes and not match.group(2)):
            size = classes[cls][1]
            # An object or an array or text of the game carries a record's address; any other class
            # of the host's is a handle of its own, whose zero is a null one.
            carries = is_object(cls, classes) or cls in HANDLE_CLASSES
            return ("object", (size, carries))
    return None


def slot_type(kind):
    """The C type one argument arrives as."""
    if kind[0] == "scalar":
        return kind[1]
    if kind[0] == "bytes" and kind[1] == 8:
        return "unsigned long long"
    return "void*"


def zero_return(kind):
    """The body's end that returns the type's zero, the hidden pointer `out` where it has one."""
    if kind is None:
        return ""
    if kind[0] == "scalar":
        return "return {};"
    if kind[0] == "string":
        return f"return new (out) {kind[1]}();"
    size = kind[1] if kind[0] == "bytes" else kind[1][0] if kind[0] == "object" else kind[1]
    return f"std::memset(out, 0, {size}); return out;"


def returned(text, classes):
    """A return type: its kind, or ('void',), ('pointer',), ('zeroed', size) for an empty std::vector."""
    if text == "void":
        return ("void",)
    if text.endswith("*"):
        return ("pointer",)
    if text.startswith("class std::vector<"):
        return ("zeroed", 24)
    # A font the host is asked to load: (0, no font) says it is not loaded, as the host answers until
    # it has built its font atlas again; a plugin asks again later.
    if text == "class std::tuple<int, struct ImFont *>":
        return ("zeroed", 16)
    return value_type(text, classes)


def signature(index, static, ret, params):
    """The generated function's head: its C return type and the slots its arguments arrive in."""
    slots = [] if static else ["void* self"]
    result = "void"
    if ret[0] == "scalar":
        result = ret[1]
    elif ret[0] == "pointer":
        result = "void*"
    elif ret[0] != "void":
        slots.append("void* out")
        result = "void*"
    slots += [f"{slot_type(kind)} p{i}" for i, kind in enumerate(params)]
    return f'extern "C" {result} pluginsdk_member_{index}({", ".join(slots)})'


def parameter_kinds(texts, classes):
    """Every parameter's kind, a reference or pointer as a pointer; None when one has no known layout."""
    kinds = []
    for text in texts:
        if text.endswith("&") or text.endswith("*"):
            kinds.append(("pointer", "void*"))
            continue
        kind = value_type(text, classes)
        if kind is None:
            return None
        kinds.append(kind)
    return kinds


def generated_member(index, name, readable, classes):
    """The code of a member made from its shape, or None for a name that stops the plugin."""
    match = DECLARATION.fullmatch(readable or "")
    if not match or name.startswith("??"):
        return None
    static, ret_text, cls, member, param_text, _ = match.groups()
    params = parameter_kinds(split_parameters(param_text), classes)
    ret = returned(ret_text, classes)
    if params is None or ret is None:
        return None
    shown_name = f"pluginsdk::detail::kHostExports[{index}].shown"
    head = signature(index, static, ret, params)
    template = re.fullmatch(r"ArrayWrapper<(.*)>", cls)

    def done(*body):
        return [head + " {", *["    " + line for line in body], "}"]

    if template and not static:
        element = value_type(template.group(1), classes)
        if member == "Count" and not params:
            return done(f"return pluginsdk::detail::ArrayCount(self, {shown_name});")
        if member == "Get" and len(params) == 1 and element:
            at = f"pluginsdk::detail::ArrayElement(self, {shown_name}, p0)"
            if element[0] == "scalar":
                return done(f"return static_cast<{element[1]}>({at});")
            if element[0] == "object":
                return done(f"const std::uintptr_t address = {at};", f"std::memset(out, 0, {element[1][0]});",
                            "std::memcpy(out, &address, sizeof address);", "return out;")
        return None
    if cls == "UnrealStringWrapper" and not params and ret[0] == "string":
        read = "StringText" if ret[1] == "std::string" else "StringWideText"
        return done(f"return new (out) {ret[1]}(pluginsdk::detail::{read}(self, {shown_name}));")

    game_object = is_object(cls, classes) and not static
    getter = re.fullmatch(r"Get(\w+)", member) or re.fullmatch(
        r"((?:Is|Has|Can|Should|Are|Was|Did|Allow|Use)[A-Z0-9]\w*)", member)
    setter = re.fullmatch(r"Set(\w+)", member)
    if game_object and getter and not params and ret[0] not in ("void", "pointer", "zeroed"):
        key = literal(getter.group(1))
        if ret[0] == "scalar" and ret[1] == "bool":
            return done("unsigned char value = 0;",
                        f"pluginsdk::detail::ReadProperty(self, {shown_name}, {key}, &value, sizeof value);",
                        "return value != 0;")
        if ret[0] == "scalar":
            return done(f"{ret[1]} value;",
                        f"pluginsdk::detail::ReadProperty(self, {shown_name}, {key}, &value, sizeof value);",
                        "return value;")
        if ret[0] == "bytes":
            return done(f"pluginsdk::detail::ReadProperty(self, {shown_name}, {key}, out, {ret[1]});", "return out;")
        if ret[0] == "string":
            read = "ReadText" if ret[1] == "std::string" else "ReadWideText"
            return done(f"return new (out) {ret[1]}(pluginsdk::detail::{read}(self, {shown_name}, {key}));")
        size, carries = ret[1]
        body = ["std::uintptr_t address = 0;",
                f"pluginsdk::detail::ReadProperty(self, {shown_name}, {key}, &address, sizeof address);",
                f"std::memset(out, 0, {size});"]
        if carries:
            body.append("std::memcpy(out, &address, sizeof address);")
        return done(*body, "return out;")
    if game_object and setter and len(params) == 1 and ret[0] == "void" and params[0][0] != "pointer":
        key = literal(setter.group(1))
        kind = params[0]
        if kind[0] == "string":
            write = "WriteText" if kind[1] == "std::string" else "WriteWideText"
            return done(f"auto* text = static_cast<{kind[1]}*>(p0);", f"{kind[1]} value = std::move(*text);",
                        "std::destroy_at(text);",
                        f"pluginsdk::detail::{write}(self, {shown_name}, {key}, std::move(value));")
        if kind[0] == "scalar" or (kind[0] == "bytes" and kind[1] == 8):
            return done(f"pluginsdk::detail::WriteProperty(self, {shown_name}, {key}, &p0, sizeof p0);")
        if kind[0] == "bytes":
            return done(f"pluginsdk::detail::WriteProperty(self, {shown_name}, {key}, p0, {kind[1]});")
        # A game object arrives as a pointer to the caller's copy; only its address is kept.
        return done(f"pluginsdk::detail::WriteProperty(self, {shown_name}, {key}, p0, sizeof(std::uintptr_t));")
    if cls == "GameWrapper" and not static and not params and member.startswith("Get") and ret[0] == "object":
        size, carries = ret[1]
        if not carries:
            return done("static_cast<void>(self);", f"std::memset(out, 0, {size});", "return out;")
        return done(f"const std::uintptr_t address = pluginsdk::detail::GameObject(self, {literal(member[3:])});",
                    f"std::memset(out, 0, {size});", "std::memcpy(out, &address, sizeof address);", "return out;")
    if UNKNOWABLE.match(cls):
        # The callee destroys a text it took by value; nothing else taken here owns anything.
        body = [f"std::destroy_at(static_cast<{kind[1]}*>(p{i}));" for i, kind in enumerate(params)
                if kind[0] == "string"]
        if ret[0] == "pointer":
            body.append("return nullptr;")
        elif ret[0] == "zeroed":
            body.append(f"std::memset(out, 0, {ret[1]}); return out;")
        elif ret[0] != "void":
            body.append(zero_return(ret))
        if not body:
            body = ["// Nothing of it is known to a test host, nor kept."]
        unused = [f"static_cast<void>(p{i});" for i, kind in enumerate(params) if kind[0] != "string"]
        if not static:
            unused.insert(0, "static_cast<void>(self);")
        return done(*unused, *body)
    return None


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
           '#include "defaults.h"', "", "#include <memory>", "#include <new>", "#include <string>", "",
           '#include "game/arena.h"', ""]
    sizes = sorted({size for _, size in classes.values()})
    out += [f"PLUGINSDK_GENERIC_MEMBERS({size})" for size in sizes] + [""]
    members = {}
    for index, name in enumerate(names):
        if default_of(name, classes) is None:
            code = generated_member(index, name, readable.get(name), classes)
            if code:
                members[index] = code
                out += code
    out.append("")
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
        if index in members:
            target = f"pluginsdk_member_{index}"
            kind = "HostExport::Kind::Member"
        elif not generic:
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
