# The Windows build's set-up, after the toolchain file: the Microsoft STL and our runtime libraries,
# third-party code from source (Dear ImGui: cmake/imgui.cmake, as on Linux), one output folder, and wine
# to run what is built.
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
# The Microsoft STL, unpacked at configure time as a fetched dependency is: every compile needs it
# ---------------------------------------------------------------------------
if(SPINBEAT_MSVC_ABI_TOOLCHAIN)
  execute_process(COMMAND "${CMAKE_CURRENT_LIST_DIR}/fetch-msvc-stl" "${SPINBEAT_MSVC_STL_DIR}"
                  RESULT_VARIABLE fetched)
  if(NOT fetched EQUAL 0)
    message(FATAL_ERROR "Cannot unpack the Microsoft STL (windows/fetch-msvc-stl)")
  endif()
endif()

# ---------------------------------------------------------------------------
# Header-only and single-file libraries: an installed package, else Debian's headers
# ---------------------------------------------------------------------------
# spinbeat_headers_of(<folder in _deps> <link name> <Debian's folder>): a folder holding only the one
# library's headers, since the rest of /usr/include belongs to the build machine.
function(spinbeat_headers_of folder name headers)
  set(include "${CMAKE_BINARY_DIR}/_deps/${folder}")
  file(MAKE_DIRECTORY "${include}")
  if(NOT EXISTS "${include}/${name}")
    file(CREATE_LINK "${headers}" "${include}/${name}" SYMBOLIC)
  endif()
endfunction()
find_package(fmt QUIET)
if(NOT fmt_FOUND)
  set(fmt_headers /usr/include/fmt)
  if(NOT EXISTS "${fmt_headers}/format.h")
    message(FATAL_ERROR "fmt not found: install it for this compiler, or libfmt-dev on Debian")
  endif()
  spinbeat_headers_of(fmt-include fmt "${fmt_headers}")
  add_library(fmt::fmt-header-only INTERFACE IMPORTED)
  set_target_properties(fmt::fmt-header-only PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_BINARY_DIR}/_deps/fmt-include"
    INTERFACE_COMPILE_DEFINITIONS FMT_HEADER_ONLY=1)
endif()

if(SPINBEAT_BUILD_HOST)
  # CLI11, spinbeat-host's command line.
  find_package(CLI11 QUIET)
  if(NOT CLI11_FOUND)
    if(NOT EXISTS /usr/include/CLI/CLI.hpp)
      message(FATAL_ERROR "CLI11 not found: install it for this compiler, or libcli11-dev on Debian")
    endif()
    spinbeat_headers_of(cli11-include CLI /usr/include/CLI)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_BINARY_DIR}/_deps/cli11-include")
  endif()
endif()

if(SPINBEAT_BUILD_HOST OR SPINBEAT_BUILD_TESTS)
  # stb's PNG writing and reading, compiled once here as Debian's library has them on Linux:
  # spinbeat-host's snapshots, and the tests that read them back.
  find_path(SPINBEAT_STB_DIR stb_image_write.h PATHS /usr/include/stb PATH_SUFFIXES stb NO_CMAKE_FIND_ROOT_PATH)
  if(NOT SPINBEAT_STB_DIR)
    message(FATAL_ERROR "stb not found: set SPINBEAT_STB_DIR to the folder of stb_image_write.h, or install libstb-dev on Debian")
  endif()
  # Debian's folder holds stb's headers alone, as Linux's pkg-config names it.
  add_library(spinbeat_stb STATIC "${CMAKE_CURRENT_LIST_DIR}/stb-image.cpp")
  target_include_directories(spinbeat_stb SYSTEM PUBLIC "${SPINBEAT_STB_DIR}")
endif()

# ---------------------------------------------------------------------------
# GoogleTest from the sources Debian's libgtest-dev ships
# ---------------------------------------------------------------------------
if(SPINBEAT_BUILD_TESTS)
  set(SPINBEAT_GTEST_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest sources for the Windows tests")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # The tests use the release DLL runtime, as the module does; GoogleTest would pick the static one.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  # Windows' own threads, as any MSVC build of it ends up with. Its search for a pthreads library is a
  # check that links, which our toolchain cannot answer before the build has made the runtime libraries.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  # Its targets come with the names of the installed package's: GTest::gtest, GTest::gtest_main.
  add_subdirectory("${SPINBEAT_GTEST_DIR}" "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL)
endif()

# ---------------------------------------------------------------------------
# Our runtime libraries (runtime/), a project of their own built before anything links
# ---------------------------------------------------------------------------
# The import libraries, the STL's static part and the start-up code, where the toolchain file points the
# linker. Built on every build, as a quick no-op when nothing changed, so that a change in runtime/
# reaches every program and DLL.
if(SPINBEAT_MSVC_ABI_TOOLCHAIN)
  include(ExternalProject)
  set(runtime_libraries kernel32 user32 imm32 winmm gdi32 opengl32 xinput vcruntime ucrt msvcp140
                        msvcp140_1 msvcp140_2 msvcp140_atomic_wait msvcprt msvcrt oldnames)
  list(TRANSFORM runtime_libraries PREPEND "${SPINBEAT_MSVC_RUNTIME_DIR}/lib/")
  list(TRANSFORM runtime_libraries APPEND ".lib")
  ExternalProject_Add(msvc_runtime_build
    SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/runtime"
    BINARY_DIR "${SPINBEAT_MSVC_RUNTIME_DIR}"
    PREFIX "${SPINBEAT_MSVC_DEPS_DIR}/msvc-runtime-stamps"
    CMAKE_ARGS "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}" "-DSPINBEAT_MSVC_DEPS_DIR=${SPINBEAT_MSVC_DEPS_DIR}"
               "-DSPINBEAT_WINE_DLL_DIR=${SPINBEAT_WINE_DLL_DIR}" "-DSPINBEAT_WINE_INCLUDE_DIR=${SPINBEAT_WINE_INCLUDE_DIR}"
               -DCMAKE_BUILD_TYPE=Release
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${runtime_libraries}
    INSTALL_COMMAND ""
    LOG_CONFIGURE ON
    LOG_BUILD ON
    LOG_OUTPUT_ON_FAILURE ON)
  # Every target made from here on links against them: it waits for them, and links again when they change.
  add_library(msvc_runtime INTERFACE)
  add_dependencies(msvc_runtime msvc_runtime_build)
  set_target_properties(msvc_runtime PROPERTIES INTERFACE_LINK_DEPENDS "${runtime_libraries}")
  link_libraries(msvc_runtime)
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
  configure_file("${CMAKE_CURRENT_LIST_DIR}/wine-run.in" "${CMAKE_BINARY_DIR}/wine-run" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
  # Each CTest run first starts the wine server and the prefix's services once; without that every
  # test pays their start-up, and listing a program's tests can hang.
  configure_file("${CMAKE_CURRENT_LIST_DIR}/wine-start.cmake.in" "${CMAKE_BINARY_DIR}/wine-start.cmake" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${CMAKE_BINARY_DIR}/wine-start.cmake")
endif()
