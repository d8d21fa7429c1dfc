// Keeps exceptions inside the plugin: the host's game would not survive one leaving a callback.
#pragma once

#include <algorithm>
#include <exception>
#include <string>

#include "logging.h"

// Tells the player on one console line, whatever the text holds; never throws.
inline void LogHostCallbackFailure(const char* what) noexcept {
    try {
        if (globalCvarManager) {
            std::string text = what;
            std::replace_if(
                text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
            LogFormatted("SPINBEAT ERROR: {}", text);
        }
    } catch (...) {
        // Nothing is left to tell the player with; the host goes on regardless.
    }
}

template <typename Body>
void GuardHostCallback(Body&& body) noexcept {
    try {
        body();
    } catch (const std::exception& error) {
        LogHostCallbackFailure(error.what());
    } catch (...) {
        LogHostCallbackFailure("an exception of unknown type");
    }
}
