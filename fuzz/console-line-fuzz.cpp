// Fuzzes the host console line parser, the host's own commands, and the plugin with whatever the lines
// set.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz-flags.h"
#include "host-commands.h"
#include "pluginsdk/host/host.h"

namespace {

struct Session {
    Session() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        host.SetRoll(host.AddCar(), 1.0F);
        host.SetFreeplay(true);
        host.LoadPlugin(SPINBEAT_MODULE_PATH);
        // spinbeat-host's commands as its session reads them; an event is fired as it would be, a
        // plugin command is only read, since loading is not the line's to fuzz.
        host.RegisterHostCommand(
            "event",
            [this](const std::vector<std::string>& words) {
                const auto command = spinbeat_host::ParseEventCommand(words);
                if (command.verb == spinbeat_host::HostCommand::Verb::Event) {
                    host.FireEvent(command.name);
                }
            },
            "");
        host.RegisterHostCommand(
            "plugin",
            [](const std::vector<std::string>& words) {
                const auto command = spinbeat_host::ParsePluginCommand(words);
                const bool named = command.verb != spinbeat_host::HostCommand::Verb::Bad &&
                                   command.verb != spinbeat_host::HostCommand::Verb::List;
                if (named &&
                    (command.name.empty() || command.name.find_first_of("/\\") != std::string::npos)) {
                    std::abort();
                }
            },
            "");
    }
    pluginsdk::host::Host host{"/nonexistent-spinbeat-data"};
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // One console line, up to past the 16 kB the console keeps of a line. The console's history holds
    // at most about 1.3 MB, and a line is copied a few times: a much larger allocation is a fault.
    spinbeat_fuzz::PrependFlags(argc, argv, {"-max_len=20000", "-malloc_limit_mb=16"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Session* session = new Session();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto command = pluginsdk::host::ParseConsoleLine(text);
    if (command && (command->name.empty() || command->name.find_first_of(" \t\r\n") != std::string::npos)) {
        std::abort();
    }
    // Aim the typed value at each setting in turn, then let the plugin use it.
    for (const char* name : {"spinbeat_bpm", "spinbeat_barVerticalPosition", "spinbeat_playSoundOnBeat",
                             "spinbeat_displayRevolutionBar"}) {
        session->host.ExecuteConsoleLine(std::string(name) + " " + std::string(text.substr(0, 64)));
    }
    session->host.ExecuteConsoleLine(text);
    session->host.Tick();
    const auto& calls = session->host.Frame({1920, 1080});
    if (!calls.empty() && (calls.size() != 14 || calls[5].vec.X < 0 || calls[5].vec.X > 825)) {
        std::abort();
    }
    return 0;
}
