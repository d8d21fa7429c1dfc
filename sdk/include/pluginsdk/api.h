// Symbol visibility of the host SDK, for the SDK library itself, plugins and host programs.
#pragma once

#if defined(_WIN32)
#define PLUGINSDK_EXPORT __declspec(dllexport)
#define PLUGINSDK_IMPORT __declspec(dllimport)
#else
#define PLUGINSDK_EXPORT __attribute__((visibility("default")))
#define PLUGINSDK_IMPORT __attribute__((visibility("default")))
#endif

// Everything the SDK library implements. The host types a plugin sees carry it member by member, as
// their exported names are the host's: a class-wide mark would export whatever the host does not.
#if defined(PLUGINSDK_BUILDING)
#define PLUGINSDK_API PLUGINSDK_EXPORT
#else
#define PLUGINSDK_API PLUGINSDK_IMPORT
#endif

// The plugin base class is defined whole in its header, and every plugin module defines and exports
// its members. Everywhere else (the SDK library, host programs) it is an ordinary class of their own.
#if defined(PLUGINSDK_PLUGIN_MODULE)
#define PLUGINSDK_PLUGIN_BASE_API PLUGINSDK_EXPORT
#elif defined(PLUGINSDK_BUILDING) || defined(_WIN32)
#define PLUGINSDK_PLUGIN_BASE_API
#else
// Elsewhere on ELF, visible: one type across the modules that compare it.
#define PLUGINSDK_PLUGIN_BASE_API PLUGINSDK_EXPORT
#endif

// A type whose run-time type information plugins and hosts compare across modules (a plugin's
// settings page, found by dynamic_cast): visible on ELF, where hidden type information of two
// modules would be two types. Windows compares such types by name and needs nothing.
#if defined(_WIN32)
#define PLUGINSDK_SHARED_TYPE
#else
#define PLUGINSDK_SHARED_TYPE __attribute__((visibility("default")))
#endif
