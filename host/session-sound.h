// What becomes of the plugin's sound in a headless session, one implementation per platform. On
// Linux the plugin plays through SDL, whose disk driver the session points at a file: the sound is
// captured, and audio.wav and beats.txt say what was heard and when. On Windows it plays through
// PlaySoundW, which nothing inside the process can tap: the sound is played and not captured, and
// neither file is written.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace spinbeat_host {

class SessionSound {
public:
    // Before the plugin is loaded, which may open its sound output at once. Outputs go to `out`.
    explicit SessionSound(const std::filesystem::path& out);
    SessionSound(const SessionSound&) = delete;
    SessionSound& operator=(const SessionSound&) = delete;
    ~SessionSound();

    // At session time `nowMs`: right before and after every input update and about every
    // millisecond between, so that a capture can date what reached it.
    void Observe(double nowMs);

    struct Outcome {
        // The terminal summary's lines about the sound.
        std::vector<std::string> summary;
        // Said after the updates' lateness on the summary's timing line.
        std::string timingNote;
        // The capture's own measures, `name value` lines of timing.txt after the updates' one.
        std::vector<std::pair<std::string, double>> timing;
        std::vector<std::string> problems;
    };
    // Once the plugin is unloaded: writes the sound's own outputs.
    Outcome Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace spinbeat_host
