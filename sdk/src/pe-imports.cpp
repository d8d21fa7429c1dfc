// The import table of a PE file: its headers, its sections, and the names under one DLL's entry.
#include "pe-imports.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace pluginsdk::detail {

namespace {

constexpr std::size_t kMaxSections = 96;
constexpr std::size_t kMaxDescriptors = 4096;

class Reader {
public:
    Reader(const ReadBytes& read, std::uint64_t size) : read_(read), size_(size) {}

    template <std::size_t N>
    std::optional<std::array<std::uint8_t, N>> Bytes(std::uint64_t at) const {
        std::array<std::uint8_t, N> bytes{};
        if (at > size_ || size_ - at < N || !read_(at, bytes.data(), N)) {
            return std::nullopt;
        }
        return bytes;
    }
    std::optional<std::uint64_t> Number(std::uint64_t at, std::size_t width) const {
        std::array<std::uint8_t, 8> bytes{};
        if (at > size_ || size_ - at < width || !read_(at, bytes.data(), width)) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;) {
            value = value << 8U | bytes[i];
        }
        return value;
    }
    // A NUL-terminated string of at most `limit` characters, read a piece at a time.
    std::optional<std::string> String(std::uint64_t at, std::size_t limit) const {
        std::string text;
        std::array<char, 64> piece{};
        while (text.size() <= limit) {
            const std::uint64_t left = at < size_ ? size_ - at : 0;
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), left));
            if (take == 0 || !read_(at, piece.data(), take)) {
                return std::nullopt;
            }
            const auto end =
                std::find(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(take), '\0');
            text.append(piece.begin(), end);
            if (end != piece.begin() + static_cast<std::ptrdiff_t>(take)) {
                return text.size() <= limit ? std::optional<std::string>(text) : std::nullopt;
            }
            at += take;
        }
        return std::nullopt;
    }

private:
    const ReadBytes& read_;
    std::uint64_t size_;
};

struct Section {
    std::uint64_t address;
    std::uint64_t length;
    std::uint64_t offset;
    std::uint64_t rawLength;
};

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

PeImports ReadPeImports(const ReadBytes& read, std::uint64_t fileSize, std::string_view dll) {
    const Reader file(read, fileSize);
    PeImports result;
    const auto fail = [&](std::string why) {
        result.error = std::move(why);
        result.names.clear();
        return result;
    };
    const auto mz = file.Bytes<2>(0);
    const auto headerAt = file.Number(0x3C, 4);
    const auto signature = headerAt ? file.Bytes<4>(*headerAt) : std::nullopt;
    if (!mz || (*mz)[0] != 'M' || (*mz)[1] != 'Z' || !signature ||
        *signature != std::array<std::uint8_t, 4>{'P', 'E', 0, 0}) {
        result.notPe = true;
        return fail("not a Windows module");
    }
    const std::uint64_t coff = *headerAt + 4;
    const auto sectionCount = file.Number(coff + 2, 2);
    const auto optionalSize = file.Number(coff + 16, 2);
    const std::uint64_t optional = coff + 20;
    const auto magic = file.Number(optional, 2);
    if (!sectionCount || !optionalSize || !magic || (*magic != 0x20B && *magic != 0x10B) ||
        *sectionCount > kMaxSections) {
        return fail("its headers are damaged");
    }
    const bool wide = *magic == 0x20B;
    // The import table is the second of the data directories.
    const std::uint64_t directories = optional + (wide ? 112 : 96);
    const auto directoryCount = file.Number(directories - 4, 4);
    if (!directoryCount || *directoryCount < 2 || directories + 16 > optional + *optionalSize) {
        return result;
    }
    const auto importAddress = file.Number(directories + 8, 4);
    std::vector<Section> sections;
    const std::uint64_t table = optional + *optionalSize;
    for (std::uint64_t i = 0; i < *sectionCount; ++i) {
        const std::uint64_t at = table + i * 40;
        const auto length = file.Number(at + 8, 4);
        const auto address = file.Number(at + 12, 4);
        const auto rawLength = file.Number(at + 16, 4);
        const auto offset = file.Number(at + 20, 4);
        if (!length || !address || !rawLength || !offset) {
            return fail("its section table is damaged");
        }
        sections.push_back({*address, std::max(*length, *rawLength), *offset, *rawLength});
    }
    // Where in the file an address of the loaded image lies, if the file holds it.
    const auto inFile = [&](std::uint64_t address) -> std::optional<std::uint64_t> {
        for (const Section& section : sections) {
            if (address >= section.address && address - section.address < section.rawLength) {
                return section.offset + (address - section.address);
            }
        }
        return std::nullopt;
    };
    if (!importAddress || *importAddress == 0) {
        return result;
    }
    std::size_t bytes = 0;
    const std::size_t thunkWidth = wide ? 8 : 4;
    const std::uint64_t ordinalFlag = wide ? std::uint64_t{1} << 63U : std::uint64_t{1} << 31U;
    for (std::size_t index = 0;; ++index) {
        if (index == kMaxDescriptors) {
            return fail("its import table lists more DLLs than any module does");
        }
        const auto descriptor = inFile(*importAddress + index * 20);
        const auto lookup = descriptor ? file.Number(*descriptor, 4) : std::nullopt;
        const auto nameAddress = descriptor ? file.Number(*descriptor + 12, 4) : std::nullopt;
        const auto bound = descriptor ? file.Number(*descriptor + 16, 4) : std::nullopt;
        if (!lookup || !nameAddress || !bound) {
            return fail("its import table is damaged");
        }
        if (*lookup == 0 && *nameAddress == 0 && *bound == 0) {
            return result;
        }
        const auto nameAt = inFile(*nameAddress);
        const auto name = nameAt ? file.String(*nameAt, 260) : std::nullopt;
        if (!name) {
            return fail("its import table names a DLL it does not hold");
        }
        if (!SameName(*name, dll)) {
            continue;
        }
        // The lookup table, or the address table where a linker left no lookup table.
        const std::uint64_t thunks = *lookup != 0 ? *lookup : *bound;
        for (std::uint64_t i = 0;; ++i) {
            if (i == kMaxImportNames) {
                return fail("it imports more names than any module does");
            }
            const auto thunkAt = inFile(thunks + i * thunkWidth);
            const auto thunk = thunkAt ? file.Number(*thunkAt, thunkWidth) : std::nullopt;
            if (!thunk) {
                return fail("its import table is damaged");
            }
            if (*thunk == 0) {
                break;
            }
            if ((*thunk & ordinalFlag) != 0) {
                continue;
            }
            const auto hintAt = inFile(*thunk & 0x7FFFFFFFU);
            auto imported = hintAt ? file.String(*hintAt + 2, kMaxImportNameLength) : std::nullopt;
            if (!imported) {
                return fail("its import table names a function it does not hold");
            }
            bytes += imported->size();
            if (result.names.size() == kMaxImportNames || bytes > kMaxImportNameBytes) {
                return fail("it imports more names than any module does");
            }
            result.names.push_back(std::move(*imported));
        }
    }
}

} // namespace pluginsdk::detail
