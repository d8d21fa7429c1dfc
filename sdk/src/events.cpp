// Events and the game thread: hooks on the game's functions, the input update that fires them,
// and the tasks plugins queue for later.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <utility>

#include "host-state.h"

namespace pluginsdk::detail {

void HostState::AddHook(std::uint64_t owner, std::string eventName, bool post, HookCallback fn) {
    auto entry = std::make_shared<HookEntry>();
    entry->owner = owner;
    entry->eventName = std::move(eventName);
    entry->post = post;
    entry->fn = std::move(fn);
    std::lock_guard lock(mutex);
    hooks.push_back(std::move(entry));
}

void HostState::RemoveHooks(std::uint64_t owner, std::string_view eventName, bool post) {
    std::lock_guard lock(mutex);
    std::erase_if(hooks, [&](const auto& hook) {
        const bool mine = hook->owner == owner && hook->post == post && hook->eventName == eventName;
        if (mine) {
            hook->alive = false;
        }
        return mine;
    });
}

namespace {

// The classes of the objects that run the game's functions, as bits of HookCallback::callers.
constexpr std::uint8_t kCarCaller = 1U << 0U;
constexpr std::uint8_t kBallCaller = 1U << 1U;
constexpr std::uint8_t kServerCaller = 1U << 2U;
constexpr std::uint8_t kPriCaller = 1U << 3U;
constexpr std::uint8_t kControllerCaller = 1U << 4U;
constexpr std::uint8_t kCarComponentCaller = 1U << 5U;
// A function of a class the host has no object for: its caller, if any, goes to every hook as is.
constexpr std::uint8_t kAnyCaller = 0xFF;

// The game names a function by its class: "Function TAGame.Car_TA.SetVehicleInput".
std::uint8_t CallerKindOf(std::string_view eventName) {
    const auto has = [&](std::string_view part) { return eventName.find(part) != std::string_view::npos; };
    if (has("CarComponent_")) {
        return kCarComponentCaller;
    }
    if (has("Car_TA")) {
        return kCarCaller;
    }
    if (has("Ball_TA")) {
        return kBallCaller;
    }
    if (has("GameEvent_")) {
        return kServerCaller;
    }
    if (has("PRI_TA")) {
        return kPriCaller;
    }
    if (has("PlayerController_TA")) {
        return kControllerCaller;
    }
    return kAnyCaller;
}

// The kinds of caller a T can be made from: those whose class is T or derives from it.
template <typename T>
constexpr std::uint8_t CallersOf() {
    const auto bit = [](bool can, std::uint8_t kind) { return can ? kind : std::uint8_t{0}; };
    return static_cast<std::uint8_t>(bit(std::is_base_of_v<T, CarWrapper>, kCarCaller) |
                                     bit(std::is_base_of_v<T, BallWrapper>, kBallCaller) |
                                     bit(std::is_base_of_v<T, ServerWrapper>, kServerCaller) |
                                     bit(std::is_base_of_v<T, PriWrapper>, kPriCaller) |
                                     bit(std::is_base_of_v<T, PlayerControllerWrapper>, kControllerCaller) |
                                     bit(std::is_base_of_v<T, CarComponentWrapper>, kCarComponentCaller));
}

// A hook's caller is made from the address of the object that runs the function, as a T: the
// host's cars for the car-input function. The event's name is the plugin's own copy.
template <typename T>
HookCallback WithCaller(std::function<void(T caller, void* params, std::string eventName)> callback) {
    using Callback = std::function<void(T caller, void* params, std::string eventName)>;
    return {std::make_shared<const Callback>(std::move(callback)),
            [](const void* stored, std::uintptr_t caller, void* params, const std::string& name) {
                (*static_cast<const Callback*>(stored))(T(caller), params, name);
            },
            CallersOf<T>()};
}

HookCallback WithoutCaller(std::function<void(std::string eventName)> callback) {
    using Callback = std::function<void(std::string eventName)>;
    return {std::make_shared<const Callback>(std::move(callback)),
            [](const void* stored, std::uintptr_t /*caller*/, void* /*params*/, const std::string& name) {
                (*static_cast<const Callback*>(stored))(name);
            }};
}

} // namespace

} // namespace pluginsdk::detail

// ---------------------------------------------------------------------------
// What a plugin calls
// ---------------------------------------------------------------------------

using pluginsdk::detail::WithCaller;
using pluginsdk::detail::WithoutCaller;

void GameWrapper::HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) {
    link_->host->ThrowIfFailing("HookEvent");
    link_->host->AddHook(link_->owner, std::move(eventName), false, WithoutCaller(std::move(callback)));
}

void GameWrapper::HookEventPost(std::string eventName, std::function<void(std::string eventName)> callback) {
    link_->host->ThrowIfFailing("HookEventPost");
    link_->host->AddHook(link_->owner, std::move(eventName), true, WithoutCaller(std::move(callback)));
}

// NOLINTBEGIN(performance-unnecessary-value-param): the host's interface takes the name by value.
template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type*>
void GameWrapper::HookEventWithCaller(
    std::string eventName, std::function<void(T caller, void* params, std::string eventName)> callback) {
    link_->host->ThrowIfFailing("HookEventWithCaller");
    link_->host->AddHook(link_->owner, std::move(eventName), false, WithCaller<T>(std::move(callback)));
}

template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type*>
void GameWrapper::HookEventWithCallerPost(
    std::string eventName, std::function<void(T caller, void* params, std::string eventName)> callback) {
    link_->host->ThrowIfFailing("HookEventWithCallerPost");
    link_->host->AddHook(link_->owner, std::move(eventName), true, WithCaller<T>(std::move(callback)));
}
// NOLINTEND(performance-unnecessary-value-param)

PLUGINSDK_HOOK_CALLERS(PLUGINSDK_HOOK_WITH_CALLER, template)

// NOLINTBEGIN(performance-unnecessary-value-param): the host's interface takes the name by value.
void GameWrapper::UnhookEvent(std::string eventName) {
    link_->host->ThrowIfFailing("UnhookEvent");
    link_->host->RemoveHooks(link_->owner, eventName, false);
}

void GameWrapper::UnhookEventPost(std::string eventName) {
    link_->host->ThrowIfFailing("UnhookEventPost");
    link_->host->RemoveHooks(link_->owner, eventName, true);
}
// NOLINTEND(performance-unnecessary-value-param)

void GameWrapper::Execute(std::function<void(GameWrapper* game)> task) {
    if (!task) {
        return;
    }
    std::lock_guard lock(link_->host->mutex);
    link_->host->tasks.push_back({link_->owner, this, std::move(task)});
}

void GameWrapper::SetTimeout(std::function<void(GameWrapper* game)> task, float seconds) {
    if (!task) {
        return;
    }
    pluginsdk::detail::HostState& host = *link_->host;
    std::lock_guard lock(host.mutex);
    // To the nearest update, the game clock's only measure; no number, or a negative one, is no wait,
    // and nothing waits past the game clock's end.
    const double updates =
        seconds > 0.0F ? std::round(static_cast<double>(seconds) / pluginsdk::detail::HostState::kTickSeconds)
                       : 0.0;
    const auto wait = static_cast<std::uint64_t>(std::min(updates, 1e18));
    host.tasks.push_back({link_->owner, this, std::move(task), host.gameTicks + wait});
}

// ---------------------------------------------------------------------------
// What the game does
// ---------------------------------------------------------------------------

namespace pluginsdk::host {

void Host::Tick() {
    // Made once: a tick must not allocate.
    static const std::string event = kSetVehicleInputEvent;
    {
        std::lock_guard lock(state_->mutex);
        ++state_->gameTicks;
    }
    FireForEveryCar(event);
    RunTasks();
}

double Host::GameSeconds() const {
    std::lock_guard lock(state_->mutex);
    return state_->GameSeconds();
}

void Host::FireEvent(const std::string& eventName) {
    // A hook that fires an event through a console command fires it in the middle of this one.
    constexpr int kMaxEventDepth = 8;
    if (state_->eventDepth >= kMaxEventDepth) {
        state_->Log("Event " + eventName + " not fired: events fired from hooks nest " +
                    std::to_string(kMaxEventDepth) + " deep already");
        return;
    }
    if (eventName != kSetVehicleInputEvent || state_->eventDepth > 0) {
        FireOnce(eventName);
    } else {
        FireForEveryCar(eventName);
    }
}

void Host::FireForEveryCar(const std::string& eventName) {
    // The scratch list keeps its capacity, so a tick allocates nothing once the game is running.
    auto& hooks = state_->tickScratch;
    hooks.clear();
    ++state_->eventDepth;
    {
        // The hooks before the game's function, then those after it, for each car that runs it.
        std::lock_guard lock(state_->mutex);
        for (const bool post : {false, true}) {
            for (const auto& hook : state_->hooks) {
                if (hook->post == post && hook->eventName == eventName) {
                    hooks.push_back(hook);
                }
            }
        }
    }
    for (const auto& car : state_->cars) {
        const auto caller = reinterpret_cast<std::uintptr_t>(car.get());
        for (const auto& hook : hooks) {
            if (hook->alive) {
                detail::CallPlugin(*state_, hook->owner, {"its hook for ", eventName},
                                   [&] { hook->fn(caller, &car->input, eventName); });
            }
        }
    }
    hooks.clear();
    --state_->eventDepth;
    ReleaseFailedPlugins();
}

void Host::FireOnce(const std::string& eventName) {
    // Large enough for any function's parameters, zeroed for each event: a hook may write into it.
    constexpr std::size_t kParamsBytes = 4096;
    const auto params = std::make_unique<std::byte[]>(kParamsBytes);
    const std::uintptr_t caller = state_->CallerFor(eventName);
    const std::uint8_t kind = detail::CallerKindOf(eventName);
    std::vector<std::shared_ptr<detail::HookEntry>> hooks;
    {
        std::lock_guard lock(state_->mutex);
        for (const bool post : {false, true}) {
            for (const auto& hook : state_->hooks) {
                if (hook->post == post && hook->eventName == eventName) {
                    hooks.push_back(hook);
                }
            }
        }
    }
    ++state_->eventDepth;
    for (const auto& hook : hooks) {
        if (hook->alive) {
            const std::uintptr_t given = (hook->fn.callers & kind) != 0 ? caller : 0;
            detail::CallPlugin(*state_, hook->owner, {"its hook for ", eventName},
                               [&] { hook->fn(given, params.get(), eventName); });
        }
    }
    --state_->eventDepth;
    ReleaseFailedPlugins();
}

std::size_t Host::RunTasks() {
    // Nothing is moved while nothing is due, so an idle tick allocates nothing.
    std::vector<detail::QueuedTask> due;
    {
        std::lock_guard lock(state_->mutex);
        const std::uint64_t now = state_->gameTicks;
        auto& tasks = state_->tasks;
        const auto isDue = [now](const detail::QueuedTask& task) { return task.due <= now; };
        if (std::any_of(tasks.begin(), tasks.end(), isDue)) {
            const auto waiting = std::stable_partition(tasks.begin(), tasks.end(), isDue);
            due.assign(std::make_move_iterator(tasks.begin()), std::make_move_iterator(waiting));
            tasks.erase(tasks.begin(), waiting);
        }
    }
    for (auto& task : due) {
        if (!state_->HasFailed(task.owner)) {
            detail::CallPlugin(*state_, task.owner, {"a task it queued"}, [&] { task.fn(task.game); });
        }
    }
    const std::size_t ran = due.size();
    due.clear();
    ReleaseFailedPlugins();
    return ran;
}

std::size_t Host::PendingTasks() const {
    std::lock_guard lock(state_->mutex);
    return state_->tasks.size();
}

} // namespace pluginsdk::host
