// What the host's loader finds in the module: the plugin record and the plugin object's holder.
#pragma once

#include <cstdint>
#include <memory>

#include "host-sdk.h"

#if defined(_WIN32)
#define SPINBEAT_EXPORT __declspec(dllexport)
#else
#define SPINBEAT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
// Read by the host before anything else of the module runs.
SPINBEAT_EXPORT extern const BakkesMod::Plugin::PluginInfo exports;
// Creates the one plugin object unless it exists; returns the holder's address.
SPINBEAT_EXPORT std::uintptr_t getPlugin();
// Empties the holder; the object goes once the host drops its own references too.
SPINBEAT_EXPORT void deleteMe();
}

// Owns the plugin object between getPlugin and deleteMe.
extern std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> pluginHolder;

// Identifies the object in the holder, so that work queued for one object never reaches another
// created later at the same address.
std::uint64_t PluginGeneration();
bool IsCurrentPlugin(const BakkesMod::Plugin::BakkesModPlugin* plugin, std::uint64_t generation);
