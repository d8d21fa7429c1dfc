// What a session script's `expect` lines check: the console as it comes, the variables, the last
// frame drawn and the plugins' stops.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pluginsdk/host/host.h"
#include "script.h"

namespace spinbeat_host {

class Expectations {
public:
    // Notes the texts the script's console expectations look for: each console line is matched
    // against them as it comes, so none has to be kept.
    explicit Expectations(const std::vector<ScriptCommand>& commands);

    // Sees every console line, on the thread that logs it.
    void Watch(std::string_view line);
    // Checks one expectation now: nothing when it holds, else what was seen instead. `lastFrame`
    // is the canvas calls of the last frame drawn, null before the first.
    std::optional<std::string> Check(const ScriptCommand& expectation, pluginsdk::host::Host& host,
                                     const std::vector<pluginsdk::host::CanvasCall>* lastFrame);

private:
    struct Watched {
        std::string text;
        // The first line that held it, and its number from 1.
        std::optional<std::string> line;
        std::size_t number = 0;
    };

    std::mutex mutex_;
    std::vector<Watched> watched_;
    std::size_t lines_ = 0;
    std::string lastLine_;
};

} // namespace spinbeat_host
