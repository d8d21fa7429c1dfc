// A headless session's sound on Linux: captured through SDL's disk driver into audio.wav, with the
// playbacks found in it in beats.txt.
#include <fstream>

#include "audio-capture.h"
#include "headless.h"
#include "session-sound.h"

namespace spinbeat_host {

struct SessionSound::State {
    explicit State(const std::filesystem::path& folder) : out(folder), capture(folder / "audio.raw") {}

    std::filesystem::path out;
    AudioCapture capture;
};

SessionSound::SessionSound(const std::filesystem::path& out) : state_(std::make_unique<State>(out)) {}

SessionSound::~SessionSound() = default;

void SessionSound::Observe(double nowMs) { state_->capture.Observe(nowMs); }

SessionSound::Outcome SessionSound::Finish() {
    Outcome outcome;
    const AudioCapture::Result audio = state_->capture.Finish(state_->out / "audio.wav");
    if (audio.error) {
        outcome.problems.push_back("audio capture: " + audio.error.message());
    }
    std::ofstream beats(state_->out / "beats.txt", std::ios::trunc);
    for (const double ms : audio.playbacksMs) {
        beats << FormatMs(ms) << '\n';
    }
    beats.flush();
    if (!beats) {
        outcome.problems.push_back("cannot write " + (state_->out / "beats.txt").string());
    }

    outcome.summary.push_back("  audio.wav    " + FormatMs(audio.capturedMs) + " ms captured");
    std::string playbacks = "  beats.txt    " + std::to_string(audio.playbacksMs.size()) + " playbacks";
    for (std::size_t i = 0; i < audio.playbacksMs.size(); ++i) {
        playbacks += (i == 0 ? " at " : ", ") + FormatMs(audio.playbacksMs[i]);
    }
    playbacks += audio.playbacksMs.empty() ? "" : " ms";
    outcome.summary.push_back(playbacks);
    outcome.timingNote = ", audio capture up to " + FormatMs(audio.worstStallMs) + " ms behind";
    outcome.timing = {{"capture_behind_ms", audio.worstStallMs},
                      {"capture_look_gap_ms", audio.worstLookGapMs},
                      {"capture_drift_ms", audio.worstDriftMs}};
    return outcome;
}

} // namespace spinbeat_host
