// What a headless spinbeat-host session wrote down about its own timing, read back.
#pragma once

#include <filesystem>
#include <utility>
#include <vector>

namespace spinbeat_test {

// What a headless run wrote into its output folder about its timing and its sound.
struct SessionRecord {
    struct Update {
        double dueMs;
        double startMs;
        double endMs;
    };
    std::vector<Update> updates;
    // The playbacks found in the captured audio, as heard.
    std::vector<double> playbacksMs;
    double updatesLateMs = 0.0;
    double captureBehindMs = 0.0;
    double captureLookGapMs = 0.0;
    // How far audio.wav, at the sample rate, runs ahead of the session's clock at worst.
    double captureDriftMs = 0.0;
};
// Reads updates.txt, timing.txt and, where the sound was captured, beats.txt; throws
// std::runtime_error naming what is missing.
SessionRecord ReadSessionRecord(const std::filesystem::path& out);

// The last update due before the script's command at `ms`: what a snapshot then shows. An update
// falls behind at times, and one that fell behind by more than a period is not made up.
const SessionRecord::Update& LastUpdateBefore(const SessionRecord& record, double ms);

// The fills a snapshot taken at `ms` may show, the roll held since the update due at 0 with no beat
// since: the elapsed time of the last update before it, whose clock reading fell within that update.
std::pair<int, int> FillRange(const SessionRecord& record, double ms, float intervalMs);

} // namespace spinbeat_test
