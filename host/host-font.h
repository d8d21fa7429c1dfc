// The host's one font for text on the game view: Dear ImGui's own, in pictures as on screen.
#pragma once

#include <imgui.h>

namespace spinbeat_host {

// Its glyphs and their alpha texture, built once and never freed. Build it on the thread that runs
// Dear ImGui before any other thread asks for it: building counts allocations in the current context.
struct HostFont {
    const ImFont* font;
    const unsigned char* alpha;
    int width;
    int height;
};
const HostFont& TheHostFont();

} // namespace spinbeat_host
