#include "simulate_script.h"

#include "model/combo.h"

#include <cctype>
#include <charconv>

namespace norvane::ctl {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The words of a line, up to a comment.
std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i])) {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        if (line[i] == '#') {
            const bool numeric = !out.empty() && i + 1 < line.size() &&
                                 (std::isdigit(static_cast<unsigned char>(line[i + 1])) != 0 ||
                                  (line[i + 1] == '-' && i + 2 < line.size() &&
                                   std::isdigit(static_cast<unsigned char>(line[i + 2])) != 0));
            if (!numeric) {
                break;
            }
        }
        const std::size_t start = i;
        while (i < line.size() && !isSpace(line[i])) {
            ++i;
        }
        out.push_back(line.substr(start, i - start));
    }
    return out;
}

template <typename T> std::optional<T> number(std::string_view text, int base = 10)
{
    T value{};
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> onOff(std::string_view word)
{
    if (word == "on") {
        return true;
    }
    if (word == "off") {
        return false;
    }
    return std::nullopt;
}

StepError error(std::string why)
{
    return StepError{std::move(why)};
}

ParsedLine keyEvent(bool down, bool synthetic, const std::vector<std::string_view>& w, std::size_t first)
{
    if (first >= w.size()) {
        return error("missing key combination");
    }
    const auto combo = Combo::parse(w[first]);
    if (!combo) {
        return error("not a key combination: " + std::string(w[first]));
    }
    SimStep step;
    step.event = InputEvent::key(down, combo->keyCode, combo->modifiers);
    if (synthetic) {
        step.event.userData = syntheticTag;
    }
    bool sawRepeat = false;
    bool sawFlags = false;
    for (std::size_t i = first + 1; i < w.size(); ++i) {
        const auto word = w[i];
        if (!synthetic && down && word == "repeat" && !sawRepeat) {
            sawRepeat = true;
            step.event.autorepeat = 1;
        } else if (!synthetic && word.starts_with("flags=") && !sawFlags) {
            auto hex = word.substr(6);
            if (hex.starts_with("0x") || hex.starts_with("0X")) {
                hex.remove_prefix(2);
            }
            const auto bits = number<std::uint64_t>(hex, 16);
            if (!bits) {
                return error("not a hexadecimal flag mask: " + std::string(word));
            }
            sawFlags = true;
            step.event.flags |= *bits;
        } else {
            return error("unexpected word: " + std::string(word));
        }
    }
    return step;
}

ParsedLine mouseEvent(const std::vector<std::string_view>& w)
{
    if (w.size() != 3 || (w[1] != "down" && w[1] != "up")) {
        return error("expected: mouse down|up BUTTON");
    }
    const auto button = number<std::int64_t>(w[2]);
    if (!button) {
        return error("not a button number: " + std::string(w[2]));
    }
    SimStep step;
    step.event = InputEvent::mouse(w[1] == "down", *button);
    return step;
}

} // namespace

ParsedLine parseStepLine(std::string_view line)
{
    const auto w = words(line);
    if (w.empty()) {
        return BlankLine{};
    }
    const auto verb = w[0];
    SimStep step;

    if (verb == "down" || verb == "up") {
        return keyEvent(verb == "down", false, w, 1);
    }
    if (verb == "synthetic") {
        if (w.size() != 3 || (w[1] != "down" && w[1] != "up")) {
            return error("expected: synthetic down|up COMBO");
        }
        return keyEvent(w[1] == "down", true, w, 2);
    }
    if (verb == "mouse") {
        return mouseEvent(w);
    }
    if (verb == "app" || verb == "url" || verb == "config") {
        if (w.size() != 2) {
            return error("expected: " + std::string(verb) + (verb == "config" ? " FILE" : " VALUE|-"));
        }
        step.kind = verb == "app" ? SimStep::Kind::app : verb == "url" ? SimStep::Kind::url : SimStep::Kind::config;
        if (step.kind == SimStep::Kind::config || w[1] != "-") {
            step.text = std::string(w[1]);
        }
        return step;
    }
    if (verb == "running" || verb == "installed") {
        step.kind = verb == "running" ? SimStep::Kind::running : SimStep::Kind::installed;
        for (std::size_t i = 1; i < w.size(); ++i) {
            step.words.emplace_back(w[i]);
        }
        return step;
    }
    struct Switch {
        std::string_view name;
        SimStep::Kind kind;
    };
    static constexpr Switch switches[] = {{"master", SimStep::Kind::master},
                                          {"probe", SimStep::Kind::probe},
                                          {"recording", SimStep::Kind::recording},
                                          {"hud", SimStep::Kind::hud}};
    for (const auto& s : switches) {
        if (verb == s.name) {
            const auto on = w.size() == 2 ? onOff(w[1]) : std::nullopt;
            if (!on) {
                return error("expected: " + std::string(verb) + " on|off");
            }
            step.kind = s.kind;
            step.on = *on;
            return step;
        }
    }
    return error("unknown step: " + std::string(verb));
}

} // namespace norvane::ctl
