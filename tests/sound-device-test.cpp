// What reaches the audio device, through SDL's disk driver: it writes everything the plugin plays
// to a file in the device's format, in real time, so a test reads back what a player would hear.
//
// A beat is heard one device buffer after the update that played it. The updates are timed by the
// test's own clock and the capture is dated as it is written, so each beat is judged against what
// this run measured: the update it came from, and how far the capture fell behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "plugin-session.h"
#include "realtime-sound.h"

namespace {

using spinbeat_test::Clock;
using spinbeat_test::PluginSession;
using spinbeat_test::TempDir;
using spinbeat_test::TickWindow;

using spinbeat_test::kJudgeMilliseconds;
using spinbeat_test::kPlacementMs;

// Each tone whole, or cut only where the next starts, and each heard one buffer after its update:
// never sooner, and later only by what the capture itself fell behind, twice over (the buffer before
// also places the sound), or took to look.
void ExpectHeardWholeAfterTheirUpdates(const spinbeat_test::DiskCapture& capture,
                                       const spinbeat_host::AudioCapture::Result& result,
                                       const std::vector<TickWindow>& beats, int toneMs) {
    const auto starts = spinbeat_test::ToneStarts(capture.Left());
    ASSERT_EQ(starts.size(), beats.size());
    EXPECT_EQ(spinbeat_test::ToneGaps(capture.Left(), starts, toneMs), "");
    const double lateMs = 2 * result.worstStallMs + result.worstLookGapMs + kPlacementMs;
    for (std::size_t i = 0; i < beats.size(); ++i) {
        const double heard = capture.HeardAtMs(starts[i]);
        SCOPED_TRACE("beat " + std::to_string(i + 1) + " heard at " + std::to_string(heard) +
                     " ms, updated from " + std::to_string(beats[i].beforeMs) + " to " +
                     std::to_string(beats[i].afterMs) + " ms; capture up to " +
                     std::to_string(result.worstStallMs) + " ms behind, looked at every " +
                     std::to_string(result.worstLookGapMs) + " ms");
        std::printf("beat %zu: updated %.2f to %.2f ms, heard at %.2f ms; capture %.2f ms behind, looked "
                    "every %.2f ms\n",
                    i + 1, beats[i].beforeMs, beats[i].afterMs, heard, result.worstStallMs,
                    result.worstLookGapMs);
        EXPECT_GE(heard, beats[i].beforeMs + spinbeat_test::kDeviceBufferMs - kPlacementMs);
        if (kJudgeMilliseconds) {
            EXPECT_LE(heard, beats[i].afterMs + spinbeat_test::kDeviceBufferMs + lateMs);
        }
    }
}

// Points SDL's disk driver at a file of the test's own, with nobody watching it.
class DiskFile {
public:
    DiskFile() : file_(dir_.path() / "capture.raw") {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
    }
    const std::filesystem::path& file() const { return file_; }
    // Waits until the driver has written `buffers` more device buffers than now: whatever was
    // handed over before is in the file by then.
    void WaitForBuffers(int buffers) const {
        std::error_code error;
        const auto target = std::filesystem::file_size(file_, error) +
                            static_cast<std::uintmax_t>(buffers) * spinbeat_test::kDeviceBufferFrames * 4;
        while (std::filesystem::file_size(file_, error) < target && !error) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    TempDir dir_;
    std::filesystem::path file_;
};

// Beats of a tone of `toneMs` at `bpm`, the roll held for `holdMs` on the real clock; the module is
// gone, its device closed and the capture complete, before they are judged.
void ExpectBeatsHeardWholeAfterTheirUpdates(int toneMs, int bpm, int holdMs) {
    TempDir dir;
    const auto origin = Clock::now();
    spinbeat_test::DiskCapture capture(dir.path(), origin);
    std::vector<TickWindow> beats;
    {
        PluginSession session(spinbeat_test::ModulePath());
        spinbeat_test::WriteTone(session.SoundPath(), toneMs);
        session.Console("spinbeat_bpm " + std::to_string(bpm));
        beats = spinbeat_test::HoldRollInRealTime(session, std::chrono::milliseconds(holdMs), origin);
        std::this_thread::sleep_for(std::chrono::milliseconds(toneMs + 150));
    }
    const auto result = capture.Finish();
    ASSERT_GE(beats.size(), 2U);
    ExpectHeardWholeAfterTheirUpdates(capture, result, beats, toneMs);
}

TEST(BeatSound, EveryBeatIsHeardWholeOneBufferAfterItsUpdate) {
    ExpectBeatsHeardWholeAfterTheirUpdates(40, 300, 900);
}

// Queued after the one sounding instead of in its place, the next would start 300 ms later; each is
// cut off where the next starts, the last whole, then silence.
TEST(BeatSound, ANewPlaybackCutsTheOneStillSoundingWhereItStarts) {
    ExpectBeatsHeardWholeAfterTheirUpdates(300, 600, 350);
}

TEST(BeatSound, FilesThatCannotBePlayedAreSkippedSilently) {
    DiskFile audio;
    PluginSession session;
    const auto sound = session.SoundPath();
    const std::vector<std::function<void()>> unplayable = {
        [&] { std::filesystem::create_directory(sound); },
        [&] { std::ofstream(sound) << "RIFF garbage, not a wave file at all"; },
        [&] { std::ofstream(sound, std::ios::binary); },
        [&] {
            spinbeat_test::WriteTone(sound, 100);
            std::filesystem::resize_file(sound, 30);
        },
    };
    for (std::size_t i = 0; i < unplayable.size(); ++i) {
        SCOPED_TRACE(i);
        std::filesystem::remove_all(sound);
        unplayable[i]();
        session.RollAt(static_cast<std::int64_t>(i) * 10'000, 1.0F);
        session.RollAt(static_cast<std::int64_t>(i) * 10'000 + 2000, 1.0F);
        session.RollAt(static_cast<std::int64_t>(i) * 10'000 + 2001, 0.0F);
    }
    // The file exists each time, so nothing is reported, and nothing is played.
    EXPECT_EQ(session.MissingSoundLines(), 0U);
    audio.WaitForBuffers(3);
    for (const std::int16_t sample : spinbeat_test::LeftChannel(audio.file())) {
        ASSERT_EQ(sample, 0);
    }
}

TEST(BeatSound, AHeaderThatOverstatesItsSizeStillPlaysAndAnOverlongSoundIsSkipped) {
    DiskFile audio;
    {
        PluginSession session(spinbeat_test::ModulePath());
        session.Console("spinbeat_bpm -1");
        session.host.SetRoll(session.car, 1.0F);
        session.host.Tick();
        // Eleven seconds is no beat sound: had it been handed over, the device would have it.
        spinbeat_test::WriteTone(session.SoundPath(), 11'000);
        session.host.Tick();
        audio.WaitForBuffers(3);
        // A data chunk that claims 2.6 GB but holds 40 ms: the sound is played as far as it goes.
        spinbeat_test::WriteTone(session.SoundPath(), 40);
        std::fstream patch(session.SoundPath(), std::ios::binary | std::ios::in | std::ios::out);
        patch.seekp(40);
        const std::uint32_t claimed = 0x9C000F00;
        patch.write(reinterpret_cast<const char*>(&claimed), 4);
        patch.close();
        session.host.Tick();
        audio.WaitForBuffers(3);
    }
    const auto left = spinbeat_test::LeftChannel(audio.file());
    const auto starts = spinbeat_test::ToneStarts(left);
    ASSERT_EQ(starts.size(), 1U);
    EXPECT_EQ(spinbeat_test::ToneGaps(left, starts, 40), "");
}

TEST(BeatSound, ADeviceThatWillNotOpenIsTriedAgainOnlyEveryFewSeconds) {
    DiskFile audio;
    // The driver cannot create its file until this folder exists.
    const auto later = audio.file().parent_path() / "later";
    setenv("SDL_DISKAUDIOFILE", (later / "capture.raw").c_str(), 1);
    PluginSession session;
    session.InstallSound();
    session.Console("spinbeat_bpm -1");
    session.RollAt(0, 1.0F);
    session.RollAt(1000, 1.0F);
    std::filesystem::create_directory(later);
    session.RollAt(3999, 1.0F);
    EXPECT_FALSE(std::filesystem::exists(later / "capture.raw")) << "tried again too soon";
    session.RollAt(4001, 1.0F);
    EXPECT_TRUE(std::filesystem::exists(later / "capture.raw"));
}

} // namespace
