// The settings' console variables and the module-wide values their change callbacks keep.
#include "settings.h"

#include <string>

#include "callback-guard.h"

static_assert(BeatIntervalFromBpm(120) == 500.0F);

std::atomic<bool> playSoundOnBeat{true};
std::atomic<float> beatIntervalMs{BeatIntervalFromBpm(54)};
std::atomic<bool> displayRevolutionBar{true};
std::atomic<float> barVerticalPosition{0.0F};

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// Change callbacks run on whichever thread changed the variable. The old value is not needed:
// the new one is read from the variable itself.
void OnPlaySoundOnBeatChanged(const std::string& /*oldValue*/, CVarWrapper cvar) {
    GuardHostCallback([&] { playSoundOnBeat.store(cvar.getBoolValue(), relaxed); });
}

void OnBpmChanged(const std::string& /*oldValue*/, CVarWrapper cvar) {
    GuardHostCallback([&] { beatIntervalMs.store(BeatIntervalFromBpm(cvar.getIntValue()), relaxed); });
}

void OnDisplayRevolutionBarChanged(const std::string& /*oldValue*/, CVarWrapper cvar) {
    GuardHostCallback([&] { displayRevolutionBar.store(cvar.getBoolValue(), relaxed); });
}

void OnBarVerticalPositionChanged(const std::string& /*oldValue*/, CVarWrapper cvar) {
    GuardHostCallback([&] { barVerticalPosition.store(cvar.getFloatValue(), relaxed); });
}

} // namespace

// One variable the host refuses costs only that variable.
void RegisterSettings(CVarManagerWrapper& cvarManager) {
    GuardHostCallback([&] {
        cvarManager
            .registerCvar(kPlaySoundOnBeatCvar, "1", "Play sound on beat", true, false, 0.0F, false, 0.0F,
                          true)
            .addOnValueChanged(OnPlaySoundOnBeatChanged);
    });
    GuardHostCallback([&] {
        cvarManager.registerCvar(kBpmCvar, "54", "BPM", true, false, 0.0F, false, 0.0F, true)
            .addOnValueChanged(OnBpmChanged);
    });
    GuardHostCallback([&] {
        cvarManager
            .registerCvar(kDisplayRevolutionBarCvar, "1", "Display revolution bar", true, false, 0.0F, false,
                          0.0F, true)
            .addOnValueChanged(OnDisplayRevolutionBarChanged);
    });
    GuardHostCallback([&] {
        cvarManager
            .registerCvar(kBarVerticalPositionCvar, "0", "Vertical position of the revolution bar", true,
                          true, 0.0F, true, 1.0F, true)
            .addOnValueChanged(OnBarVerticalPositionChanged);
    });
}
