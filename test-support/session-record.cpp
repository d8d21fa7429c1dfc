// Reading a headless session's record of its timing.
#include "session-record.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>

#include "session-pictures.h"

namespace spinbeat_test {

namespace {

std::ifstream OpenOutput(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) {
        throw std::runtime_error("the session wrote no " + file.filename().string());
    }
    return in;
}

} // namespace

SessionRecord ReadSessionRecord(const std::filesystem::path& out) {
    SessionRecord record;
    std::ifstream updates = OpenOutput(out / "updates.txt");
    for (SessionRecord::Update update{}; updates >> update.dueMs >> update.startMs >> update.endMs;) {
        record.updates.push_back(update);
    }
    std::ifstream beats(out / "beats.txt");
    for (double ms = 0.0; beats >> ms;) {
        record.playbacksMs.push_back(ms);
    }
    std::ifstream timing = OpenOutput(out / "timing.txt");
    std::string name;
    for (double value = 0.0; timing >> name >> value;) {
        if (name == "updates_late_ms") {
            record.updatesLateMs = value;
        } else if (name == "capture_behind_ms") {
            record.captureBehindMs = value;
        } else if (name == "capture_look_gap_ms") {
            record.captureLookGapMs = value;
        } else if (name == "capture_drift_ms") {
            record.captureDriftMs = value;
        }
    }
    return record;
}

const SessionRecord::Update& LastUpdateBefore(const SessionRecord& record, double ms) {
    return *std::find_if(record.updates.rbegin(), record.updates.rend(),
                         [&](const SessionRecord::Update& update) { return update.dueMs < ms; });
}

std::pair<int, int> FillRange(const SessionRecord& record, double ms, float intervalMs) {
    const auto& last = LastUpdateBefore(record, ms);
    const auto& first = record.updates.front();
    const auto fill = [&](double elapsed) {
        return static_cast<int>(static_cast<float>(kBarWidth) *
                                (static_cast<float>(std::floor(elapsed)) / intervalMs));
    };
    return {fill(last.startMs - first.endMs - 0.001), fill(last.endMs - first.startMs + 0.001)};
}

} // namespace spinbeat_test
