// Judges the beats of a headless spinbeat-host session against the updates as that run made them.
//
// A session on the real clock cannot say in advance when its beats come: that depends on when its
// input updates really ran. The host writes down when each update was due, began and ended; the
// plugin read the clock somewhere in between. This applies the beat rule to those updates and asks
// whether the playbacks found in the audio are the ones the rule gives, each heard one device buffer
// after its update, within what the run itself measured of its capture's lag.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "device-format.h"
#include "script.h"
#include "session-record.h"

namespace spinbeat_test {

// The plugin's settings and the game as the session began.
struct SessionStart {
    std::int32_t bpm = 54;
    bool playSoundOnBeat = true;
    bool freeplay = true;
    // Whether timesup.wav was in the data folder: without it nothing is heard.
    bool soundFile = true;
};

enum class TimingCheck {
    // Each playback within its update's time plus the device buffer, to what the run measured.
    Milliseconds,
    // The number and order of the playbacks, and none heard before its update: for builds whose
    // instrumentation makes milliseconds meaningless.
    OrderOnly,
};

struct BeatVerdict {
    bool explained = false;
    // Every expected playback with its window, and what was heard: printed when not explained.
    std::string report;
};

// Whether the heard playbacks are exactly those the beat rule gives for this run's updates, the
// script's commands applied before each update due at or after their time.
BeatVerdict JudgeBeats(const std::vector<spinbeat_host::ScriptCommand>& script, const SessionStart& start,
                       const SessionRecord& record, TimingCheck check);

// The same for a session without its sound file: whether `count` missing-file lines are as many as
// the playbacks the rule gives, none of them timed.
BeatVerdict JudgePlayCount(const std::vector<spinbeat_host::ScriptCommand>& script, const SessionStart& start,
                           const SessionRecord& record, std::size_t count);

} // namespace spinbeat_test
