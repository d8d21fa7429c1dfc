// Symbol visibility of the host SDK, for the SDK library itself, plugins and host programs.
#pragma once

#if defined(_WIN32)
#define PLUGINSDK_EXPORT __declspec(dllexport)
#define PLUGINSDK_IMPORT __declspec(dllimport)
#else
#define PLUGINSDK_EXPORT __attribute__((visibility("default")))
#define PLUGINSDK_IMPORT __attribute__((visibility("default")))
#endif

// Everything the SDK library implements.
#if defined(PLUGINSDK_BUILDING)
#define PLUGINSDK_API PLUGINSDK_EXPORT
#else
#define PLUGINSDK_API PLUGINSDK_IMPORT
#endif

// The plugin base class is compiled into, and exported from, every plugin module. The SDK library
// keeps a private copy for the host's own type checks, so that no two loaded libraries export it.
#if defined(PLUGINSDK_PLUGIN_MODULE)
#define PLUGINSDK_PLUGIN_BASE_API PLUGINSDK_EXPORT
#elif defined(PLUGINSDK_BUILDING)
#define PLUGINSDK_PLUGIN_BASE_API
#else
#define PLUGINSDK_PLUGIN_BASE_API PLUGINSDK_IMPORT
#endif
