// The words of the host's own console commands, `plugin ...` and `event ...`, read into what to do.
#pragma once

#include <string>
#include <vector>

namespace spinbeat_host {

struct HostCommand {
    enum class Verb { List, Load, Unload, Reload, Event, Bad };
    Verb verb = Verb::Bad;
    // The module's name, or the event's; for Bad, what the console says instead.
    std::string name;
};

// `words` as a command gets them, its own name first.
HostCommand ParsePluginCommand(const std::vector<std::string>& words);
HostCommand ParseEventCommand(const std::vector<std::string>& words);

} // namespace spinbeat_host
