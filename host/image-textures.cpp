// Plugins' images as OpenGL textures, through the loader the window's renderer uses.
#include "image-textures.h"

#include <GL/gl3w.h>

#include <cstdint>
#include <iterator>

namespace spinbeat_host {

ImageTextures::~ImageTextures() {
    for (const auto& [id, made] : made_) {
        glDeleteTextures(1, &made.name);
    }
}

void ImageTextures::Translate(ImDrawData& data, ImTextureID font) {
    // The textures of images gone since the last frame go first: their identifiers may come again.
    for (auto it = made_.begin(); it != made_.end();) {
        if (it->second.image.expired()) {
            glDeleteTextures(1, &it->second.name);
            it = made_.erase(it);
        } else {
            ++it;
        }
    }
    for (int list = 0; list < data.CmdListsCount; ++list) {
        for (ImDrawCmd& command : data.CmdLists[list]->CmdBuffer) {
            if (command.TextureId == font || command.UserCallback != nullptr) {
                continue;
            }
            const auto image = pluginsdk::host::FindImageTexture(command.TextureId);
            if (!image) {
                command.ElemCount = 0;
                continue;
            }
            auto found = made_.find(command.TextureId);
            if (found == made_.end()) {
                GLuint name = 0;
                glGenTextures(1, &name);
                glBindTexture(GL_TEXTURE_2D, name);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
                glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->width, image->height, 0, GL_RGBA,
                             GL_UNSIGNED_BYTE, image->rgba.data());
                found = made_.emplace(command.TextureId, Made{image, name}).first;
            }
            const auto name = static_cast<std::uintptr_t>(found->second.name);
            // NOLINTNEXTLINE(performance-no-int-to-ptr): the OpenGL renderer takes a texture's name so.
            command.TextureId = reinterpret_cast<ImTextureID>(name);
        }
    }
}

} // namespace spinbeat_host
