// The written side of the host's names on Windows: the defaults that no class's size decides, and
// what a name that stops the plugin says.
#include "defaults.h"

#include "host-state.h"

namespace pluginsdk::detail {

void StopForExport(std::size_t index, const void* self) {
    const HostExport& name = kHostExports[index];
    std::uintptr_t address = 1;
    if (name.kind == HostExport::Kind::OnObject && self != nullptr) {
        std::memcpy(&address, self, sizeof address);
    }
    StopCallingPlugin(name.shown, address == 0);
}

} // namespace pluginsdk::detail

extern "C" {

// What the host's library releases in an object is the host's own state, of which the stand-in has
// none.
void pluginsdk_generic_release(void* /*self*/) {}

bool pluginsdk_generic_is_null(const void* self) { return !pluginsdk_generic_is_object(self); }

bool pluginsdk_generic_is_object(const void* self) {
    std::uintptr_t address = 0;
    std::memcpy(&address, self, sizeof address);
    return address != 0;
}

// A compiler's checks clear an object before its constructor runs.
void pluginsdk_generic_clear(void* self, std::uint64_t size) {
    std::memset(self, 0, static_cast<std::size_t>(size));
}
}
