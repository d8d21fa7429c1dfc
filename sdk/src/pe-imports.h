// Reading what a Windows module imports, from its file, without loading it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pluginsdk::detail {

// A module imports a few thousand names at most; a file that claims more is damaged, and no more
// than this is ever held of it.
inline constexpr std::size_t kMaxImportNames = 65536;
inline constexpr std::size_t kMaxImportNameBytes = std::size_t{8} << 20;
// MSVC cuts decorated names at 4,096 characters; a longer "name" is no name.
inline constexpr std::size_t kMaxImportNameLength = 4096;

// Fills `out` with `size` bytes from `offset`, or returns false past the end or on a read error.
using ReadBytes = std::function<bool(std::uint64_t offset, void* out, std::size_t size)>;

struct PeImports {
    // Empty when the module could be read; then `names` are what it imports by name from the DLL.
    std::string error;
    // The file is no Windows module at all.
    bool notPe = false;
    std::vector<std::string> names;
};

// The names imported from `dll` (its name compared without regard to case), from a file of
// `fileSize` bytes read through `read`: only the headers and the import table are read.
PeImports ReadPeImports(const ReadBytes& read, std::uint64_t fileSize, std::string_view dll);

} // namespace pluginsdk::detail
