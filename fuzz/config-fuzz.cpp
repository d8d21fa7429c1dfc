// Fuzzes the host's configuration file: read, saved, read and saved again, nothing is lost or changes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz-flags.h"
#include "pluginsdk/host/host.h"

namespace {

using pluginsdk::host::Host;

// The variables a plugin of this host might have: saved, bounded and saved, and for the session only.
void Register(Host& host) {
    CVarManagerWrapper cvars = host.CVarManagerFor(1);
    cvars.registerCvar("test_speed", "54");
    cvars.registerCvar("test_pos", "0.5", "", true, true, 0.0F, true, 1.0F);
    cvars.registerCvar("test_session", "0", "", true, false, 0.0F, false, 0.0F, false);
}

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Files {
    // In memory where there is such a folder: replacing a file on a disk waits for the disk.
    std::filesystem::path dir =
        (std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path()) /
        ("spinbeat-config-fuzz-" + std::to_string(getpid()));
    bool made = std::filesystem::create_directories(dir) || true;
    std::filesystem::path input = dir / "input.cfg";
    std::filesystem::path saved = dir / "saved.cfg";
    std::filesystem::path again = dir / "again.cfg";
};

bool IsRegistered(std::string_view name) {
    return name == "test_speed" || name == "test_pos" || name == "test_session";
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // A few lines past the longest a setting line may be; the file's own limit adds only more lines.
    // The host needs a few times the file at most: a much larger allocation is a fault.
    spinbeat_fuzz::PrependFlags(argc, argv, {"-max_len=9000", "-malloc_limit_mb=16"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Files* files = new Files();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::ofstream(files->input, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(size));

    Host first;
    Register(first);
    if (first.LoadConfig(files->input) || first.SaveConfig(files->saved)) {
        std::abort();
    }
    const std::string saved = "\n" + ReadText(files->saved);
    // Every line is applied, or kept under its name, or kept as it was.
    for (std::string_view rest = text; !rest.empty();) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const auto command = pluginsdk::host::ParseConsoleLine(line);
        const bool verbatim = saved.find("\n" + std::string(line) + "\n") != std::string::npos;
        const bool named = command && (IsRegistered(command->name) ||
                                       saved.find("\n" + command->name + " \"") != std::string::npos);
        if (line.size() <= Host::kMaxConfigLineBytes && !command) {
            continue;
        }
        if (!verbatim && !named) {
            std::abort();
        }
    }

    // What the host wrote, it reads back as it was.
    Host second;
    Register(second);
    if (second.LoadConfig(files->saved) || second.SaveConfig(files->again) ||
        ReadText(files->again) != saved.substr(1)) {
        std::abort();
    }
    return 0;
}
