// What the host's loader finds in the module: the plugin record and the plugin object's holder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host-sdk.h"

#if defined(_WIN32)
#define SPINBEAT_EXPORT __declspec(dllexport)
#else
#define SPINBEAT_EXPORT __attribute__((visibility("default")))
#endif

// The description the host's loader reads before anything else of the module runs. Its layout is
// the loader's, whatever SDK the plugin is built against, so it is ours and not the SDK's.
struct PluginRecord {
    std::int32_t apiBuildVersion;
    // Full path, at build time, of source/Spinbeat.cpp.
    const char* sourceFileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    std::int32_t pluginType;
    // Returns the address of pluginHolder.
    std::uintptr_t (*createFunction)();
    void (*deleteFunction)();
};
static_assert(sizeof(PluginRecord) == 64);
static_assert(offsetof(PluginRecord, apiBuildVersion) == 0);
static_assert(offsetof(PluginRecord, sourceFileName) == 8);
static_assert(offsetof(PluginRecord, className) == 16);
static_assert(offsetof(PluginRecord, pluginName) == 24);
static_assert(offsetof(PluginRecord, pluginVersion) == 32);
static_assert(offsetof(PluginRecord, pluginType) == 40);
static_assert(offsetof(PluginRecord, createFunction) == 48);
static_assert(offsetof(PluginRecord, deleteFunction) == 56);

extern "C" {
SPINBEAT_EXPORT extern const PluginRecord exports;
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
