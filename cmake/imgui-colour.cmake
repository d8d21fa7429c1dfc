# The host's one change to Dear ImGui 1.75, run as a step of the build: copies FILES (comma-separated)
# from SOURCE to DEST, and in DEST's imgui.h inserts ImGuiCol_RangeSliderBar after ImGuiCol_CheckMark.
# cmake -DSOURCE=<upstream 1.75> -DDEST=<folder> -DFILES=<names> -P imgui-colour.cmake
string(REPLACE "," ";" files "${FILES}")
file(MAKE_DIRECTORY "${DEST}")
foreach(file IN LISTS files)
  if(NOT file STREQUAL "imgui.h")
    file(COPY_FILE "${SOURCE}/${file}" "${DEST}/${file}")
  endif()
endforeach()

# Every colour from ImGuiCol_SliderGrab on moves one place up, as in the host's build. The line is
# looked for whole: if upstream's file is not the one expected, nothing is guessed.
set(anchor "\n    ImGuiCol_CheckMark,\n")
file(READ "${SOURCE}/imgui.h" header)
string(FIND "${header}" "${anchor}" first)
string(FIND "${header}" "${anchor}" last REVERSE)
if(first EQUAL -1 OR NOT first EQUAL last)
  message(FATAL_ERROR "${SOURCE}/imgui.h: the line of 'ImGuiCol_CheckMark,' is not there exactly once, so "
                      "ImGuiCol_RangeSliderBar cannot be inserted after it; is this Dear ImGui 1.75 as released?")
endif()
string(REPLACE "${anchor}" "${anchor}    ImGuiCol_RangeSliderBar,\n" header "${header}")
file(WRITE "${DEST}/imgui.h" "${header}")
