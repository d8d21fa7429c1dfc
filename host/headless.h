// The headless mode: a scripted session with no window, written out as a player would have had it.
#pragma once

#include <string>

#include "options.h"

namespace spinbeat_host {

// Returns the process's exit code; messages go to the standard streams.
int RunHeadless(const Options& options);

// A session time in ms as the outputs write it, to `decimals` places.
std::string FormatMs(double ms, int decimals = 1);

} // namespace spinbeat_host
