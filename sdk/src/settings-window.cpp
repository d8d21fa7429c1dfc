// The settings-page interface's one out-of-line member, so its type lives in the SDK library.
#include "pluginsdk/plugin.h"

namespace BakkesMod::Plugin {

PluginSettingsWindow::~PluginSettingsWindow() = default;

} // namespace BakkesMod::Plugin
