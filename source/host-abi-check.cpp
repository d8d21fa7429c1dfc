// The binary interface the host is built with, where this module is built with the same library: a
// release build of Microsoft's (checked iterators change these sizes, and every type crossing the
// boundary would be read wrongly by one side).
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
