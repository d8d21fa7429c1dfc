// Fuzzes the reader of a module's imports with arbitrary bytes as the module's file.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pe-imports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t reads = 0;
    const pluginsdk::detail::ReadBytes read = [&](std::uint64_t offset, void* out, std::size_t count) {
        ++reads;
        if (offset > size || size - offset < count) {
            return false;
        }
        std::memcpy(out, data + offset, count);
        return true;
    };
    const auto imports = pluginsdk::detail::ReadPeImports(read, size, "pluginsdk.dll");
    // Whatever the file claims, what is kept of it stays within the reader's bounds.
    std::size_t bytes = 0;
    for (const auto& name : imports.names) {
        bytes += name.size();
        if (name.size() > pluginsdk::detail::kMaxImportNameLength) {
            std::abort();
        }
    }
    if (imports.names.size() > pluginsdk::detail::kMaxImportNames ||
        bytes > pluginsdk::detail::kMaxImportNameBytes ||
        (!imports.error.empty() && !imports.names.empty())) {
        std::abort();
    }
    return 0;
}
