# The Windows build: third-party code from source, one output folder, and wine to run what is built.
enable_language(RC)

# Windows finds a program's DLLs beside it: programs, DLLs and plugin modules share one folder.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")

# How Windows programs of this build see the build machine's paths. Under wine the machine's root
# folder is drive Z:, so a full Windows path needs that drive in front.
if(CMAKE_HOST_WIN32)
  set(SPINBEAT_RUNTIME_DRIVE "")
else()
  set(SPINBEAT_RUNTIME_DRIVE "Z:")
endif()

# spinbeat_windows_path(<out> <path>): <path> as Windows programs of this build see it.
function(spinbeat_windows_path out path)
  string(REPLACE "/" "\\" native "${SPINBEAT_RUNTIME_DRIVE}${path}")
  set(${out} "${native}" PARENT_SCOPE)
endfunction()

# ---------------------------------------------------------------------------
# Dear ImGui 1.86, the release of the host's context
# ---------------------------------------------------------------------------
set(SPINBEAT_IMGUI_DIR "" CACHE PATH
    "Dear ImGui 1.86 sources; empty: fetched from Debian's source package into the build folder")
set(imgui_dir "${SPINBEAT_IMGUI_DIR}")
if(NOT imgui_dir)
  set(imgui_dir "${CMAKE_BINARY_DIR}/_deps/imgui-1.86")
  execute_process(COMMAND "${PROJECT_SOURCE_DIR}/scripts/fetch-imgui" "${imgui_dir}" RESULT_VARIABLE fetched)
  if(NOT fetched EQUAL 0)
    message(FATAL_ERROR "Cannot fetch the Dear ImGui sources (scripts/fetch-imgui): set SPINBEAT_IMGUI_DIR")
  endif()
endif()
add_library(imgui STATIC
  "${imgui_dir}/imgui.cpp"
  "${imgui_dir}/imgui_draw.cpp"
  "${imgui_dir}/imgui_tables.cpp"
  "${imgui_dir}/imgui_widgets.cpp")
target_include_directories(imgui SYSTEM PUBLIC "${imgui_dir}")
# Written before C++20, which deprecates its mixing of enumeration types.
target_compile_options(imgui PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:-Wno-deprecated-enum-enum-conversion>)
# Its default clipboard and input-method hooks use the window system.
target_link_libraries(imgui PUBLIC user32 imm32)
target_link_libraries(spinbeat_imgui INTERFACE imgui)

# ---------------------------------------------------------------------------
# fmt: an installed package, else Debian's headers used header-only
# ---------------------------------------------------------------------------
find_package(fmt QUIET)
if(NOT fmt_FOUND)
  set(fmt_headers /usr/include/fmt)
  if(NOT EXISTS "${fmt_headers}/format.h")
    message(FATAL_ERROR "fmt not found: install it for this compiler, or libfmt-dev on Debian")
  endif()
  # Only fmt's own folder: the rest of /usr/include belongs to the build machine.
  set(fmt_include "${CMAKE_BINARY_DIR}/_deps/fmt-include")
  file(MAKE_DIRECTORY "${fmt_include}")
  file(CREATE_LINK "${fmt_headers}" "${fmt_include}/fmt" SYMBOLIC)
  add_library(fmt::fmt-header-only INTERFACE IMPORTED)
  set_target_properties(fmt::fmt-header-only PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${fmt_include}"
    INTERFACE_COMPILE_DEFINITIONS FMT_HEADER_ONLY=1)
endif()

# ---------------------------------------------------------------------------
# GoogleTest from the sources Debian's libgtest-dev ships
# ---------------------------------------------------------------------------
if(SPINBEAT_BUILD_TESTS)
  set(SPINBEAT_GTEST_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest sources for the Windows tests")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # The tests use the release DLL runtime, as the module does; GoogleTest would pick the static one.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  # Its targets come with the names of the installed package's: GTest::gtest, GTest::gtest_main.
  add_subdirectory("${SPINBEAT_GTEST_DIR}" "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL)
endif()

# ---------------------------------------------------------------------------
# Running Windows programs on the build machine
# ---------------------------------------------------------------------------
if(NOT CMAKE_HOST_WIN32)
  find_program(WINE_EXECUTABLE wine REQUIRED)
  find_program(WINESERVER_EXECUTABLE wineserver REQUIRED)
  # A prefix of the build's own; no sound devices, no desktop menus, and no Mono or Gecko installer
  # at its creation.
  set(SPINBEAT_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(SPINBEAT_WINEDLLOVERRIDES "mscoree=;mshtml=;winemenubuilder.exe=d;winedbg.exe=d;winealsa.drv=d;winepulse.drv=d")
  configure_file(cmake/wine-run.in "${CMAKE_BINARY_DIR}/wine-run" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
  # Each CTest run first starts the wine server and the prefix's services once; without that every
  # test pays their start-up, and listing a program's tests can hang.
  configure_file(cmake/wine-start.cmake.in "${CMAKE_BINARY_DIR}/wine-start.cmake" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${CMAKE_BINARY_DIR}/wine-start.cmake")
endif()
