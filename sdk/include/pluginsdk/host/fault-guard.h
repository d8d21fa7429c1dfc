// The boundary around a call into a plugin's code that a fault of the processor's may leave.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

#include "pluginsdk/api.h"

namespace pluginsdk::detail {
struct HostState;

// Calls `call(body)`. On Windows a structured exception raised in it (an access violation, an illegal
// instruction, a division by zero, a stack overflow) stops the plugin `owner` as having faulted in
// `what` followed by `subject`, naming the fault and the module and offset of its address, and the call
// returns false; a C++ exception passes on to the caller's catch. On Linux only our own kind of module
// is loaded, and signals stay the process's: the call is the plain call, inlined away.
// x64 Windows unwinds by tables, so the guard adds no work to a call that does not fault: one direct
// call and the indirect one to `call`, nothing allocated.
#if defined(_WIN32)
PLUGINSDK_API bool CallCatchingFaults(HostState& host, std::uint64_t owner, std::string_view what,
                                      std::string_view subject, void (*call)(void* body), void* body);
#else
inline bool CallCatchingFaults(HostState& /*host*/, std::uint64_t /*owner*/, std::string_view /*what*/,
                               std::string_view /*subject*/, void (*call)(void* body), void* body) {
    call(body);
    return true;
}
#endif

// Calls `body()` through CallCatchingFaults.
template <typename Body>
bool CallCatchingFaults(HostState& host, std::uint64_t owner, std::string_view what, std::string_view subject,
                        Body& body) {
    using Callable = std::remove_const_t<Body>;
    return CallCatchingFaults(
        host, owner, what, subject, [](void* b) { (*static_cast<Callable*>(b))(); },
        static_cast<void*>(const_cast<Callable*>(&body)));
}

} // namespace pluginsdk::detail
