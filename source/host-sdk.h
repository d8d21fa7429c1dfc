// The one place the plugin reaches the host SDK; a build against another SDK changes only this file.
#pragma once

#include "pluginsdk/plugin.h"
#include "pluginsdk/wrappers.h"
