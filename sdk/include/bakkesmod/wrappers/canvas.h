// The frame a drawable paints on: a pen position and colour, then shapes at the pen.
#pragma once

#include <cstdint>
#include <string>

#include "bakkesmod/wrappers/values.h"
#include "pluginsdk/api.h"

namespace pluginsdk::detail {
struct CanvasState;
struct Handles;
} // namespace pluginsdk::detail

class ImageWrapper;

class CanvasWrapper {
public:
    // `mem` is the host's canvas.
    PLUGINSDK_API explicit CanvasWrapper(std::uintptr_t mem);
    PLUGINSDK_API CanvasWrapper(const CanvasWrapper& other);
    PLUGINSDK_API CanvasWrapper& operator=(CanvasWrapper other);
    // NOLINTNEXTLINE(performance-trivially-destructible): the host's library releases its handles.
    PLUGINSDK_API ~CanvasWrapper();

    // The frame's size in pixels.
    PLUGINSDK_API Vector2 GetSize();
    // Where the game's camera shows a place of the world on this frame; far off the frame for a place
    // behind the camera.
    PLUGINSDK_API Vector2 Project(Vector location);
    PLUGINSDK_API Vector2F ProjectF(Vector location);

    // The pen.
    PLUGINSDK_API Vector2 GetPosition();
    PLUGINSDK_API Vector2F GetPositionFloat();
    PLUGINSDK_API void SetPosition(Vector2 pos);
    PLUGINSDK_API void SetPosition(Vector2F pos);
    // Channels 0 to 255, as the bytes of a char.
    PLUGINSDK_API void SetColor(char red, char green, char blue, char alpha);
    // Channels 0 to 255; beyond that range, the nearest end.
    PLUGINSDK_API void SetColor(LinearColor color);

    // A filled box, and a one-pixel outline, with its top left corner at the pen.
    PLUGINSDK_API void FillBox(Vector2 box);
    PLUGINSDK_API void FillBox(Vector2F box);
    PLUGINSDK_API void DrawBox(Vector2 box);
    PLUGINSDK_API void DrawBox(Vector2F box);
    // A filled rectangle between two corners.
    PLUGINSDK_API void DrawRect(Vector2 start, Vector2 end);
    PLUGINSDK_API void DrawRect(Vector2F start, Vector2F end);
    // An image loaded for the canvas, with its top left at the pen: stretched to width by height, or
    // at its own size times `scale`. A null image, or one not loaded for the canvas, draws nothing.
    PLUGINSDK_API void DrawRect(float width, float height, ImageWrapper* image);
    PLUGINSDK_API void DrawTexture(ImageWrapper* image, float scale);
    // The part of the image from texel (u, v), `ul` by `vl` texels, stretched to `xl` by `yl` at the
    // pen and tinted by `color` (channels 0 to 1, as a tile's are).
    PLUGINSDK_API void DrawTile(ImageWrapper* image, float xl, float yl, float u, float v, float ul, float vl,
                                LinearColor color, unsigned int clipTile, unsigned char blend);
    // A line between two points, one pixel wide unless told.
    PLUGINSDK_API void DrawLine(Vector2 start, Vector2 end);
    PLUGINSDK_API void DrawLine(Vector2 start, Vector2 end, float width);
    PLUGINSDK_API void DrawLine(Vector2F start, Vector2F end);
    PLUGINSDK_API void DrawLine(Vector2F start, Vector2F end, float width);

    // Text with its top left at the pen, in the pen's colour, in the host's font (13 pixels high,
    // 7 across, at scale 1); scaled, with a shadow, wrapped at the frame's right edge.
    PLUGINSDK_API void DrawString(std::string text);
    PLUGINSDK_API void DrawString(std::string text, float xScale, float yScale);
    PLUGINSDK_API void DrawString(std::string text, float xScale, float yScale, bool dropShadow,
                                  bool wrapText = false);
    // The size DrawString gives the text, its longest line across.
    PLUGINSDK_API Vector2F GetStringSize(std::string text, float xScale = 1, float yScale = 1);

private:
    friend struct pluginsdk::detail::Handles;

    // Not owned: the canvas lives for the frame.
    pluginsdk::detail::CanvasState* canvas_;
};

static_assert(sizeof(CanvasWrapper) == 8 && !std::is_trivially_copyable_v<CanvasWrapper>);
