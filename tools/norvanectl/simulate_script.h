#pragma once

#include "platform/input_event.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace norvane::ctl {

// One line of a simulate script.
struct SimStep {
    enum class Kind : std::uint8_t {
        // setup
        app,       // text: the frontmost application, or none
        url,       // text: the address the frontmost application reports, or none
        running,   // words: the running applications
        installed, // words: the installed applications
        master,    // on
        probe,     // on
        recording, // on
        hud,       // on
        config,    // text: the configuration file to load and compile
        // events
        event, // event
    };
    Kind kind = Kind::event;
    std::optional<std::string> text;
    std::vector<std::string> words;
    bool on = false;
    InputEvent event;
};

struct BlankLine {};
struct StepError {
    std::string why;
};

using ParsedLine = std::variant<BlankLine, SimStep, StepError>;

// Parses one script line. Blank lines and comments give BlankLine. A '#'
// starts a comment at the beginning of a line or after whitespace, except
// where it begins a numeric key code (#200, #-1).
ParsedLine parseStepLine(std::string_view line);

} // namespace norvane::ctl
