// Keeps exceptions inside the plugin: the host's game would not survive one leaving a callback.
#pragma once

#include <exception>

#include "logging.h"

template <typename Body>
void GuardHostCallback(Body&& body) noexcept {
    try {
        body();
    } catch (const std::exception& error) {
        try {
            if (globalCvarManager) {
                LogFormatted("SPINBEAT ERROR: {}", error.what());
            }
        } catch (...) {
            // Nothing is left to tell the player with; the host goes on regardless.
        }
    } catch (...) {
        // An exception of unknown type still stays inside the plugin.
    }
}
