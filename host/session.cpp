// The session around the host SDK: loading, the player's car, configuration, the console.
#include "session.h"

#include "game-loop.h"
#include "host-font.h"
#include "scene.h"

namespace spinbeat_host {

Session::Session(const Setup& setup) : host_(setup.data), car_(host_.AddCar()), config_(setup.config) {
    host_.SetFreeplay(setup.freeplay);
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
