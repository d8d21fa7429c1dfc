// The loader-facing boundary: the plugin record, the holder, and the module-wide channels.
#include "plugin-exports.h"

#include <atomic>
#include <utility>

#include "Spinbeat.h"
#include "logging.h"
#include "plugin-version.h"
#include "sound-playback.h"

#ifndef SPINBEAT_MAIN_SOURCE
#error "SPINBEAT_MAIN_SOURCE must name the full path of Spinbeat.cpp"
#endif

// The plugin API build the module is made for, and the host's value for a free-play plugin: fixed
// here, so that no SDK's own constants can change what the host reads.
const PluginRecord exports = {
    .apiBuildVersion = 95,
    .sourceFileName = SPINBEAT_MAIN_SOURCE,
    .className = "Spinbeat",
    .pluginName = "Basic Spinbeat",
    .pluginVersion = SPINBEAT_VERSION,
    .pluginType = 1,
    .createFunction = &getPlugin,
    .deleteFunction = &deleteMe,
};

// Static objects of one file are destroyed in the reverse order of their definitions: at module
// unload the log channel lets go of the console before the holder drops the plugin object.
std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> pluginHolder;
std::shared_ptr<CVarManagerWrapper> globalCvarManager;

namespace {
std::atomic<std::uint64_t> generation{0};
} // namespace

std::uintptr_t getPlugin() {
    if (!pluginHolder) {
        // A count block of its own (not make_shared), which destroys the object as a Spinbeat.
        pluginHolder = std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>(new Spinbeat());
        generation.fetch_add(1, std::memory_order_relaxed);
    }
    return reinterpret_cast<std::uintptr_t>(&pluginHolder);
}

void deleteMe() {
    if (!pluginHolder) {
        return;
    }
    pluginHolder.reset();
    // A sound test the host ran after onUnload may have opened the sound output again, and here is
    // its last chance to go outside the loader's lock.
    ReleaseSoundOutput();
}

std::uint64_t PluginGeneration() { return generation.load(std::memory_order_relaxed); }

bool IsCurrentPlugin(const BakkesMod::Plugin::BakkesModPlugin* plugin, std::uint64_t expected) {
    return plugin != nullptr && pluginHolder.get() == plugin && PluginGeneration() == expected;
}
