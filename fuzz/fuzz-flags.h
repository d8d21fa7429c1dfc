// The libFuzzer flags a target runs with unless its own command line says otherwise.
#pragma once

#include <initializer_list>
#include <vector>

namespace spinbeat_fuzz {

// For LLVMFuzzerInitialize, which libFuzzer calls before it reads its flags: `flags` go right after
// the program's name, so that any run gets them and the command line's own, read later, win.
inline void PrependFlags(int* argc, char*** argv, std::initializer_list<const char*> flags) {
    static std::vector<char*> args;
    args.assign(*argv, *argv + 1);
    for (const char* flag : flags) {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast): libFuzzer takes argv as main has it, and
        // writes none of it.
        args.push_back(const_cast<char*>(flag));
    }
    args.insert(args.end(), *argv + 1, *argv + *argc);
    args.push_back(nullptr);
    *argc = static_cast<int>(args.size() - 1);
    *argv = args.data();
}

} // namespace spinbeat_fuzz
