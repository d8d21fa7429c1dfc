// A headless session's sound on Windows: the plugin hands each beat to PlaySoundW, which plays it
// through the system's mixer, out of the process's reach. Nothing is captured, and nothing is
// written in place of a capture.
#include "session-sound.h"

namespace spinbeat_host {

struct SessionSound::State {};

SessionSound::SessionSound(const std::filesystem::path& /*out*/) {}

SessionSound::~SessionSound() = default;

void SessionSound::Observe(double /*nowMs*/) {}

SessionSound::Outcome SessionSound::Finish() {
    Outcome outcome;
    outcome.summary.push_back(
        "  sound        played through PlaySoundW, not captured: no audio.wav or beats.txt");
    return outcome;
}

} // namespace spinbeat_host
