// The beat sound: the data folder's wave file, looked up afresh on every beat.
#include <filesystem>
#include <system_error>

#include "Spinbeat.h"
#include "logging.h"
#include "sound-playback.h"

namespace {

constexpr const char* kBeatSoundFile = "timesup.wav";

bool IsSeparator(std::filesystem::path::value_type c) {
    return c == std::filesystem::path::preferred_separator || c == '/';
}

// One separator between folder and file name, whether or not the folder ends with one.
std::filesystem::path BeatSoundPath(const std::filesystem::path& folder) {
    std::filesystem::path::string_type text = folder.native();
    if (text.empty() || !IsSeparator(text.back())) {
        text += std::filesystem::path::preferred_separator;
    }
    text += std::filesystem::path(kBeatSoundFile).native();
    return text;
}

} // namespace

void Spinbeat::PlayBeatSound() {
    const std::filesystem::path path = BeatSoundPath(gameWrapper->GetDataFolder());
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        PlaySoundFile(path);
        return;
    }
    // A file we may not look at is as good as missing to the player, and says so the same way.
    LogFormatted("SOUND FILE NOT FOUND: {}", PathForLog(path));
}
