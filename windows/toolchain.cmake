# Toolchain: 64-bit Windows binaries with the binary interface of Microsoft's compiler and library, made
# on Linux. clang in its cl mode compiles against the Microsoft STL, wine's C runtime and Windows
# headers and our own layer for what vcruntime and the Windows SDK would give (runtime/ beside this
# file); lld-link links against import libraries made from wine's own DLLs. A release runtime (/MD), as
# the host is built. This file only names tools, flags and folders: build.cmake beside it unpacks the
# STL and builds the runtime libraries as a step of the build (README.md beside it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(spinbeat_windows_dir "${CMAKE_CURRENT_LIST_DIR}")
# Tells build.cmake that this build makes its own STL and runtime libraries (a Visual Studio build has
# Microsoft's).
set(SPINBEAT_MSVC_ABI_TOOLCHAIN ON)

# Where the build keeps the STL and the runtime libraries; a compiler check's scratch project is told.
if(NOT SPINBEAT_MSVC_DEPS_DIR)
  set(SPINBEAT_MSVC_DEPS_DIR "${CMAKE_BINARY_DIR}/_deps")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SPINBEAT_MSVC_DEPS_DIR)
set(SPINBEAT_MSVC_STL_DIR "${SPINBEAT_MSVC_DEPS_DIR}/msvc-stl")
set(SPINBEAT_MSVC_RUNTIME_DIR "${SPINBEAT_MSVC_DEPS_DIR}/msvc-runtime")
set(SPINBEAT_WINE_INCLUDE_DIR /usr/include/wine/wine CACHE PATH "wine's headers: msvcrt/ and windows/")
set(SPINBEAT_WINE_DLL_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH
    "wine's Windows DLLs, whose export tables the import libraries are made from")

# ---------------------------------------------------------------------------
# Tools: clang 19 and its LLVM tools; clang takes cl's options when called by that name
# ---------------------------------------------------------------------------
find_program(SPINBEAT_CLANG_19 NAMES clang-19 PATHS /usr/lib/llvm-19/bin REQUIRED)
set(tool_dir "${SPINBEAT_MSVC_DEPS_DIR}/msvc-toolchain")
if(NOT EXISTS "${tool_dir}/clang-cl")
  file(MAKE_DIRECTORY "${tool_dir}")
  file(CREATE_LINK "${SPINBEAT_CLANG_19}" "${tool_dir}/clang-cl" SYMBOLIC)
endif()
set(CMAKE_C_COMPILER "${tool_dir}/clang-cl")
set(CMAKE_CXX_COMPILER "${tool_dir}/clang-cl")
find_program(CMAKE_LINKER NAMES lld-link-19 REQUIRED)
find_program(CMAKE_AR NAMES llvm-lib-19 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES llvm-rc-19 REQUIRED)
find_program(CMAKE_MT NAMES llvm-mt-19 REQUIRED)
find_program(SPINBEAT_LLVM_DLLTOOL NAMES llvm-dlltool-19 REQUIRED)
find_program(SPINBEAT_LLVM_READOBJ NAMES llvm-readobj-19 REQUIRED)
find_program(SPINBEAT_LLVM_UNDNAME NAMES llvm-undname-19 llvm-undname)

# The one runtime the host uses: the release DLLs, so _ITERATOR_DEBUG_LEVEL is 0 in every build type.
set(CMAKE_MSVC_RUNTIME_LIBRARY MultiThreadedDLL)

# ---------------------------------------------------------------------------
# Headers: clang's own, then our layer, the STL, wine's C runtime and Windows headers
# ---------------------------------------------------------------------------
# WINE_UNICODE_NATIVE: wine's WCHAR is wchar_t, as Windows' is. No vectorized algorithms: that part of the
# STL's sources is MSVC-only assembly. The mutex constructor that newer msvcp140.dll need is not used.
set(msvc_flags
  -fms-compatibility-version=19.44
  /DWINE_UNICODE_NATIVE
  /D_USE_STD_VECTOR_ALGORITHMS=0
  /D_DISABLE_CONSTEXPR_MUTEX_CONSTRUCTOR
  "/imsvc${spinbeat_windows_dir}/runtime/include"
  "/imsvc${SPINBEAT_MSVC_STL_DIR}/stl/inc"
  "/imsvc${SPINBEAT_WINE_INCLUDE_DIR}/msvcrt"
  "/imsvc${SPINBEAT_WINE_INCLUDE_DIR}/windows")
list(JOIN msvc_flags " " msvc_flags)
set(CMAKE_C_FLAGS_INIT "${msvc_flags}")
set(CMAKE_CXX_FLAGS_INIT "${msvc_flags}")
set(CMAKE_RC_FLAGS_INIT "-I${SPINBEAT_WINE_INCLUDE_DIR}/windows")

# Only what a DLL of ours may import; the libraries of the rest of Windows' SDK are not made.
set(CMAKE_C_STANDARD_LIBRARIES "kernel32.lib" CACHE STRING "Libraries every program and DLL links")
set(CMAKE_CXX_STANDARD_LIBRARIES "kernel32.lib" CACHE STRING "Libraries every program and DLL links")

# Libraries and packages come from the runtime made here, never from the build machine.
set(CMAKE_FIND_ROOT_PATH "${SPINBEAT_MSVC_RUNTIME_DIR}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "/libpath:${SPINBEAT_MSVC_RUNTIME_DIR}/lib")
endforeach()

# The runtime libraries are made by the build, after CMake has tried the compiler: its checks compile
# and do not link.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
