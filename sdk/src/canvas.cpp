// The screen: the canvas drawables paint on each frame, what is recorded of it, and the toasts and
// chat lines over the game.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "host-state.h"

using pluginsdk::host::CanvasCall;

namespace pluginsdk::detail {

namespace {

// True while this thread runs drawables.
thread_local bool insideFrame = false;

struct FrameScope {
    FrameScope() { insideFrame = true; }
    ~FrameScope() { insideFrame = false; }
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;
};

// The whole part, as a plain cast takes it, but defined for every float.
int WholePixels(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0F) {
        return std::numeric_limits<int>::max();
    }
    if (value < -2147483648.0F) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

// A call recorded where it stays, copied from one kept cleared: it is a hundred bytes, and clearing
// one (compilers clear a block that size with `rep stos`, slow to start on AMD's cores) or copying a
// cleared temporary in costs more than everything else a drawable's call does.
const CanvasCall kBlankCall{};

CanvasCall& RecordCall(CanvasState& canvas, CanvasCall::Op op) {
    CanvasCall& call = canvas.calls.emplace_back(kBlankCall);
    call.op = op;
    return call;
}

// The same for a member that takes fractions of a pixel.
CanvasCall& RecordPrecise(CanvasState& canvas, CanvasCall::Op op, Vector2F value) {
    CanvasCall& call = RecordCall(canvas, op);
    call.vec = {WholePixels(value.X), WholePixels(value.Y)};
    call.precise = true;
    call.at = value;
    return call;
}

Vector2F Fractional(Vector2 value) { return {static_cast<float>(value.X), static_cast<float>(value.Y)}; }

// The host's channels run 0 to 255; beyond that the nearest end, and no number at all is 0.
std::uint8_t Channel(float value) {
    if (!(value > 0.0F)) {
        return 0;
    }
    return value >= 255.0F ? 255 : static_cast<std::uint8_t>(std::lround(value));
}

// The host's font, Dear ImGui's own, is 13 pixels high and 7 across at scale 1.
constexpr float kGlyphWidth = 7.0F;
constexpr float kGlyphHeight = 13.0F;

} // namespace

void HostState::RemoveDrawables(std::uint64_t owner) {
    {
        std::lock_guard lock(mutex);
        std::erase_if(drawables, [&](const auto& drawable) {
            const bool mine = drawable->owner == owner;
            if (mine) {
                drawable->alive = false;
            }
            return mine;
        });
    }
    // A frame on another thread may be inside one of them right now: wait for it to end, so the
    // caller may destroy what its drawables use. A drawable removing drawables is already inside.
    if (!insideFrame) {
        std::lock_guard frame(frameMutex);
    }
}

void HostState::Notify(std::deque<Notice>& where, std::string title, std::string text, double seconds) {
    Log(title + ": " + text);
    std::lock_guard lock(mutex);
    if (where.size() == kMaxNotices) {
        where.pop_front();
    }
    where.push_back({std::move(title), std::move(text), GameSeconds() + std::max(seconds, 0.0)});
}

} // namespace pluginsdk::detail

using pluginsdk::detail::Channel;
using pluginsdk::detail::Fractional;
using pluginsdk::detail::RecordPrecise;

// ---------------------------------------------------------------------------
// CanvasWrapper
// ---------------------------------------------------------------------------

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

Vector2 CanvasWrapper::GetPosition() {
    return {pluginsdk::detail::WholePixels(canvas_->pen.X), pluginsdk::detail::WholePixels(canvas_->pen.Y)};
}

Vector2F CanvasWrapper::GetPositionFloat() { return canvas_->pen; }

void CanvasWrapper::SetPosition(Vector2 pos) {
    canvas_->pen = Fractional(pos);
    pluginsdk::detail::RecordCall(*canvas_, CanvasCall::Op::SetPosition).vec = pos;
}

void CanvasWrapper::SetPosition(Vector2F pos) {
    canvas_->pen = pos;
    RecordPrecise(*canvas_, CanvasCall::Op::SetPosition, pos);
}

void CanvasWrapper::SetColor(char red, char green, char blue, char alpha) {
    const auto channel = [](char value) { return static_cast<std::uint8_t>(value); };
    pluginsdk::detail::RecordCall(*canvas_, CanvasCall::Op::SetColor).color = {channel(red), channel(green),
                                                                               channel(blue), channel(alpha)};
}

void CanvasWrapper::SetColor(LinearColor color) {
    canvas_->calls.push_back({CanvasCall::Op::SetColor,
                              {},
                              {Channel(color.R), Channel(color.G), Channel(color.B), Channel(color.A)}});
}

void CanvasWrapper::FillBox(Vector2 box) {
    pluginsdk::detail::RecordCall(*canvas_, CanvasCall::Op::FillBox).vec = box;
}

void CanvasWrapper::FillBox(Vector2F box) { RecordPrecise(*canvas_, CanvasCall::Op::FillBox, box); }

void CanvasWrapper::DrawBox(Vector2 box) {
    pluginsdk::detail::RecordCall(*canvas_, CanvasCall::Op::DrawBox).vec = box;
}

void CanvasWrapper::DrawBox(Vector2F box) { RecordPrecise(*canvas_, CanvasCall::Op::DrawBox, box); }

void CanvasWrapper::DrawRect(Vector2 start, Vector2 end) {
    CanvasCall call{CanvasCall::Op::DrawRect, start, {}};
    call.to = Fractional(end);
    canvas_->calls.push_back(std::move(call));
}

void CanvasWrapper::DrawRect(Vector2F start, Vector2F end) {
    RecordPrecise(*canvas_, CanvasCall::Op::DrawRect, start).to = end;
}

namespace {

// One image call at the pen; nothing for an image with no pixels for the canvas.
void DrawImage(pluginsdk::detail::CanvasState& canvas, const ImageWrapper* image, Vector2F size,
               Vector2F uvMin, Vector2F uvMax, pluginsdk::host::Color tint) {
    auto texture = pluginsdk::detail::Handles::CanvasTexture(image);
    if (!texture) {
        return;
    }
    CanvasCall& call = pluginsdk::detail::RecordPrecise(canvas, CanvasCall::Op::DrawImage, canvas.pen);
    call.to = size;
    call.image = std::move(texture);
    call.uvMin = uvMin;
    call.uvMax = uvMax;
    call.color = tint;
}

constexpr pluginsdk::host::Color kUntinted{255, 255, 255, 255};

} // namespace

void CanvasWrapper::DrawRect(float width, float height, ImageWrapper* image) {
    DrawImage(*canvas_, image, {width, height}, {0.0F, 0.0F}, {1.0F, 1.0F}, kUntinted);
}

void CanvasWrapper::DrawTexture(ImageWrapper* image, float scale) {
    if (image == nullptr) {
        return;
    }
    const Vector2F size = image->GetSizeF();
    DrawImage(*canvas_, image, {size.X * scale, size.Y * scale}, {0.0F, 0.0F}, {1.0F, 1.0F}, kUntinted);
}

void CanvasWrapper::DrawTile(ImageWrapper* image, float xl, float yl, float u, float v, float ul, float vl,
                             LinearColor color, unsigned int /*clipTile*/, unsigned char /*blend*/) {
    if (image == nullptr) {
        return;
    }
    const Vector2F size = image->GetSizeF();
    if (size.X <= 0.0F || size.Y <= 0.0F) {
        return;
    }
    DrawImage(*canvas_, image, {xl, yl}, {u / size.X, v / size.Y}, {(u + ul) / size.X, (v + vl) / size.Y},
              {Channel(color.R * 255.0F), Channel(color.G * 255.0F), Channel(color.B * 255.0F),
               Channel(color.A * 255.0F)});
}

void CanvasWrapper::DrawLine(Vector2 start, Vector2 end) { DrawLine(start, end, 1.0F); }

void CanvasWrapper::DrawLine(Vector2 start, Vector2 end, float width) {
    CanvasCall call{CanvasCall::Op::DrawLine, start, {}};
    call.to = Fractional(end);
    call.width = width;
    canvas_->calls.push_back(std::move(call));
}

void CanvasWrapper::DrawLine(Vector2F start, Vector2F end) { DrawLine(start, end, 1.0F); }

void CanvasWrapper::DrawLine(Vector2F start, Vector2F end, float width) {
    CanvasCall& call = RecordPrecise(*canvas_, CanvasCall::Op::DrawLine, start);
    call.to = end;
    call.width = width;
}

// NOLINTBEGIN(performance-unnecessary-value-param): the host's interface takes the text by value.
void CanvasWrapper::DrawString(std::string text) { DrawString(std::move(text), 1.0F, 1.0F, false, false); }

void CanvasWrapper::DrawString(std::string text, float xScale, float yScale) {
    DrawString(std::move(text), xScale, yScale, false, false);
}

void CanvasWrapper::DrawString(std::string text, float xScale, float yScale, bool dropShadow, bool wrapText) {
    CanvasCall call{CanvasCall::Op::DrawString, GetPosition(), {}};
    call.precise = true;
    call.at = canvas_->pen;
    call.text = std::make_shared<const std::string>(std::move(text));
    call.scale = {xScale, yScale};
    call.dropShadow = dropShadow;
    call.wrapText = wrapText;
    canvas_->calls.push_back(std::move(call));
}

Vector2F CanvasWrapper::GetStringSize(std::string text, float xScale, float yScale) {
    std::size_t longest = 0;
    std::size_t lines = 1;
    std::size_t line = 0;
    for (const char c : text) {
        if (c == '\n') {
            ++lines;
            line = 0;
            continue;
        }
        longest = std::max(longest, ++line);
    }
    return {static_cast<float>(longest) * pluginsdk::detail::kGlyphWidth * xScale,
            static_cast<float>(lines) * pluginsdk::detail::kGlyphHeight * yScale};
}
// NOLINTEND(performance-unnecessary-value-param)

// ---------------------------------------------------------------------------
// The screen, through a plugin's game
// ---------------------------------------------------------------------------

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

Vector2 GameWrapper::GetScreenSize() {
    std::lock_guard lock(link_->host->mutex);
    return link_->host->screenSize;
}

// The stand-in's screen is at 100%.
float GameWrapper::GetDisplayScale() { return 1.0F; }

float GameWrapper::GetUIScale() { return 1.0F; }

// NOLINTBEGIN(performance-unnecessary-value-param): the host's interface takes its text by value.
void GameWrapper::Toast(std::string title, std::string text, std::string /*texture*/, float timeout,
                        std::uint8_t /*toastType*/, float /*width*/, float /*height*/) {
    pluginsdk::detail::HostState& host = *link_->host;
    host.Notify(host.toasts, "[toast] " + title, std::move(text), static_cast<double>(timeout));
}

void GameWrapper::LogToChatbox(std::string text, std::string sender) {
    // A chat line stays as long as the game's chat shows one.
    constexpr double kChatSeconds = 10.0;
    pluginsdk::detail::HostState& host = *link_->host;
    host.Notify(host.chat, "[chat] " + sender, std::move(text), kChatSeconds);
}
// NOLINTEND(performance-unnecessary-value-param)

// ---------------------------------------------------------------------------
// What the host draws
// ---------------------------------------------------------------------------

namespace pluginsdk::host {

const std::vector<CanvasCall>& Host::Frame(Vector2 size) {
    thread_local detail::CanvasState canvas;
    thread_local std::vector<std::shared_ptr<detail::DrawableEntry>> drawables;
    canvas.size = size;
    canvas.pen = {};
    canvas.host = state_.get();
    canvas.calls.clear();
    std::lock_guard frame(state_->frameMutex);
    const detail::FrameScope scope;
    {
        std::lock_guard lock(state_->mutex);
        state_->screenSize = size;
        drawables.assign(state_->drawables.begin(), state_->drawables.end());
    }
    // A failed plugin is released on the game thread, which this may not be.
    for (const auto& drawable : drawables) {
        if (drawable->alive) {
            detail::CallPlugin(*state_, drawable->owner, {"its drawable"},
                               [&] { drawable->fn(detail::Handles::Canvas(canvas)); });
        }
    }
    drawables.clear();
    return canvas.calls;
}

namespace {

std::vector<Notice> Showing(const std::deque<detail::HostState::Notice>& notices, double now) {
    std::vector<Notice> showing;
    for (const auto& notice : notices) {
        if (notice.until > now) {
            showing.push_back({notice.title, notice.text, notice.until - now});
        }
    }
    return showing;
}

std::string Pair(Vector2F value) {
    return detail::FormatFloat(value.X) + ", " + detail::FormatFloat(value.Y);
}

} // namespace

std::vector<Notice> Host::Toasts() const {
    std::lock_guard lock(state_->mutex);
    return Showing(state_->toasts, state_->GameSeconds());
}

std::vector<Notice> Host::ChatLines() const {
    std::lock_guard lock(state_->mutex);
    return Showing(state_->chat, state_->GameSeconds());
}

std::string ToString(const CanvasCall& call) {
    const std::string point =
        call.precise ? Pair(call.at) : std::to_string(call.vec.X) + ", " + std::to_string(call.vec.Y);
    switch (call.op) {
    case CanvasCall::Op::SetPosition:
        return "SetPosition(" + point + ")";
    case CanvasCall::Op::FillBox:
        return "FillBox(" + point + ")";
    case CanvasCall::Op::DrawBox:
        return "DrawBox(" + point + ")";
    case CanvasCall::Op::SetColor:
        return "SetColor(" + std::to_string(call.color.r) + ", " + std::to_string(call.color.g) + ", " +
               std::to_string(call.color.b) + ", " + std::to_string(call.color.a) + ")";
    case CanvasCall::Op::DrawString:
        return "DrawString(\"" + std::string(call.Text()) + "\", " + Pair(call.scale) +
               (call.dropShadow ? ", shadow" : "") + (call.wrapText ? ", wrapped" : "") + ")";
    case CanvasCall::Op::DrawLine:
        return "DrawLine(" + point + ", " + Pair(call.to) + ", " + detail::FormatFloat(call.width) + ")";
    case CanvasCall::Op::DrawRect:
        return "DrawRect(" + point + ", " + Pair(call.to) + ")";
    case CanvasCall::Op::DrawImage:
        return "DrawImage(" + (call.image ? call.image->name : std::string()) + ", " + point + ", " +
               Pair(call.to) + ", uv " + Pair(call.uvMin) + ", " + Pair(call.uvMax) + ")";
    }
    return "?";
}

} // namespace pluginsdk::host
