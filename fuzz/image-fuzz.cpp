// Fuzzes an image file as a plugin hands it to ImageWrapper: an image within bounds, or a null one and
// one console line, never more memory than the largest image allowed.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bakkesmod/wrappers/ImageWrapper.h"
#include "fuzz-flags.h"
#include "pluginsdk/host/host.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // An 8192x8192 image is 256 MiB of pixels, and stb's decoder keeps a copy of a row or a few beside it.
    spinbeat_fuzz::PrependFlags(argc, argv, {"-max_len=65536", "-malloc_limit_mb=600", "-rss_limit_mb=2048"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file =
        (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path()) /
        ("spinbeat-image-fuzz-" + std::to_string(getpid()) + ".png");
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    pluginsdk::host::Host host;
    const std::size_t before = host.ConsoleLineCount();
    {
        // As a plugin's callback makes one: the host's console hears why an image is null.
        const pluginsdk::detail::CallingPlugin calling(host.State(), 1);
        ImageWrapper image(file, true, true);
        const Vector2 pixels = image.GetSize();
        const bool loaded = pixels.X > 0 && pixels.Y > 0;
        if (loaded != image.IsLoadedForCanvas() || loaded != image.IsLoadedForImGui() || pixels.X > 8192 ||
            pixels.Y > 8192 || host.ConsoleLineCount() - before != (loaded ? 0U : 1U)) {
            std::abort();
        }
        if (loaded) {
            // The last texel, as a renderer reads it.
            const auto* texture = static_cast<const pluginsdk::host::ImageTexture*>(image.GetImGuiTex());
            if (texture == nullptr ||
                texture->rgba.size() != std::size_t{4} * static_cast<std::size_t>(pixels.X) *
                                            static_cast<std::size_t>(pixels.Y) ||
                texture->Texel(1.0F, 1.0F)[3] != texture->rgba.back()) {
                std::abort();
            }
        }
    }
    return 0;
}
