// The host's font, on an atlas of its own so that pictures need no Dear ImGui frame.
#include "host-font.h"

namespace spinbeat_host {

const HostFont& TheHostFont() {
    // Leaked on purpose: freeing it at exit would count the frees in whatever context is current then.
    static const HostFont font = [] {
        auto* atlas = new ImFontAtlas();
        const ImFont* made = atlas->AddFontDefault();
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        atlas->GetTexDataAsAlpha8(&pixels, &width, &height);
        return HostFont{made, pixels, width, height};
    }();
    return font;
}

} // namespace spinbeat_host
