// The SDK library's private copy of the plugin base class, for the host's own type checks; each
// plugin module defines and exports its own.
#include "pluginsdk/plugin.h"

namespace BakkesMod::Plugin {

BakkesModPlugin::BakkesModPlugin() = default;
BakkesModPlugin::BakkesModPlugin(const BakkesModPlugin& other) = default;
BakkesModPlugin::BakkesModPlugin(BakkesModPlugin&& other) noexcept = default;
BakkesModPlugin::~BakkesModPlugin() = default;
BakkesModPlugin& BakkesModPlugin::operator=(const BakkesModPlugin& other) = default;
BakkesModPlugin& BakkesModPlugin::operator=(BakkesModPlugin&& other) noexcept = default;

void BakkesModPlugin::onLoad() {}

void BakkesModPlugin::onUnload() {}

} // namespace BakkesMod::Plugin
