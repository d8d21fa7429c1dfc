// The one place the plugin reaches the host SDK, by the header names the host's own SDK has: the
// stand-in in sdk/ has the same names, so a build against either takes these two lines unchanged.
#pragma once

#include "bakkesmod/plugin/bakkesmodplugin.h"
// After the first: like the host's, it uses std::string and std::uintptr_t without including them.
#include "bakkesmod/plugin/PluginSettingsWindow.h"
