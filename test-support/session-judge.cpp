// The beat rule applied to a headless session's updates as they really ran, and the playbacks heard.
#include "session-judge.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <iomanip>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "pluginsdk/host/host.h"

namespace spinbeat_test {

namespace {

using spinbeat_host::ScriptCommand;

std::optional<std::int32_t> ConsoleInt(const std::string& value) {
    double number = 0.0;
    const std::string_view text = pluginsdk::host::TrimSpace(value);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    if (result.ec != std::errc() || std::isnan(number)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(std::clamp(number, -2147483648.0, 2147483647.0));
}

// The plugin's settings and the player's input as the script has them before one update.
struct Inputs {
    bool freeplay;
    float roll;
    float intervalMs;
    bool playSound;
    // The page's sound test, pressed since the last update: its task runs in this one.
    bool playtest = false;

    void Apply(const ScriptCommand& command) {
        switch (command.kind) {
        case ScriptCommand::Kind::Freeplay:
            freeplay = command.on;
            break;
        case ScriptCommand::Kind::Roll:
            roll = command.roll;
            break;
        case ScriptCommand::Kind::Playtest:
            playtest = true;
            break;
        case ScriptCommand::Kind::Console: {
            const auto line = pluginsdk::host::ParseConsoleLine(command.text);
            if (!line || !line->value) {
                break;
            }
            if (const auto value = ConsoleInt(*line->value); value && line->name == "spinbeat_bpm") {
                intervalMs = 60000.0F / static_cast<float>(*value);
            } else if (value && line->name == "spinbeat_playSoundOnBeat") {
                playSound = *value != 0;
            }
            break;
        }
        default:
            break;
        }
    }
};

// One way the run may have gone: the plugin's clock readings are known only to lie within their
// update, so where the rule is on the edge both outcomes are followed.
struct Path {
    bool timing = false;
    // The update in which the current interval began.
    std::size_t beatStartUpdate = 0;
    // How many of the heard playbacks this way has accounted for.
    std::size_t heard = 0;

    auto Key() const { return std::tie(timing, beatStartUpdate, heard); }
    bool operator<(const Path& other) const { return Key() < other.Key(); }
};

struct Window {
    double fromMs;
    double toMs;
};

// Follows every way the run may have gone, given when its updates ran. `fits(u, i)` says whether
// the i-th thing observed can be what update u played; `observed` is how many there are.
template <typename Fits>
BeatVerdict Judge(const std::vector<ScriptCommand>& script, const SessionStart& start,
                  const SessionRecord& record, std::size_t observed, const Fits& fits,
                  const std::function<Window(std::size_t)>& window) {
    const auto& updates = record.updates;
    Inputs inputs{start.freeplay, 0.0F, 60000.0F / static_cast<float>(start.bpm), start.playSoundOnBeat};
    std::set<Path> paths = {Path{}};
    // For the report: where playbacks are due if every reading came at the start of its update.
    Path nominal;
    std::ostringstream due;
    due << std::fixed << std::setprecision(1);
    std::size_t nextCommand = 0;
    for (std::size_t u = 0; u < updates.size(); ++u) {
        inputs.playtest = false;
        while (nextCommand < script.size() &&
               static_cast<double>(script[nextCommand].ms) <= updates[u].dueMs) {
            inputs.Apply(script[nextCommand++]);
        }
        const bool fullRoll = inputs.roll == 1.0F || inputs.roll == -1.0F;
        // The ways a path can go in this update, and whether each is a beat. Readings are written
        // to the microsecond, hence the margin.
        const auto outcomes = [&](const Path& path, bool early) {
            std::vector<std::pair<Path, bool>> ways;
            if (!inputs.freeplay) {
                ways.emplace_back(path, false);
            } else if (!fullRoll) {
                ways.emplace_back(Path{false, 0, path.heard}, false);
            } else if (!path.timing) {
                ways.emplace_back(Path{true, u, path.heard}, false);
            } else {
                const auto& began = updates[path.beatStartUpdate];
                const auto least = static_cast<float>(std::floor(updates[u].startMs - began.endMs - 0.001));
                const auto most = static_cast<float>(std::floor(updates[u].endMs - began.startMs + 0.001));
                const auto nominalElapsed =
                    static_cast<float>(std::floor(updates[u].startMs - began.startMs));
                if (early ? nominalElapsed < inputs.intervalMs : least < inputs.intervalMs) {
                    ways.emplace_back(path, false);
                }
                if (early ? nominalElapsed >= inputs.intervalMs : most >= inputs.intervalMs) {
                    ways.emplace_back(Path{true, u, path.heard}, true);
                }
            }
            return ways;
        };
        const auto plays = [&](bool beat) {
            return start.soundFile && ((beat && inputs.playSound) || inputs.playtest);
        };

        for (const auto& [way, beat] : outcomes(nominal, true)) {
            nominal = way;
            if (plays(beat)) {
                const Window w = window(u);
                due << ' ' << w.fromMs << (std::isinf(w.toMs) ? "+" : "-");
                if (!std::isinf(w.toMs)) {
                    due << w.toMs;
                }
            }
        }
        std::set<Path> next;
        for (const Path& path : paths) {
            for (auto [way, beat] : outcomes(path, false)) {
                if (plays(beat)) {
                    if (way.heard >= observed || !fits(u, way.heard)) {
                        continue;
                    }
                    ++way.heard;
                }
                next.insert(way);
            }
        }
        paths = std::move(next);
    }

    BeatVerdict verdict;
    verdict.explained =
        std::any_of(paths.begin(), paths.end(), [&](const Path& path) { return path.heard == observed; });
    std::ostringstream report;
    report << std::fixed << std::setprecision(1) << "heard at";
    for (const double ms : record.playbacksMs) {
        report << ' ' << ms;
    }
    report << " ms; due, were every clock reading at the start of its update, within" << due.str() << " ms.\n"
           << updates.size() << " updates, up to " << record.updatesLateMs << " ms late; capture up to "
           << record.captureBehindMs << " ms behind, looked at every " << record.captureLookGapMs
           << " ms at most";
    verdict.report = report.str();
    return verdict;
}

} // namespace

BeatVerdict JudgeBeats(const std::vector<ScriptCommand>& script, const SessionStart& start,
                       const SessionRecord& record, TimingCheck check) {
    const auto& updates = record.updates;
    // Heard one device buffer after the update that played it: no sooner, and no later than the
    // capture's own lag allows, twice over (the buffer before also places the sound), and the time
    // between its looks.
    const double lateMs = 2 * record.captureBehindMs + record.captureLookGapMs + kPlacementMs;
    const auto window = [&](std::size_t u) {
        return Window{updates[u].startMs + kDeviceBufferMs - kPlacementMs,
                      check == TimingCheck::Milliseconds ? updates[u].endMs + kDeviceBufferMs + lateMs
                                                         : INFINITY};
    };
    const auto fits = [&](std::size_t u, std::size_t index) {
        const Window w = window(u);
        return record.playbacksMs[index] >= w.fromMs && record.playbacksMs[index] <= w.toMs;
    };
    return Judge(script, start, record, record.playbacksMs.size(), fits, window);
}

BeatVerdict JudgePlayCount(const std::vector<ScriptCommand>& script, const SessionStart& start,
                           const SessionRecord& record, std::size_t count) {
    // Every playback the rule gives leaves its line, whether or not a file was found.
    SessionStart played = start;
    played.soundFile = true;
    const auto any = [](std::size_t, std::size_t) { return true; };
    const auto when = [&](std::size_t u) { return Window{record.updates[u].startMs, INFINITY}; };
    return Judge(script, played, record, count, any, when);
}

} // namespace spinbeat_test
