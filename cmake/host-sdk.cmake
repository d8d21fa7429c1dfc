# The plugin against the host's own SDK: its headers and its library stand in for sdk/.
find_library(SPINBEAT_SDK_LIBRARY NAMES pluginsdk PATHS "${SPINBEAT_SDK_LIBRARY_DIR}"
             NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT SPINBEAT_SDK_LIBRARY)
  message(FATAL_ERROR "No pluginsdk library in SPINBEAT_SDK_LIBRARY_DIR: '${SPINBEAT_SDK_LIBRARY_DIR}'")
endif()
# The SDK's headers are not ours to hold to our warning level.
add_library(pluginsdk UNKNOWN IMPORTED)
set_target_properties(pluginsdk PROPERTIES
  IMPORTED_LOCATION "${SPINBEAT_SDK_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${SPINBEAT_SDK_INCLUDE_DIR}"
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${SPINBEAT_SDK_INCLUDE_DIR}")

# The plugin module defines and exports the base class's members, from the SDK's declaration of it:
# the stand-in's header marks the class for export where this is defined; another SDK's need not look.
add_library(pluginsdk_plugin_base INTERFACE)
target_compile_definitions(pluginsdk_plugin_base INTERFACE PLUGINSDK_PLUGIN_MODULE)
