// The plugin object: a metronome for air-roll practice in free play.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "host-sdk.h"
#include "settings-window.h"

class Spinbeat : public BakkesMod::Plugin::BakkesModPlugin, public SettingsWindowBase {
public:
    // Host entry points, called on the game thread.
    // Opens the log channel, registers the settings, hooks the car input and adds the bar.
    void onLoad() override;
    // Removes the hook and the drawable, which refer to this object by plain pointer, and lets go
    // of the sound output.
    void onUnload() override;

    // The car-input hook, once per input update of every car. Game thread; no allocation. The
    // handles come by reference: each copy of one is two calls into the host's library.
    void OnSetVehicleInput(CarWrapper& caller, void* params);
    // The drawable, once per drawn frame, on the thread that draws. No allocation.
    void RenderRevolutionBar(CanvasWrapper& canvas);
    // Plays the data folder's beat file, or says on the console that it is missing.
    void PlayBeatSound();
    // The settings page, on the thread that draws the host's settings window.
    void RenderSettings() override;

    // Written by the hook, read by the drawable.
    std::atomic<bool> isRolling{false};
    bool timingStarted = false;
    std::int64_t beatStart = 0;
    std::atomic<std::int64_t> elapsedMs{0};
    std::int32_t barWidth = 825;
    std::int32_t barHeight = 20;
};
