// The four settings: their console variables and the module-wide values the metronome reads.
#pragma once

#include <atomic>
#include <cstdint>

#include "host-sdk.h"

// Console variable names, each used once where it is registered and once where the page edits it.
inline constexpr const char* kPlaySoundOnBeatCvar = "spinbeat_playSoundOnBeat";
inline constexpr const char* kBpmCvar = "spinbeat_bpm";
inline constexpr const char* kDisplayRevolutionBarCvar = "spinbeat_displayRevolutionBar";
inline constexpr const char* kBarVerticalPositionCvar = "spinbeat_barVerticalPosition";

// Written only by the change callbacks, read by the hook and the drawable, possibly on other
// threads: each is one word, read and written whole, so relaxed order is all they need. They
// outlive the plugin object; a fresh module starts from the defaults below.
extern std::atomic<bool> playSoundOnBeat;
extern std::atomic<float> beatIntervalMs;
extern std::atomic<bool> displayRevolutionBar;
extern std::atomic<float> barVerticalPosition;

// 32-bit float throughout: 0 gives +infinity (no beat ever), a negative tempo a negative interval.
constexpr float BeatIntervalFromBpm(std::int32_t bpm) { return 60000.0F / static_cast<float>(bpm); }

// Registers the four variables with their change callbacks, each on its own: one the host refuses
// is reported and the others still come. The callbacks use nothing of the plugin object, so they
// stay harmless after it is gone.
void RegisterSettings(CVarManagerWrapper& cvarManager);
