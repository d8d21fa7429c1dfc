// The binary interface the host is built with, where this module is built with the same library: a
// release build of Microsoft's (checked iterators change these sizes, and every type crossing the
// boundary would be read wrongly by one side); and the host's Dear ImGui, whose context the settings
// page draws into with this module's own copy of it.
#include <imgui.h>
#include <imgui_internal.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "host-sdk.h"

#if defined(_MSC_VER)
// The host takes typeid of the object behind the holder.
#if !defined(_CPPRTTI)
#error "the host reads the plugin object's run-time type information: build without /GR-"
#endif
static_assert(_ITERATOR_DEBUG_LEVEL == 0, "the host is a release build: build the plugin with /MD, not /MDd");
static_assert(sizeof(std::string) == 32);
static_assert(sizeof(std::function<void(CanvasWrapper)>) == 64);
static_assert(sizeof(std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>) == 16);
static_assert(sizeof(std::filesystem::path) == 32);
#endif

// ---------------------------------------------------------------------------
// The host's Dear ImGui: release 1.75 with one more style colour
// ---------------------------------------------------------------------------
// Another release or layout compiles, links and loads, and then reads and writes the host's context at
// the wrong offsets. The build's own Dear ImGui is the right one (SPINBEAT_IMGUI_DIR left empty).

namespace spinbeat_abi_check {

// The index of the host's extra colour, or -1 in a Dear ImGui without it.
template <typename Colors>
constexpr int RangeSliderBarIndex() {
    if constexpr (requires { Colors::ImGuiCol_RangeSliderBar; }) {
        return Colors::ImGuiCol_RangeSliderBar;
    } else {
        return -1;
    }
}

} // namespace spinbeat_abi_check

static_assert(
    IMGUI_VERSION_NUM == 17500,
    "the host's Dear ImGui is release 1.75: build with the build's own copy (SPINBEAT_IMGUI_DIR empty), "
    "or point SPINBEAT_IMGUI_DIR at the host's Dear ImGui");
static_assert(
    ImGuiCol_COUNT == 49 && spinbeat_abi_check::RangeSliderBarIndex<ImGuiCol_>() == ImGuiCol_CheckMark + 1,
    "the host's Dear ImGui has 49 style colours, ImGuiCol_RangeSliderBar right after ImGuiCol_CheckMark: "
    "build with the build's own copy (SPINBEAT_IMGUI_DIR empty), or one with 'ImGuiCol_RangeSliderBar,' "
    "inserted after the 'ImGuiCol_CheckMark,' line of its imgui.h");
// The host's imconfig.h leaves what its draw lists hold at Dear ImGui's defaults.
static_assert(sizeof(ImDrawIdx) == 2 && sizeof(ImTextureID) == sizeof(void*) && sizeof(ImDrawVert) == 20 &&
                  IM_COL32_R_SHIFT == 0,
              "the host's Dear ImGui keeps ImDrawIdx, ImTextureID, ImDrawVert and the colour order at their "
              "defaults: build with an imconfig.h that changes none of them");
#if defined(__x86_64__) || defined(_M_X64)
// The host's headers as g++ 12 lays them out on x86-64, and clang-cl 19 by MSVC's rules: no member of
// either has a type whose size or alignment differs between the two (no long, wchar_t or bit-field).
static_assert(sizeof(ImGuiStyle) == 964 && sizeof(ImGuiContext) == 15808,
              "Dear ImGui's layout differs from the host's: another imconfig.h, or other changes to its "
              "headers; build with the build's own copy (SPINBEAT_IMGUI_DIR empty)");
#endif
