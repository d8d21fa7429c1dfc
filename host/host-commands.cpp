// Reading the host's own console commands.
#include "host-commands.h"

namespace spinbeat_host {

HostCommand ParsePluginCommand(const std::vector<std::string>& words) {
    using Verb = HostCommand::Verb;
    const std::string verb = words.size() > 1 ? words[1] : "";
    if (verb == "list" && words.size() == 2) {
        return {Verb::List, {}};
    }
    const Verb named = verb == "load"     ? Verb::Load
                       : verb == "unload" ? Verb::Unload
                       : verb == "reload" ? Verb::Reload
                                          : Verb::Bad;
    // A name is a file's in a folder the host was given, never a path elsewhere.
    if (named == Verb::Bad || words.size() != 3 || words[2].empty() ||
        words[2].find_first_of("/\\:") != std::string::npos || words[2] == "." || words[2] == "..") {
        return {Verb::Bad, "plugin needs load NAME, unload NAME, reload NAME or list; NAME is the module's "
                           "file name without its extension"};
    }
    return {named, words[2]};
}

HostCommand ParseEventCommand(const std::vector<std::string>& words) {
    std::string name;
    for (std::size_t i = 1; i < words.size(); ++i) {
        name += (i == 1 ? "" : " ") + words[i];
    }
    if (name.empty()) {
        return {HostCommand::Verb::Bad, "event needs the name of a function of the game, e.g. event "
                                        "Function TAGame.GameEvent_Soccar_TA.EventMatchEnded"};
    }
    return {HostCommand::Verb::Event, name};
}

} // namespace spinbeat_host
