// Text forms of combinations and triggers (ctrl+opt+k, cmd+#200, mouse:3),
// their parsers, and their keycap labels.
#include "model/combo.h"
#include "model/keys.h"
#include "model/trigger.h"

#include <charconv>

namespace norvane {

namespace {

std::optional<std::int64_t> parseInt64(std::string_view s) noexcept
{
    if (s.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto* end = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data(), end, value, 10);
    if (ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

// Length of the horizontal space character at the start (or end) of s, 0 if none.
// Covers ASCII space and tab and the Unicode space separators; line breaks are not spaces here.
std::size_t leadingSpace(std::string_view s) noexcept
{
    if (s.empty()) {
        return 0;
    }
    const auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 == ' ' || b0 == '\t') {
        return 1;
    }
    if (s.size() >= 2 && b0 == 0xC2 && static_cast<unsigned char>(s[1]) == 0xA0) {
        return 2; // U+00A0
    }
    if (s.size() >= 3) {
        const auto b1 = static_cast<unsigned char>(s[1]);
        const auto b2 = static_cast<unsigned char>(s[2]);
        if (b0 == 0xE1 && b1 == 0x9A && b2 == 0x80) {
            return 3; // U+1680
        }
        if (b0 == 0xE2 && b1 == 0x80 && ((b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xAF)) {
            return 3; // U+2000..U+200A, U+202F
        }
        if (b0 == 0xE2 && b1 == 0x81 && b2 == 0x9F) {
            return 3; // U+205F
        }
        if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80) {
            return 3; // U+3000
        }
    }
    return 0;
}

std::size_t trailingSpace(std::string_view s) noexcept
{
    for (std::size_t len = 1; len <= 3 && len <= s.size(); ++len) {
        const auto tail = s.substr(s.size() - len);
        if (leadingSpace(tail) == len) {
            return len;
        }
    }
    return 0;
}

std::string_view trimHorizontalSpace(std::string_view s) noexcept
{
    while (const auto n = leadingSpace(s)) {
        s.remove_prefix(n);
    }
    while (const auto n = trailingSpace(s)) {
        s.remove_suffix(n);
    }
    return s;
}

std::optional<std::uint64_t> modifierBit(std::string_view piece) noexcept
{
    for (const auto& row : modifierOrder) {
        for (const auto name : row.names) {
            if (!name.empty() && name == piece) {
                return row.bit;
            }
        }
    }
    return std::nullopt;
}

std::string upperASCII(std::string_view s)
{
    std::string out(s);
    for (auto& ch : out) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
    return out;
}

} // namespace

std::string Combo::string() const
{
    std::string out;
    for (const auto& row : modifierOrder) {
        if ((modifiers & row.bit) != 0) {
            out += row.names[0];
            out += '+';
        }
    }
    if (const auto name = keyNameForCode(keyCode)) {
        out += *name;
    } else {
        out += '#';
        out += std::to_string(keyCode);
    }
    return out;
}

std::optional<Combo> Combo::parse(std::string_view text)
{
    std::string lower(text);
    for (auto& ch : lower) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
    std::uint64_t modifiers = 0;
    std::optional<std::int64_t> key;
    bool anyPiece = false;
    std::string_view rest(lower);
    while (!rest.empty()) {
        const auto plus = rest.find('+');
        const auto raw = rest.substr(0, plus);
        rest = plus == std::string_view::npos ? std::string_view{} : rest.substr(plus + 1);
        if (raw.empty()) {
            continue; // empty pieces between separators are dropped
        }
        anyPiece = true;
        const auto piece = trimHorizontalSpace(raw);
        if (const auto bit = modifierBit(piece)) {
            modifiers |= *bit;
        } else if (const auto code = keyCodeForName(piece)) {
            key = *code; // a later key replaces an earlier one
        } else if (!piece.empty() && piece.front() == '#') {
            const auto number = parseInt64(piece.substr(1));
            if (!number) {
                return std::nullopt;
            }
            key = *number;
        } else {
            return std::nullopt;
        }
    }
    if (!anyPiece || !key) {
        return std::nullopt;
    }
    return Combo(*key, modifiers);
}

std::string Combo::keyLabel() const
{
    if (const auto display = keyDisplay(keyCode)) {
        return std::string(*display);
    }
    if (const auto name = keyNameForCode(keyCode)) {
        return upperASCII(*name);
    }
    return "键" + std::to_string(keyCode);
}

std::vector<std::string> Combo::symbols() const
{
    std::vector<std::string> out;
    for (const auto& row : modifierOrder) {
        if ((modifiers & row.bit) != 0) {
            out.emplace_back(row.label);
        }
    }
    out.push_back(keyLabel());
    return out;
}

std::string Combo::label() const
{
    std::string out;
    for (const auto& s : symbols()) {
        out += (out.empty() ? "" : "+") + s;
    }
    return out;
}

std::string Trigger::string() const
{
    if (isKey()) {
        return combo_.string();
    }
    return "mouse:" + std::to_string(button_);
}

std::optional<Trigger> Trigger::parse(std::string_view text)
{
    constexpr std::string_view prefix = "mouse:";
    if (text.substr(0, prefix.size()) == prefix) {
        if (const auto n = parseInt64(text.substr(prefix.size()))) {
            return Trigger::mouse(*n);
        }
    }
    if (const auto c = Combo::parse(text)) {
        return Trigger::key(*c);
    }
    return std::nullopt;
}

std::string Trigger::label() const
{
    return isKey() ? combo_.label() : mouseButtonName(button_);
}

std::string mouseButtonName(std::int64_t button)
{
    switch (button) {
    case 2:
        return "鼠标中键";
    case 3:
        return "鼠标后退键";
    case 4:
        return "鼠标前进键";
    default:
        break;
    }
    // Shown one-based. Computed in unsigned arithmetic so the largest number cannot overflow.
    if (button >= 0) {
        return "鼠标按键 " + std::to_string(static_cast<std::uint64_t>(button) + 1U);
    }
    return "鼠标按键 " + std::to_string(button + 1);
}

} // namespace norvane
