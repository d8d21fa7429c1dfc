// The plugin proper, and through it every host service a plugin sees.
#pragma once

#include <memory>

#include "bakkesmod/wrappers/canvas.h"
#include "bakkesmod/wrappers/cvars.h"
#include "bakkesmod/wrappers/game-objects.h"
#include "bakkesmod/wrappers/game.h"
#include "bakkesmod/wrappers/values.h"
#include "pluginsdk/api.h"

namespace BakkesMod::Plugin {

// The host fills both pointers, then calls onLoad; it calls onUnload before it drops the plugin. Both
// run on the game thread. Declared whole: the compiler defines its special members in every plugin
// module, which exports them with the rest of the class. It has no virtual destructor: the module's
// holder always destroys the plugin as its own class.
class PLUGINSDK_PLUGIN_BASE_API BakkesModPlugin {
public:
    std::shared_ptr<CVarManagerWrapper> cvarManager;
    std::shared_ptr<GameWrapper> gameWrapper;

    // Hooks, drawables and console variables are set up here, not in the constructor.
    virtual void onLoad() {}
    // Everything that calls back into the plugin object must be removed here.
    virtual void onUnload() {}
};

} // namespace BakkesMod::Plugin
