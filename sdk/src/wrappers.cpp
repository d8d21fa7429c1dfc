// The plugin-facing wrappers over the in-process host.
#include "pluginsdk/wrappers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "host-state.h"

namespace pluginsdk::detail {

namespace {

std::string FormatFloat(float value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), result.ptr};
}

// What a value becomes once it has been clamped to the variable's bounds, as stored text.
std::string Bounded(const CVarState& cvar, std::string text) {
    if (!cvar.hasMin && !cvar.hasMax) {
        return text;
    }
    const double value = ParseNumberLeniently(text);
    // A value that is no number at all has no place between the bounds: take the nearest bound.
    if (std::isnan(value)) {
        return FormatFloat(cvar.hasMin ? cvar.min : cvar.max);
    }
    if (cvar.hasMin && value < cvar.min) {
        return FormatFloat(cvar.min);
    }
    if (cvar.hasMax && value > cvar.max) {
        return FormatFloat(cvar.max);
    }
    return text;
}

void SetText(const std::shared_ptr<CVarState>& cvar, std::string text) {
    std::string oldValue;
    std::vector<std::shared_ptr<CVarState::Callback>> callbacks;
    {
        std::lock_guard lock(cvar->mutex);
        oldValue = std::exchange(cvar->value, Bounded(*cvar, std::move(text)));
        callbacks = cvar->callbacks;
    }
    // Outside the lock: a callback may read or set the variable again.
    for (const auto& callback : callbacks) {
        if (callback->alive) {
            CallPlugin(*cvar->host, callback->owner, {"its change callback of ", cvar->name},
                       [&] { callback->fn(oldValue, Handles::CVar(cvar, callback->owner)); });
        }
    }
}

} // namespace

double ParseNumberLeniently(std::string_view text) {
    text = host::TrimSpace(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; a huge number is still on one side of zero.
        return text.starts_with('-') ? -std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::infinity();
    }
    return result.ec == std::errc() ? value : 0.0;
}

std::int32_t ToInt32Saturated(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, lowest, highest));
}

} // namespace pluginsdk::detail

using pluginsdk::detail::CVarHandle;
using pluginsdk::detail::CVarState;
using pluginsdk::detail::PluginLink;

// ---------------------------------------------------------------------------
// CVarWrapper
// ---------------------------------------------------------------------------

CVarWrapper::CVarWrapper(const CVarWrapper& other)
    : handle_(other.handle_ != nullptr ? new CVarHandle(*other.handle_) : nullptr) {}

CVarWrapper& CVarWrapper::operator=(CVarWrapper other) {
    std::swap(handle_, other.handle_);
    return *this;
}

CVarWrapper::~CVarWrapper() { delete handle_; }

std::string CVarWrapper::getCVarName() { return handle_ != nullptr ? handle_->state->name : std::string(); }

std::string CVarWrapper::getDescription() {
    return handle_ != nullptr ? handle_->state->description : std::string();
}

std::string CVarWrapper::getStringValue() {
    if (handle_ == nullptr) {
        return {};
    }
    std::lock_guard lock(handle_->state->mutex);
    return handle_->state->value;
}

bool CVarWrapper::getBoolValue() { return getIntValue() != 0; }

int CVarWrapper::getIntValue() {
    const std::string text = getStringValue();
    std::int64_t whole = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, whole);
    if (result.ec == std::errc() && result.ptr == end) {
        return pluginsdk::detail::ToInt32Saturated(static_cast<double>(whole));
    }
    return pluginsdk::detail::ToInt32Saturated(pluginsdk::detail::ParseNumberLeniently(text));
}

float CVarWrapper::getFloatValue() {
    const double value = pluginsdk::detail::ParseNumberLeniently(getStringValue());
    constexpr double highest = std::numeric_limits<float>::max();
    if (std::abs(value) > highest && std::isfinite(value)) {
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

void CVarWrapper::setValue(int value) { setValue(std::to_string(value)); }

void CVarWrapper::setValue(float value) { setValue(pluginsdk::detail::FormatFloat(value)); }

void CVarWrapper::setValue(std::string value) {
    if (handle_ != nullptr) {
        pluginsdk::detail::SetText(handle_->state, std::move(value));
    }
}

void CVarWrapper::addOnValueChanged(std::function<void(std::string oldValue, CVarWrapper cvar)> callback) {
    if (handle_ == nullptr || !callback) {
        return;
    }
    CVarState& cvar = *handle_->state;
    cvar.host->ThrowIfFailing("addOnValueChanged");
    auto entry = std::make_shared<CVarState::Callback>();
    entry->owner = handle_->owner;
    entry->fn = std::move(callback);
    std::lock_guard lock(cvar.mutex);
    cvar.callbacks.push_back(std::move(entry));
}

bool CVarWrapper::IsNull() { return handle_ == nullptr; }

CVarWrapper::operator bool() { return handle_ != nullptr; }

// ---------------------------------------------------------------------------
// CVarManagerWrapper
// ---------------------------------------------------------------------------

CVarManagerWrapper::CVarManagerWrapper(const CVarManagerWrapper& other)
    : link_(new PluginLink(*other.link_)) {}

CVarManagerWrapper& CVarManagerWrapper::operator=(CVarManagerWrapper other) {
    std::swap(link_, other.link_);
    return *this;
}

CVarManagerWrapper::~CVarManagerWrapper() { delete link_; }

CVarWrapper CVarManagerWrapper::registerCvar(std::string name, std::string defaultValue,
                                             std::string description, bool searchable, bool hasMin, float min,
                                             bool hasMax, float max, bool saveToConfig) {
    link_->host->ThrowIfFailing("registerCvar");
    return link_->host->Register(link_->owner, std::move(name), std::move(defaultValue),
                                 std::move(description), searchable, hasMin, min, hasMax, max, saveToConfig);
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the host's interface takes the name by value.
CVarWrapper CVarManagerWrapper::getCvar(std::string name) { return link_->host->Find(name, link_->owner); }

void CVarManagerWrapper::log(std::string text) {
    link_->host->ThrowIfFailing("log");
    link_->host->Log(std::move(text));
}

// ---------------------------------------------------------------------------
// The car's class chain: everything is read from the game object, whose address the chain carries
// ---------------------------------------------------------------------------

ObjectWrapper::ObjectWrapper(std::uintptr_t mem) : memory_address(mem) {}

// The host's assignments take their argument by value, and a car holds nothing worth moving.
// NOLINTBEGIN(performance-unnecessary-value-param)
ActorWrapper::ActorWrapper(std::uintptr_t mem) : ObjectWrapper(mem) {}
ActorWrapper::ActorWrapper(const ActorWrapper& other) = default;
ActorWrapper& ActorWrapper::operator=(ActorWrapper other) {
    ObjectWrapper::operator=(other);
    actorState_ = other.actorState_;
    return *this;
}
ActorWrapper::~ActorWrapper() = default;

RBActorWrapper::RBActorWrapper(std::uintptr_t mem) : ActorWrapper(mem) {}
RBActorWrapper::RBActorWrapper(const RBActorWrapper& other) = default;
RBActorWrapper& RBActorWrapper::operator=(RBActorWrapper other) {
    ActorWrapper::operator=(other);
    rbActorState_ = other.rbActorState_;
    return *this;
}
RBActorWrapper::~RBActorWrapper() = default;

VehicleWrapper::VehicleWrapper(std::uintptr_t mem) : RBActorWrapper(mem) {}
VehicleWrapper::VehicleWrapper(const VehicleWrapper& other) = default;
VehicleWrapper& VehicleWrapper::operator=(VehicleWrapper other) {
    RBActorWrapper::operator=(other);
    vehicleState_ = other.vehicleState_;
    return *this;
}
VehicleWrapper::~VehicleWrapper() = default;

CarWrapper::CarWrapper(std::uintptr_t mem) : VehicleWrapper(mem) {}
CarWrapper::CarWrapper(const CarWrapper& other) = default;
CarWrapper& CarWrapper::operator=(CarWrapper other) {
    VehicleWrapper::operator=(other);
    carState_ = other.carState_;
    return *this;
}
CarWrapper::~CarWrapper() = default;
// NOLINTEND(performance-unnecessary-value-param)

ControllerInput CarWrapper::GetInput() {
    if (memory_address == 0) {
        return {};
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the handle carries the game object as its address.
    return reinterpret_cast<const pluginsdk::detail::CarState*>(memory_address)->input;
}

// ---------------------------------------------------------------------------
// CanvasWrapper
// ---------------------------------------------------------------------------

using pluginsdk::host::CanvasCall;

CanvasWrapper::CanvasWrapper(std::uintptr_t mem)
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the host hands its canvas over as an address.
    : canvas_(reinterpret_cast<pluginsdk::detail::CanvasState*>(mem)) {}
CanvasWrapper::CanvasWrapper(const CanvasWrapper& other) = default;
// NOLINTNEXTLINE(performance-unnecessary-value-param): the host's assignment takes its argument by value.
CanvasWrapper& CanvasWrapper::operator=(CanvasWrapper other) {
    canvas_ = other.canvas_;
    return *this;
}
CanvasWrapper::~CanvasWrapper() = default;

Vector2 CanvasWrapper::GetSize() { return canvas_->size; }

void CanvasWrapper::SetPosition(Vector2 pos) {
    canvas_->calls.push_back({CanvasCall::Op::SetPosition, pos, {}});
}

void CanvasWrapper::SetColor(char red, char green, char blue, char alpha) {
    const auto channel = [](char value) { return static_cast<std::uint8_t>(value); };
    canvas_->calls.push_back(
        {CanvasCall::Op::SetColor, {}, {channel(red), channel(green), channel(blue), channel(alpha)}});
}

void CanvasWrapper::FillBox(Vector2 box) { canvas_->calls.push_back({CanvasCall::Op::FillBox, box, {}}); }

void CanvasWrapper::DrawBox(Vector2 box) { canvas_->calls.push_back({CanvasCall::Op::DrawBox, box, {}}); }

// ---------------------------------------------------------------------------
// GameWrapper
// ---------------------------------------------------------------------------

GameWrapper::GameWrapper(const GameWrapper& other) : link_(new PluginLink(*other.link_)) {}

GameWrapper& GameWrapper::operator=(GameWrapper other) {
    std::swap(link_, other.link_);
    return *this;
}

GameWrapper::~GameWrapper() { delete link_; }

template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type*>
void GameWrapper::HookEventWithCaller(
    std::string eventName, std::function<void(T caller, void* params, std::string eventName)> callback) {
    static_assert(std::is_same_v<T, CarWrapper>, "the game passes cars as callers");
    link_->host->ThrowIfFailing("HookEventWithCaller");
    auto entry = std::make_shared<pluginsdk::detail::HookEntry>();
    entry->owner = link_->owner;
    entry->eventName = std::move(eventName);
    entry->fn = std::move(callback);
    std::lock_guard lock(link_->host->mutex);
    link_->host->hooks.push_back(std::move(entry));
}

template void GameWrapper::HookEventWithCaller<CarWrapper>(
    std::string eventName,
    std::function<void(CarWrapper caller, void* params, std::string eventName)> callback);

void GameWrapper::UnhookEvent(std::string eventName) {
    pluginsdk::detail::HostState& host = *link_->host;
    host.ThrowIfFailing("UnhookEvent");
    std::lock_guard lock(host.mutex);
    std::erase_if(host.hooks, [&](const auto& hook) {
        const bool mine = hook->owner == link_->owner && hook->eventName == eventName;
        if (mine) {
            hook->alive = false;
        }
        return mine;
    });
}

void GameWrapper::RegisterDrawable(std::function<void(CanvasWrapper canvas)> callback) {
    link_->host->ThrowIfFailing("RegisterDrawable");
    auto entry = std::make_shared<pluginsdk::detail::DrawableEntry>();
    entry->owner = link_->owner;
    entry->fn = std::move(callback);
    std::lock_guard lock(link_->host->mutex);
    link_->host->drawables.push_back(std::move(entry));
}

void GameWrapper::UnregisterDrawables() {
    link_->host->ThrowIfFailing("UnregisterDrawables");
    link_->host->RemoveDrawables(link_->owner);
}

bool GameWrapper::IsInFreeplay() {
    link_->host->freeplayQueries.fetch_add(1, std::memory_order_relaxed);
    return link_->host->freeplay.load(std::memory_order_relaxed);
}

std::filesystem::path GameWrapper::GetDataFolder() {
    std::lock_guard lock(link_->host->mutex);
    return link_->host->dataFolder;
}

void GameWrapper::Execute(std::function<void(GameWrapper* game)> task) {
    if (!task) {
        return;
    }
    std::lock_guard lock(link_->host->mutex);
    link_->host->tasks.push_back({link_->owner, this, std::move(task)});
}
