#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace norvane {

// A key press or an extra-mouse-button press (2 middle, 3 back, 4 forward,
// ...) seen by a monitor. Key codes are the model's virtual key codes and
// `flags` is the full flag mask (modifier bits 0x1E0000, caps lock 0x10000).
struct MonitoredPress {
    enum class Kind : std::uint8_t { key, mouse };
    Kind kind = Kind::key;
    std::int64_t keyCode = 0;
    std::uint64_t flags = 0;
    std::int64_t button = 0;

    static constexpr MonitoredPress key(std::int64_t code, std::uint64_t flags = 0) noexcept
    {
        return {Kind::key, code, flags, 0};
    }
    static constexpr MonitoredPress mouse(std::int64_t button) noexcept { return {Kind::mouse, 0, 0, button}; }
};

// Watches presses while a trigger is being recorded. Only key-downs and
// extra-button-downs are reported: never modifier keys alone, releases, or
// the left and right buttons.
//
// Two kinds exist. A local monitor sees presses addressed to this
// application and swallows every press it reports (no typing into a text
// field, no shortcut). A global monitor sees extra-button presses addressed
// to any application and cannot change them; its handler may run on any
// thread.
class PressMonitor {
public:
    enum class Watch : std::uint8_t { keys, mouseButtons };
    using Handler = std::function<void(const MonitoredPress&)>;
    using Token = std::uint64_t;

    virtual ~PressMonitor() = default;
    // Starts reporting presses of one kind; nothing when the monitor cannot
    // be installed.
    virtual std::optional<Token> add(Watch watch, Handler handler) = 0;
    // Stops a monitor. Once this returns its handler is not called again.
    // May be called from inside a handler (a recording ends on the very
    // press that is being reported).
    virtual void remove(Token token) = 0;
};

} // namespace norvane
