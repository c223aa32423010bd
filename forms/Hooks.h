// Seams for tests: each one, when set, takes the place of the real service.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace forms {

struct RuntimeHooks {
    std::function<int(const std::string& text, UINT style)> messageBox;
    // Takes the place of both message boxes when set, with the title that shows.
    std::function<int(const std::string& text, UINT style, const std::string& title)> messageBoxTitled;
    std::function<void()> end;  // must not return to the caller's next statement in production
    std::function<std::uint32_t(const std::string& commandLine, int windowStyle)> shell;
    std::function<void()> onYield;  // called once at the start of every DoEvents
    std::function<void(const std::string& text)> unhandledError;
};
RuntimeHooks& Hooks();

}  // namespace forms
