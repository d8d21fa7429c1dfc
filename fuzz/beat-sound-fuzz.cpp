// Fuzzes the beat sound with arbitrary bytes as the data folder's timesup.wav, under SDL's wave
// hints and without.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "pluginsdk/host/host.h"

namespace {

struct Session {
    Session() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        host.SetRoll(host.AddCar(), 1.0F);
        host.SetFreeplay(true);
        host.LoadPlugin(SPINBEAT_MODULE_PATH);
        // Every tick after the first is a beat.
        host.ExecuteConsoleLine("spinbeat_bpm -1");
        host.Tick();
    }
    // A folder of this process's own: fuzzers run side by side would play each other's files.
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("spinbeat-beat-sound-fuzz-" + std::to_string(getpid()));
    bool made = std::filesystem::create_directories(folder) || true;
    pluginsdk::host::Host host{folder};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Session* session = new Session();
    {
        std::ofstream file(session->folder / "timesup.wav", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // As SDL reads it by default, then with the hints that make it read the most.
    for (const bool hinted : {false, true}) {
        setenv("SDL_WAVE_RIFF_CHUNK_SIZE", hinted ? "maximum" : "", 1);
        setenv("SDL_WAVE_TRUNCATION", hinted ? "dropframe" : "", 1);
        setenv("SDL_WAVE_FACT_CHUNK", hinted ? "truncate" : "", 1);
        setenv("SDL_WAVE_CHUNK_LIMIT", hinted ? "4294967295" : "", 1);
        session->host.Tick();
    }
    // The file is there: a beat never reports it missing, whatever it holds.
    if (session->host.ConsoleLineCount() != 1) {
        std::abort();
    }
    return 0;
}
