// Images read from PNG and JPEG files, for the canvas and for Dear ImGui.
#include <stb_image.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "bakkesmod/wrappers/ImageWrapper.h"
#include "host-state.h"
#include "platform.h"

namespace pluginsdk::detail {

namespace {

// Beyond a 4K screen many times over: an image larger than this is damage or a mistake, and its pixels
// would take more than 256 MiB.
constexpr int kMaxImageSide = 8192;
// A compressed file larger than the largest image uncompressed is not read into memory.
constexpr std::uintmax_t kMaxImageFileBytes = std::uintmax_t{kMaxImageSide} * kMaxImageSide * 4;

// Every live image's pixels by the identifier Dear ImGui gets, so that a renderer never takes a plugin's
// stray pointer for one.
struct LiveImages {
    std::mutex mutex;
    std::map<const void*, std::weak_ptr<const host::ImageTexture>> byId;
};

LiveImages& Live() {
    static LiveImages live;
    return live;
}

void Say(const std::string& line) {
    if (HostState* host = CallingPlugin::Host()) {
        host->Log(line);
    } else {
        // A plugin's own thread: no console of a host to write to.
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// Why the bytes are no PNG or JPEG file that stb may be handed, or empty. stb sizes its buffer for a
// PNG's compressed data by what each chunk claims: a chunk claiming more than the file holds would have
// it ask for gigabytes on account of a few damaged bytes.
std::string Unfit(const std::vector<unsigned char>& bytes) {
    constexpr unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return {};
    }
    if (bytes.size() < sizeof kPng || !std::equal(std::begin(kPng), std::end(kPng), bytes.begin())) {
        return "not a PNG or JPEG file";
    }
    // Each chunk: its length, its type, its data, a checksum.
    for (std::size_t at = sizeof kPng; at < bytes.size();) {
        if (bytes.size() - at < 12) {
            return "a damaged PNG file (it ends inside a chunk)";
        }
        const std::size_t length = (std::size_t{bytes[at]} << 24U) | (std::size_t{bytes[at + 1]} << 16U) |
                                   (std::size_t{bytes[at + 2]} << 8U) | std::size_t{bytes[at + 3]};
        if (length > bytes.size() - at - 12) {
            return "a damaged PNG file (a chunk runs past its end)";
        }
        // What follows the last chunk is no concern of a decoder's.
        if (std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 8), "IEND")) {
            break;
        }
        at += 12 + length;
    }
    return {};
}

// The path as the console shows text; one no code page can hold cannot throw out of a plugin's call.
std::string Shown(const std::filesystem::path& path) {
    try {
        return ConsoleText(path.wstring());
    } catch (const std::exception&) {
        return "(a path the console cannot show)";
    }
}

// The pixels of the file, or null with one line on the console saying why.
std::shared_ptr<const host::ImageTexture> Read(const std::filesystem::path& path) {
    const std::string shown = Shown(path);
    const auto refuse = [&](const std::string& why) {
        Say("ImageWrapper: cannot load " + shown + ": " + why + "; the image is null");
        return nullptr;
    };
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return refuse(error.message());
    }
    if (size > kMaxImageFileBytes) {
        return refuse("the file is larger than " + std::to_string(kMaxImageFileBytes >> 20U) + " MiB");
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        return refuse("it could not be read");
    }
    if (const std::string unfit = Unfit(bytes); !unfit.empty()) {
        return refuse(unfit);
    }
    const int length = static_cast<int>(bytes.size());
    int width = 0;
    int height = 0;
    int channels = 0;
    // The size first, from the header alone: nothing is decoded for an image too large.
    if (stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) == 0) {
        return refuse(std::string("not a PNG or JPEG image (") + stbi_failure_reason() + ")");
    }
    if (width > kMaxImageSide || height > kMaxImageSide) {
        return refuse(std::to_string(width) + "x" + std::to_string(height) + " is larger than " +
                      std::to_string(kMaxImageSide) + "x" + std::to_string(kMaxImageSide));
    }
    using Pixels = std::unique_ptr<unsigned char, decltype(&stbi_image_free)>;
    const Pixels pixels(stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4),
                        &stbi_image_free);
    if (!pixels || width <= 0 || height <= 0) {
        return refuse(std::string("its pixels could not be decoded (") + stbi_failure_reason() + ")");
    }
    auto texture = std::make_shared<host::ImageTexture>();
    texture->width = width;
    texture->height = height;
    texture->rgba.assign(pixels.get(), pixels.get() + std::size_t{4} * static_cast<std::size_t>(width) *
                                                          static_cast<std::size_t>(height));
    texture->name = Shown(path.filename());
    return texture;
}

} // namespace

} // namespace pluginsdk::detail

using pluginsdk::detail::Image;

// NOLINTBEGIN(performance-unnecessary-value-param): the host's interface takes these by value.
ImageWrapper::ImageWrapper(std::string path, bool canvasLoad, bool ImGuiLoad)
    : ImageWrapper(std::filesystem::path(std::move(path)), canvasLoad, ImGuiLoad) {}

ImageWrapper::ImageWrapper(std::wstring path, bool canvasLoad, bool ImGuiLoad)
    : ImageWrapper(std::filesystem::path(path), canvasLoad, ImGuiLoad) {}

ImageWrapper::ImageWrapper(std::filesystem::path path, bool canvasLoad, bool ImGuiLoad)
    : image_(new Image{std::move(path), nullptr}) {
    image_->texture = pluginsdk::detail::Read(image_->path);
    if (image_->texture) {
        auto& live = pluginsdk::detail::Live();
        const std::lock_guard lock(live.mutex);
        live.byId.emplace(image_->texture.get(), image_->texture);
    }
    image_->forCanvas = canvasLoad && image_->texture;
    image_->forImGui = ImGuiLoad && image_->texture;
}

ImageWrapper::~ImageWrapper() {
    if (image_->texture) {
        auto& live = pluginsdk::detail::Live();
        const std::lock_guard lock(live.mutex);
        live.byId.erase(image_->texture.get());
    }
    delete image_;
}

std::shared_ptr<const pluginsdk::host::ImageTexture>
pluginsdk::host::FindImageTexture(const void* imguiTexture) {
    auto& live = pluginsdk::detail::Live();
    const std::lock_guard lock(live.mutex);
    const auto found = live.byId.find(imguiTexture);
    return found != live.byId.end() ? found->second.lock() : nullptr;
}

bool ImageWrapper::LoadForCanvas() {
    image_->forCanvas = image_->texture != nullptr;
    return image_->forCanvas;
}

void ImageWrapper::LoadForImGui(std::function<void(bool)> onLoaded) {
    image_->forImGui = image_->texture != nullptr;
    if (onLoaded) {
        onLoaded(image_->forImGui);
    }
}

// NOLINTEND(performance-unnecessary-value-param)

bool ImageWrapper::IsLoadedForCanvas() { return image_->forCanvas; }

bool ImageWrapper::IsLoadedForImGui() { return image_->forImGui; }

void* ImageWrapper::GetCanvasTex() {
    return image_->forCanvas ? const_cast<pluginsdk::host::ImageTexture*>(image_->texture.get()) : nullptr;
}

void* ImageWrapper::GetImGuiTex() {
    return image_->forImGui ? const_cast<pluginsdk::host::ImageTexture*>(image_->texture.get()) : nullptr;
}

std::string ImageWrapper::GetPath() { return pluginsdk::detail::Shown(image_->path); }

std::wstring ImageWrapper::GetPathW() { return image_->path.wstring(); }

std::filesystem::path ImageWrapper::GetPathFs() { return image_->path; }

Vector2 ImageWrapper::GetSize() {
    return image_->texture ? Vector2{image_->texture->width, image_->texture->height} : Vector2{};
}

Vector2F ImageWrapper::GetSizeF() {
    const Vector2 size = GetSize();
    return {static_cast<float>(size.X), static_cast<float>(size.Y)};
}
