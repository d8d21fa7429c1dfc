// The headless mode: a scripted session with no window, written out as a player would have had it.
#pragma once

#include "options.h"

namespace spinbeat_host {

// Returns the process's exit code; messages go to the standard streams.
int RunHeadless(const Options& options);

} // namespace spinbeat_host
