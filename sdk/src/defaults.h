// What the generated part of the Windows library builds on: the table of the host's names, and the
// defaults each name gets where nothing written implements it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pluginsdk::detail {

struct HostExport {
    enum class Kind : std::uint8_t {
        // Stops the plugin calling it.
        Stops,
        // The same, and a member of a game object, which the game would crash on when null.
        OnObject,
        // A special member of a class, which works for any object of its size.
        Generic,
        // Made from its shape: a value of a game object's record, an array's or a text's member, or
        // the zero answer of what a test host cannot know.
        Member,
    };
    const char* decorated;
    const char* shown;
    Kind kind;
    // What the name is exported as when nothing written defines it.
    const void* fallback;
};

// Sorted by the decorated names, bytewise.
extern const HostExport kHostExports[];
extern const std::size_t kHostExportCount;

// The default of every name that stops the plugin: `self` is the object when it has one.
[[noreturn]] void StopForExport(std::size_t index, const void* self);

} // namespace pluginsdk::detail

// Each takes `this` first, as a member does, and a constructor or assignment returns it. A game
// object is its address, then a pointer for each class of its chain, all of them empty here; a class
// of the host's own is one pointer, or nothing at all.
#define PLUGINSDK_GENERIC_MEMBERS(size)                                                                      \
    extern "C" void* pluginsdk_generic_from_address_##size(void* self, std::uintptr_t address) {             \
        std::memset(self, 0, size);                                                                          \
        std::memcpy(self, &address, (size) < sizeof address ? (size) : sizeof address);                      \
        return self;                                                                                         \
    }                                                                                                        \
    extern "C" void* pluginsdk_generic_copy_##size(void* self, const void* other) {                          \
        std::memmove(self, other, size);                                                                     \
        return self;                                                                                         \
    }

#define PLUGINSDK_STOPS(index)                                                                               \
    extern "C" [[noreturn]] __declspec(noinline) void pluginsdk_stops_##index(const void* self) {            \
        pluginsdk::detail::StopForExport(index, self);                                                       \
    }

extern "C" {
void pluginsdk_generic_release(void* self);
bool pluginsdk_generic_is_null(const void* self);
bool pluginsdk_generic_is_object(const void* self);
void pluginsdk_generic_clear(void* self, std::uint64_t size);
}
