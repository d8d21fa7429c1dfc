// The session around the host SDK: loading, the player's car, configuration, the console.
#include "session.h"

#include <array>

#include "game-loop.h"
#include "host-font.h"
#include "parse-number.h"
#include "scene.h"
#include "script.h"

namespace spinbeat_host {

namespace {

// `ball X Y Z` and `car X Y Z`, typed or run by a plugin: the place a session script's line gives.
void AddPlaceCommand(pluginsdk::host::Host& host, const std::string& name) {
    host.RegisterHostCommand(
        name,
        [&host, name](std::vector<std::string> words) {
            std::array<float, 3> xyz{};
            bool ok = words.size() == 4;
            for (std::size_t i = 0; ok && i < xyz.size(); ++i) {
                const auto value = ParseFloat(words[i + 1]);
                ok = value && *value >= -kMaxPlace && *value <= kMaxPlace;
                xyz[i] = ok ? *value : 0.0F;
            }
            if (!ok) {
                host.Log(name + " needs X Y Z, each a number from -1000000 to 1000000");
            } else if (name == "ball") {
                host.PlaceBall({xyz[0], xyz[1], xyz[2]});
            } else {
                host.PlaceCar({xyz[0], xyz[1], xyz[2]});
            }
        },
        "Puts the free-play " + name + " at X Y Z, in the game's units");
}

} // namespace

Session::Session(const Setup& setup) : host_(setup.data), car_(host_.AddCar()), config_(setup.config) {
    host_.SetFreeplay(setup.freeplay);
    AddPlaceCommand(host_, "ball");
    AddPlaceCommand(host_, "car");
    host_.SetConsoleSink(setup.consoleSink);
    // Here, before any picture is painted beside the game loop: see TheHostFont.
    TheHostFont();
    plugin_ = &host_.LoadPlugin(setup.module);
    if (config_) {
        if (const std::error_code error = host_.LoadConfig(*config_)) {
            host_.Log("Config " + config_->string() + " could not be read: " + error.message());
        }
    }
}

Session::~Session() { Finish(); }

void Session::Tick() {
    host_.SetRoll(car_, roll_);
    host_.Tick();
    carAngle_ += static_cast<double>(roll_) * kRollRadiansPerSecond / GameLoop::kTicksPerSecond;
}

void Session::TypeConsoleLine(std::string_view line) {
    host_.Log("> " + std::string(line));
    host_.ExecuteConsoleLine(line);
}

std::string Session::Finish() {
    if (plugin_ == nullptr) {
        return {};
    }
    std::string problem;
    if (config_) {
        if (const std::error_code error = host_.SaveConfig(*config_)) {
            problem = "cannot save the configuration to " + config_->string() + ": " + error.message();
        }
    }
    host_.UnloadPlugin(*plugin_);
    plugin_ = nullptr;
    return problem;
}

} // namespace spinbeat_host
