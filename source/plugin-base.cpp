// The host base class's members: declared by the host's SDK, defined and exported by each plugin module.
#include "host-sdk.h"

namespace BakkesMod::Plugin {

BakkesModPlugin::BakkesModPlugin() = default;
BakkesModPlugin::BakkesModPlugin(const BakkesModPlugin& other) = default;
BakkesModPlugin::BakkesModPlugin(BakkesModPlugin&& other) noexcept = default;
// Members go in reverse order: gameWrapper, then cvarManager.
BakkesModPlugin::~BakkesModPlugin() = default;
BakkesModPlugin& BakkesModPlugin::operator=(const BakkesModPlugin& other) = default;
BakkesModPlugin& BakkesModPlugin::operator=(BakkesModPlugin&& other) noexcept = default;

void BakkesModPlugin::onLoad() {}

void BakkesModPlugin::onUnload() {}

} // namespace BakkesMod::Plugin
