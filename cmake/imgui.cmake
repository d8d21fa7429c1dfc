# Dear ImGui as the host's context has it, compiled from source into the plugin, spinbeat-host and the
# tests alike: release 1.75 with one extra style colour, ImGuiCol_RangeSliderBar right after
# ImGuiCol_CheckMark, and IMGUI_DEFINE_MATH_OPERATORS, as the host's imconfig.h adds. The plugin draws
# into the host's context with its own copy, so any other release or layout reads that context at the
# wrong offsets (source/host-abi-check.cpp refuses to build with one).
#
# The sources: SPINBEAT_IMGUI_DIR when set, a folder that already carries the colour (the host's own
# Dear ImGui, or upstream 1.75 with the one-line change); else upstream 1.75, unpacked into the build
# folder at configure time from ../shared/deps beside the checkout when it is there, or cloned from the
# upstream repository at the release's commit; the build then copies it with the colour inserted.
#
# Targets: spinbeat_imgui (the library) and, for spinbeat-host's window, spinbeat_imgui_backends (the
# release's own platform backend, SDL2 or Win32, and its OpenGL 3 renderer with the gl3w loader, whose
# gl3wInit() the program calls once its OpenGL context is current).

set(SPINBEAT_IMGUI_DIR "" CACHE PATH
    "Dear ImGui 1.75 carrying the host's ImGuiCol_RangeSliderBar (the host's own, or upstream 1.75 with that one-line change); empty: upstream 1.75, changed by the build")

set(spinbeat_imgui_version_num 17500)
set(spinbeat_imgui_tag v1.75)
set(spinbeat_imgui_commit 58b3e02b95b4c7c5bb9128a28c6d55546501bf93)
cmake_path(SET spinbeat_imgui_archive NORMALIZE "${PROJECT_SOURCE_DIR}/../shared/deps/imgui-1.75.tar.gz")
set(spinbeat_imgui_repository https://github.com/ocornut/imgui.git)
# The files of the library itself; 1.75 has no tables yet.
set(spinbeat_imgui_files imgui.h imconfig.h imgui_internal.h imstb_rectpack.h imstb_textedit.h
                         imstb_truetype.h imgui.cpp imgui_draw.cpp imgui_widgets.cpp)

# spinbeat_imgui_check(<folder> <what it is>): refuses a folder whose imgui.h is not release 1.75.
function(spinbeat_imgui_check folder what)
  if(NOT EXISTS "${folder}/imgui.h")
    message(FATAL_ERROR "${what} (${folder}) holds no imgui.h: it must be Dear ImGui 1.75's sources")
  endif()
  file(STRINGS "${folder}/imgui.h" version REGEX "^#define IMGUI_VERSION_NUM ")
  if(NOT version MATCHES "^#define IMGUI_VERSION_NUM +${spinbeat_imgui_version_num}$")
    message(FATAL_ERROR "${what} (${folder}) is not Dear ImGui 1.75 ('${version}'): the host's context "
                        "is 1.75, and the plugin must be built with that release")
  endif()
endfunction()

# Unpacks upstream 1.75 into <dest>, unless it is there already from the same source.
function(spinbeat_imgui_unpack dest)
  if(EXISTS "${spinbeat_imgui_archive}")
    file(SHA256 "${spinbeat_imgui_archive}" actual)
    file(READ "${spinbeat_imgui_archive}.sha256" expected)
    string(REGEX MATCH "^[0-9a-f]+" expected "${expected}")
    if(NOT actual STREQUAL expected)
      message(FATAL_ERROR "${spinbeat_imgui_archive} does not match its checksum in "
                          "${spinbeat_imgui_archive}.sha256")
    endif()
    set(origin "${spinbeat_imgui_archive} sha256 ${actual}")
  else()
    set(origin "${spinbeat_imgui_repository} ${spinbeat_imgui_commit}")
  endif()
  set(stamp "${dest}/.spinbeat-origin")
  if(EXISTS "${stamp}")
    file(READ "${stamp}" unpacked)
    if(unpacked STREQUAL origin)
      return()
    endif()
  endif()

  set(work "${dest}.unpacking")
  file(REMOVE_RECURSE "${dest}" "${work}")
  if(EXISTS "${spinbeat_imgui_archive}")
    file(ARCHIVE_EXTRACT INPUT "${spinbeat_imgui_archive}" DESTINATION "${work}")
    set(tree "${work}/imgui-1.75")
  else()
    find_package(Git)
    if(NOT Git_FOUND)
      message(FATAL_ERROR "Dear ImGui 1.75: no ${spinbeat_imgui_archive}, and no git to clone "
                          "${spinbeat_imgui_repository} with; install git, or set SPINBEAT_IMGUI_DIR")
    endif()
    set(tree "${work}/imgui")
    execute_process(COMMAND "${GIT_EXECUTABLE}" -c advice.detachedHead=false clone --quiet --depth 1
                            --branch ${spinbeat_imgui_tag} ${spinbeat_imgui_repository} "${tree}"
                    RESULT_VARIABLE cloned)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${tree}" rev-parse HEAD
                    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT cloned EQUAL 0 OR NOT commit STREQUAL spinbeat_imgui_commit)
      message(FATAL_ERROR "Cannot clone Dear ImGui ${spinbeat_imgui_tag} at ${spinbeat_imgui_commit} from "
                          "${spinbeat_imgui_repository} (got '${commit}'); set SPINBEAT_IMGUI_DIR")
    endif()
    file(REMOVE_RECURSE "${tree}/.git")
  endif()
  spinbeat_imgui_check("${tree}" "The unpacked Dear ImGui")
  file(RENAME "${tree}" "${dest}")
  file(REMOVE_RECURSE "${work}")
  file(WRITE "${stamp}" "${origin}")
  message(STATUS "Dear ImGui 1.75 unpacked into ${dest} from ${origin}")
endfunction()

if(SPINBEAT_IMGUI_DIR)
  spinbeat_imgui_check("${SPINBEAT_IMGUI_DIR}" "SPINBEAT_IMGUI_DIR")
  file(STRINGS "${SPINBEAT_IMGUI_DIR}/imgui.h" colour REGEX "ImGuiCol_RangeSliderBar")
  if(NOT colour)
    message(FATAL_ERROR "SPINBEAT_IMGUI_DIR (${SPINBEAT_IMGUI_DIR}) has no ImGuiCol_RangeSliderBar in its "
                        "imgui.h: point it at the host's own Dear ImGui, or at upstream 1.75 with "
                        "'ImGuiCol_RangeSliderBar,' inserted after the 'ImGuiCol_CheckMark,' line, or leave it "
                        "empty for the build to do that")
  endif()
  set(imgui_sources "${SPINBEAT_IMGUI_DIR}")
  set(imgui_dir "${SPINBEAT_IMGUI_DIR}")
else()
  set(imgui_sources "${CMAKE_BINARY_DIR}/_deps/imgui-1.75-upstream")
  set(imgui_dir "${CMAKE_BINARY_DIR}/_deps/imgui-1.75")
  spinbeat_imgui_unpack("${imgui_sources}")
  # Our change to upstream's files, made on a copy as a step of the build.
  set(upstream_files ${spinbeat_imgui_files})
  list(TRANSFORM upstream_files PREPEND "${imgui_sources}/")
  set(changed_files ${spinbeat_imgui_files})
  list(TRANSFORM changed_files PREPEND "${imgui_dir}/")
  # A list on a command line would be split up by the shell.
  list(JOIN spinbeat_imgui_files "," files)
  add_custom_command(OUTPUT ${changed_files}
    COMMAND "${CMAKE_COMMAND}" "-DSOURCE=${imgui_sources}" "-DDEST=${imgui_dir}" "-DFILES=${files}"
            -P "${CMAKE_CURRENT_LIST_DIR}/imgui-colour.cmake"
    DEPENDS ${upstream_files} "${imgui_sources}/.spinbeat-origin" "${CMAKE_CURRENT_LIST_DIR}/imgui-colour.cmake"
    COMMENT "Dear ImGui 1.75 with the host's extra style colour"
    VERBATIM)
endif()
# The sources as every build compiles them, on their own: a tool that reads our sources without
# building them (scripts/lint's clang-tidy) makes this first.
add_custom_target(spinbeat_imgui_sources DEPENDS ${changed_files})

add_library(spinbeat_imgui STATIC "${imgui_dir}/imgui.cpp" "${imgui_dir}/imgui_draw.cpp"
                                  "${imgui_dir}/imgui_widgets.cpp")
target_include_directories(spinbeat_imgui SYSTEM PUBLIC "${imgui_dir}")
add_dependencies(spinbeat_imgui spinbeat_imgui_sources)
target_compile_definitions(spinbeat_imgui PUBLIC IMGUI_DEFINE_MATH_OPERATORS)
# Written before C++20, which deprecates its arithmetic between enumerations.
target_compile_options(spinbeat_imgui PRIVATE
                       $<$<CXX_COMPILER_ID:GNU,Clang>:-Wno-deprecated-enum-enum-conversion>)
if(WIN32)
  # Its default clipboard and input-method hooks use the window system.
  target_link_libraries(spinbeat_imgui PUBLIC user32 imm32)
endif()

# ---------------------------------------------------------------------------
# spinbeat-host's window: the release's own backends, from its examples/
# ---------------------------------------------------------------------------
if(SPINBEAT_BUILD_HOST)
  set(examples "${imgui_sources}/examples")
  if(WIN32)
    set(platform_backend imgui_impl_win32)
  else()
    set(platform_backend imgui_impl_sdl)
  endif()
  set(backend_sources "${examples}/${platform_backend}.cpp" "${examples}/imgui_impl_opengl3.cpp"
                      "${examples}/libs/gl3w/GL/gl3w.c")
  foreach(file IN LISTS backend_sources)
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "spinbeat-host needs Dear ImGui 1.75's examples/ (its backends and gl3w), and "
                          "${file} is not there: point SPINBEAT_IMGUI_DIR at upstream 1.75 with the one-line "
                          "change, or build without spinbeat-host (-DSPINBEAT_BUILD_HOST=OFF)")
    endif()
  endforeach()
  # gl3w is C.
  enable_language(C)
  add_library(spinbeat_imgui_backends STATIC ${backend_sources})
  target_include_directories(spinbeat_imgui_backends SYSTEM PUBLIC "${examples}" "${examples}/libs/gl3w")
  target_compile_definitions(spinbeat_imgui_backends PUBLIC IMGUI_IMPL_OPENGL_LOADER_GL3W)
  target_link_libraries(spinbeat_imgui_backends PUBLIC spinbeat_imgui)
  if(WIN32)
    # spinbeat-host reads the gamepad itself; Dear ImGui's gamepad navigation stays off.
    target_compile_definitions(spinbeat_imgui_backends PRIVATE IMGUI_IMPL_WIN32_DISABLE_GAMEPAD)
    target_link_libraries(spinbeat_imgui_backends PUBLIC opengl32 user32)
  else()
    # gl3w asks GLX's loader for every function, and opens libGL itself.
    find_package(OpenGL REQUIRED COMPONENTS GLX)
    target_link_libraries(spinbeat_imgui_backends PUBLIC PkgConfig::SDL2 PRIVATE OpenGL::GLX ${CMAKE_DL_LIBS})
  endif()
endif()
