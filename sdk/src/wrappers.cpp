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
                       [&] { callback->fn(oldValue, CVarWrapper(cvar, callback->owner)); });
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

using pluginsdk::detail::CVarState;

// ---------------------------------------------------------------------------
// CVarWrapper
// ---------------------------------------------------------------------------

std::string CVarWrapper::getCVarName() const { return state_ ? state_->name : std::string(); }

std::string CVarWrapper::getDescription() const { return state_ ? state_->description : std::string(); }

std::string CVarWrapper::getStringValue() const {
    if (!state_) {
        return {};
    }
    std::lock_guard lock(state_->mutex);
    return state_->value;
}

bool CVarWrapper::getBoolValue() const { return getIntValue() != 0; }

std::int32_t CVarWrapper::getIntValue() const {
    const std::string text = getStringValue();
    std::int64_t whole = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, whole);
    if (result.ec == std::errc() && result.ptr == end) {
        return pluginsdk::detail::ToInt32Saturated(static_cast<double>(whole));
    }
    return pluginsdk::detail::ToInt32Saturated(pluginsdk::detail::ParseNumberLeniently(text));
}

float CVarWrapper::getFloatValue() const {
    const double value = pluginsdk::detail::ParseNumberLeniently(getStringValue());
    constexpr double highest = std::numeric_limits<float>::max();
    if (std::abs(value) > highest && std::isfinite(value)) {
        return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

void CVarWrapper::setValue(int value) { setValue(std::to_string(value)); }

void CVarWrapper::setValue(float value) { setValue(pluginsdk::detail::FormatFloat(value)); }

void CVarWrapper::setValue(const std::string& value) {
    if (state_) {
        pluginsdk::detail::SetText(state_, value);
    }
}

void CVarWrapper::addOnValueChanged(ChangeCallback callback) {
    if (!state_ || !callback) {
        return;
    }
    state_->host->ThrowIfFailing("addOnValueChanged");
    auto entry = std::make_shared<CVarState::Callback>();
    entry->owner = owner_;
    entry->fn = std::move(callback);
    std::lock_guard lock(state_->mutex);
    state_->callbacks.push_back(std::move(entry));
}

// ---------------------------------------------------------------------------
// CVarManagerWrapper
// ---------------------------------------------------------------------------

CVarWrapper CVarManagerWrapper::registerCvar(const std::string& name, const std::string& defaultValue,
                                             const std::string& description, bool searchable, bool hasMin,
                                             float min, bool hasMax, float max, bool saveToConfig) {
    host_->ThrowIfFailing("registerCvar");
    return host_->Register(owner_, name, defaultValue, description, searchable, hasMin, min, hasMax, max,
                           saveToConfig);
}

CVarWrapper CVarManagerWrapper::getCvar(const std::string& name) { return host_->Find(name, owner_); }

void CVarManagerWrapper::log(const std::string& text) {
    host_->ThrowIfFailing("log");
    host_->Log(text);
}

// ---------------------------------------------------------------------------
// CarWrapper, CanvasWrapper
// ---------------------------------------------------------------------------

ControllerInput CarWrapper::GetInput() const { return car_ ? car_->input : ControllerInput{}; }

using pluginsdk::host::CanvasCall;

Vector2 CanvasWrapper::GetSize() const { return canvas_->size; }

void CanvasWrapper::SetPosition(Vector2 position) {
    canvas_->calls.push_back({CanvasCall::Op::SetPosition, position, {}});
}

void CanvasWrapper::SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    canvas_->calls.push_back({CanvasCall::Op::SetColor, {}, {r, g, b, a}});
}

void CanvasWrapper::FillBox(Vector2 size) { canvas_->calls.push_back({CanvasCall::Op::FillBox, size, {}}); }

void CanvasWrapper::DrawBox(Vector2 size) { canvas_->calls.push_back({CanvasCall::Op::DrawBox, size, {}}); }

// ---------------------------------------------------------------------------
// GameWrapper
// ---------------------------------------------------------------------------

void GameWrapper::HookCarEvent(const std::string& eventName, EventCallback<CarWrapper> callback) {
    host_->ThrowIfFailing("HookEventWithCaller");
    auto entry = std::make_shared<pluginsdk::detail::HookEntry>();
    entry->owner = owner_;
    entry->eventName = eventName;
    entry->fn = std::move(callback);
    std::lock_guard lock(host_->mutex);
    host_->hooks.push_back(std::move(entry));
}

void GameWrapper::UnhookEvent(const std::string& eventName) {
    host_->ThrowIfFailing("UnhookEvent");
    std::lock_guard lock(host_->mutex);
    std::erase_if(host_->hooks, [&](const auto& hook) {
        const bool mine = hook->owner == owner_ && hook->eventName == eventName;
        if (mine) {
            hook->alive = false;
        }
        return mine;
    });
}

void GameWrapper::RegisterDrawable(DrawableCallback callback) {
    host_->ThrowIfFailing("RegisterDrawable");
    auto entry = std::make_shared<pluginsdk::detail::DrawableEntry>();
    entry->owner = owner_;
    entry->fn = std::move(callback);
    std::lock_guard lock(host_->mutex);
    host_->drawables.push_back(std::move(entry));
}

void GameWrapper::UnregisterDrawables() {
    host_->ThrowIfFailing("UnregisterDrawables");
    host_->RemoveDrawables(owner_);
}

bool GameWrapper::IsInFreeplay() const {
    host_->freeplayQueries.fetch_add(1, std::memory_order_relaxed);
    return host_->freeplay.load(std::memory_order_relaxed);
}

std::filesystem::path GameWrapper::GetDataFolder() const {
    std::lock_guard lock(host_->mutex);
    return host_->dataFolder;
}

void GameWrapper::Execute(Task task) {
    if (!task) {
        return;
    }
    std::lock_guard lock(host_->mutex);
    host_->tasks.push_back({owner_, this, std::move(task)});
}
