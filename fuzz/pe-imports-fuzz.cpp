// Fuzzes the reader of a module's imports with arbitrary bytes as the module's file.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pe-imports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto imports = pluginsdk::detail::ReadPeImports(
        [&](std::uint64_t offset, void* out, std::size_t count) {
            if (offset > size || size - offset < count) {
                return false;
            }
            std::memcpy(out, data + offset, count);
            return true;
        },
        size, "pluginsdk.dll");
    // Whatever the file claims, no name is longer than a name can be, and a damaged file keeps none.
    for (const auto& name : imports.names) {
        if (name.size() > pluginsdk::detail::kMaxImportNameLength || !imports.error.empty()) {
            std::abort();
        }
    }
    return 0;
}
