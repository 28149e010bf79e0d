#pragma once

#include <array>
#include <cstdint>

namespace norvane {

// The pictures the rules, templates and notices refer to. The interface
// decides how each one is drawn.
enum class Icon : std::uint8_t {
    playPause,
    next,
    previous,
    volumeUp,
    volumeDown,
    mute,
    keyboard,  // a shortcut
    music,     // media control
    send,      // keys sent to an application
    appWindow, // open or hide an application
    warning,
    textSize,
    mouse,
    appGrid,
    commandKey,
    speaker,
    plus,
};

inline constexpr std::array allIcons = {
    Icon::playPause, Icon::next,    Icon::previous,   Icon::volumeUp,  Icon::volumeDown, Icon::mute,
    Icon::keyboard,  Icon::music,   Icon::send,       Icon::appWindow, Icon::warning,    Icon::textSize,
    Icon::mouse,     Icon::appGrid, Icon::commandKey, Icon::speaker,   Icon::plus,
};

} // namespace norvane
