// The window mode: the game view, the host's windows and live input, on SDL2 and OpenGL 3.
#pragma once

#include "options.h"

namespace spinbeat_host {

// Returns the process's exit code; messages go to the standard streams.
int RunWindow(const Options& options);

} // namespace spinbeat_host
