// The plugin's start and stop, and the beat clock that the car-input hook drives.
#include "Spinbeat.h"

#include "callback-guard.h"
#include "clock.h"
#include "logging.h"
#include "settings.h"
#include "sound-playback.h"

namespace {

constexpr const char* kSetVehicleInputEvent = "Function TAGame.Car_TA.SetVehicleInput";
constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr auto relaxed = std::memory_order_relaxed;

} // namespace

// ---------------------------------------------------------------------------
// Lifecycle
// ---------------------------------------------------------------------------

// Each step is guarded on its own: one that fails costs only itself, and says so on the console.
void Spinbeat::onLoad() {
    globalCvarManager = cvarManager;
    GuardHostCallback([] { LogFormatted("Spinbeat Plugin loaded!"); });
    RegisterSettings(*cvarManager);
    // Both callbacks hold a plain pointer: onUnload removes them before the object can go.
    GuardHostCallback([this] {
        gameWrapper->HookEventWithCaller<CarWrapper>(
            kSetVehicleInputEvent, [this](CarWrapper caller, void* params, const std::string& /*eventName*/) {
                GuardHostCallback([&] { OnSetVehicleInput(caller, params); });
            });
    });
    GuardHostCallback([this] {
        gameWrapper->RegisterDrawable(
            [this](CanvasWrapper canvas) { GuardHostCallback([&] { RenderRevolutionBar(canvas); }); });
    });
}

// A removal that fails must not keep the other one from running: after deleteMe either callback
// would call a destroyed object.
void Spinbeat::onUnload() {
    GuardHostCallback([this] { gameWrapper->UnhookEvent(kSetVehicleInputEvent); });
    GuardHostCallback([this] { gameWrapper->UnregisterDrawables(); });
    // Now, not when the module goes: the loader's lock is held then, and the sound output's
    // threads may need it to finish.
    ReleaseSoundOutput();
}

// ---------------------------------------------------------------------------
// Beat clock
// ---------------------------------------------------------------------------

void Spinbeat::OnSetVehicleInput(CarWrapper& caller, void* /*params*/) {
    // Outside free play the timing is frozen as it stands, to go on when the player comes back.
    if (!gameWrapper->IsInFreeplay()) {
        return;
    }
    // Only full deflection counts: a stick held nearly to the side is not a held roll.
    const float roll = caller.GetInput().Roll;
    if (roll == 1.0F || roll == -1.0F) {
        isRolling.store(true, relaxed);
        if (!timingStarted) {
            beatStart = MonotonicNowNs();
            timingStarted = true;
        } else {
            const std::int64_t elapsed = (MonotonicNowNs() - beatStart) / kNsPerMs;
            elapsedMs.store(elapsed, relaxed);
            if (static_cast<float>(elapsed) >= beatIntervalMs.load(relaxed)) {
                // The next beat is timed from now, so each tick's lateness carries into the next.
                beatStart = MonotonicNowNs();
                if (playSoundOnBeat.load(relaxed)) {
                    PlayBeatSound();
                }
            }
        }
    } else {
        isRolling.store(false, relaxed);
    }
    if (!isRolling.load(relaxed) && timingStarted) {
        elapsedMs.store(0, relaxed);
        timingStarted = false;
    }
}
