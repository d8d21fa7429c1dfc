// Sound output, one implementation per platform.
#pragma once

#include <filesystem>
#include <string>

// Starts playing a wave file and returns at once; a sound of ours still playing stops. A file that
// cannot be played is skipped without a word. Game thread only.
void PlaySoundFile(const std::filesystem::path& file);

// Lets go of the sound output and whatever it started; the next playback opens it again. Game
// thread, while the module is loaded: never from a static destructor, which runs under the
// loader's lock.
void ReleaseSoundOutput() noexcept;

// The path as console text in the platform's narrow encoding. Never throws: characters the
// encoding lacks are replaced.
std::string PathForLog(const std::filesystem::path& path);
