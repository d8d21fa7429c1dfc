// The in-process host's shared state, behind the wrappers and the host API.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pluginsdk/host/host.h"
#include "pluginsdk/wrappers.h"

namespace pluginsdk::detail {

struct CVarState {
    struct Callback {
        std::uint64_t owner;
        CVarWrapper::ChangeCallback fn;
    };

    std::string name;
    std::string defaultValue;
    std::string description;
    bool searchable = true;
    bool hasMin = false;
    float min = 0.0F;
    bool hasMax = false;
    float max = 0.0F;
    bool saveToConfig = false;

    mutable std::mutex mutex;
    std::string value;
    std::vector<std::shared_ptr<Callback>> callbacks;
    HostState* host = nullptr;
};

struct CarState {
    ControllerInput input;
};

struct CanvasState {
    Vector2 size;
    std::vector<host::CanvasCall> calls;
};

struct HookEntry {
    std::uint64_t owner;
    std::string eventName;
    GameWrapper::EventCallback<CarWrapper> fn;
    std::atomic<bool> alive{true};
};

struct DrawableEntry {
    std::uint64_t owner;
    GameWrapper::DrawableCallback fn;
    std::atomic<bool> alive{true};
};

struct QueuedTask {
    std::uint64_t owner;
    GameWrapper* game;
    GameWrapper::Task fn;
};

struct HostState {
    // Guards everything below that is not atomic, except the cars and the scratch lists, which
    // belong to the game thread.
    mutable std::mutex mutex;
    std::atomic<bool> freeplay{false};
    // How often plugins asked, so a host can see what a callback costs it.
    std::atomic<std::uint64_t> freeplayQueries{0};
    std::filesystem::path dataFolder;
    std::vector<std::string> console;
    std::map<std::string, std::shared_ptr<CVarState>, std::less<>> cvars;
    std::vector<std::shared_ptr<HookEntry>> hooks;
    std::vector<std::shared_ptr<DrawableEntry>> drawables;
    std::vector<QueuedTask> tasks;
    // Configuration lines for variables nobody has registered, written back by SaveConfig.
    std::map<std::string, std::string, std::less<>> keptConfig;
    std::uint64_t nextOwner = 1;

    // Held while drawables run, so that removing a drawable waits for a frame in progress.
    std::mutex frameMutex;

    std::vector<std::unique_ptr<CarState>> cars;
    std::vector<std::shared_ptr<HookEntry>> tickScratch;

    void Log(std::string line);
    CVarWrapper Register(std::uint64_t owner, const std::string& name, const std::string& defaultValue,
                         const std::string& description, bool searchable, bool hasMin, float min, bool hasMax,
                         float max, bool saveToConfig);
    CVarWrapper Find(std::string_view name, std::uint64_t owner);
    void RemoveDrawables(std::uint64_t owner);
    // Drops everything a plugin left with the host, while its module is still mapped.
    void ForgetOwner(std::uint64_t owner);
};

// Shared by the wrappers and the console: numbers read from text, as leniently as a console should.
double ParseNumberLeniently(std::string_view text);
std::int32_t ToInt32Saturated(double value);

} // namespace pluginsdk::detail
