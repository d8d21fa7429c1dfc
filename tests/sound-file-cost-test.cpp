// What a beat file costs: the most the process holds during its beat, counted by replacing malloc,
// for files of every form and encoding SDL's wave loader takes, under its hints or none.
#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdio>

#include "plugin-session.h"
#include "sound-file-bound.h"

extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* memory, std::size_t size);
extern "C" void __libc_free(void* memory);

namespace {
// Signed: a block of memalign's, which is not counted, may be freed.
std::atomic<std::int64_t> held{0};
std::atomic<std::int64_t> peak{0};

// What the process holds, with the block added (1) or taken away (-1), and the most it has held.
void* Count(void* memory, std::int64_t sign) {
    const std::int64_t now = held += sign * static_cast<std::int64_t>(malloc_usable_size(memory));
    for (std::int64_t seen = peak; now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
    return memory;
}
} // namespace

// Every allocation in the process, SDL's included, comes through here.
extern "C" {
void* malloc(std::size_t size) { return Count(__libc_malloc(size), 1); }
void* calloc(std::size_t count, std::size_t size) { return Count(__libc_calloc(count, size), 1); }
void* realloc(void* memory, std::size_t size) { return Count(__libc_realloc(Count(memory, -1), size), 1); }
void free(void* memory) { __libc_free(Count(memory, -1)); }
}

namespace {

TEST(BeatFileCost, NoFileCostsMoreThanTheBoundWhateverItDeclaresOrSdlsHintsSay) {
    spinbeat_test::PluginSession session;
    session.Console("spinbeat_bpm -1");
    session.RollAt(0, 1.0F);
    std::int64_t ms = 1;
    for (const bool hinted : {false, true}) {
        // Hints that walk every chunk, decode every partial block and take the fact chunk's length.
        setenv("SDL_WAVE_RIFF_CHUNK_SIZE", hinted ? "maximum" : "", 1);
        setenv("SDL_WAVE_TRUNCATION", hinted ? "dropframe" : "", 1);
        setenv("SDL_WAVE_FACT_CHUNK", hinted ? "truncate" : "", 1);
        setenv("SDL_WAVE_CHUNK_LIMIT", hinted ? "4294967295" : "", 1);
        // Every fuzzer input as it is, and the crafted files grown to the largest file read.
        for (const std::string folder : {"/fuzz/corpus/beat-sound", "/tests/beat-files"}) {
            for (const auto& entry : std::filesystem::directory_iterator(SPINBEAT_SOURCE_DIR + folder)) {
                std::filesystem::copy_file(entry, session.SoundPath(),
                                           std::filesystem::copy_options::overwrite_existing);
                if (folder == "/tests/beat-files") {
                    std::filesystem::resize_file(session.SoundPath(), sound_bound::kMaxFileBytes);
                }
                const std::int64_t before = peak = held.load();
                session.RollAt(ms++, 1.0F);
                std::printf("%10lld bytes: %s%s\n", static_cast<long long>(peak - before),
                            entry.path().c_str(), hinted ? ", hinted" : "");
                EXPECT_LE(peak - before, std::int64_t{sound_bound::kMaxBytesPerFile})
                    << entry.path() << hinted;
            }
        }
    }
    EXPECT_EQ(session.MissingSoundLines(), 0U);
}

} // namespace
