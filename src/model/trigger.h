#pragma once

#include "model/combo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

// What fires a mapping: a key combination or an extra mouse button
// (2 middle, 3 back, 4 forward, higher for further buttons).
class Trigger {
public:
    enum class Kind : std::uint8_t { key = 0, mouse = 1 };

    static constexpr Trigger key(Combo c) noexcept { return Trigger(Kind::key, c, 0); }
    static constexpr Trigger mouse(std::int64_t button) noexcept { return Trigger(Kind::mouse, Combo{}, button); }

    [[nodiscard]] constexpr Kind kind() const noexcept { return kind_; }
    [[nodiscard]] constexpr bool isKey() const noexcept { return kind_ == Kind::key; }
    [[nodiscard]] constexpr bool isMouse() const noexcept { return kind_ == Kind::mouse; }
    // Meaningful only for the matching kind.
    [[nodiscard]] constexpr Combo combo() const noexcept { return combo_; }
    [[nodiscard]] constexpr std::int64_t button() const noexcept { return button_; }

    // Text form: a combination, or mouse:N.
    [[nodiscard]] std::string string() const;
    static std::optional<Trigger> parse(std::string_view text);
    // Keycap label of the combination, or the mouse button's name.
    [[nodiscard]] std::string label() const;

    friend constexpr bool operator==(const Trigger& a, const Trigger& b) noexcept
    {
        if (a.kind_ != b.kind_) {
            return false;
        }
        return a.kind_ == Kind::key ? a.combo_ == b.combo_ : a.button_ == b.button_;
    }
    friend constexpr bool operator!=(const Trigger& a, const Trigger& b) noexcept { return !(a == b); }

    void hashInto(Hasher& h) const noexcept
    {
        h.add(static_cast<std::uint64_t>(kind_));
        if (kind_ == Kind::key) {
            combo_.hashInto(h);
        } else {
            h.add(button_);
        }
    }

private:
    constexpr Trigger(Kind k, Combo c, std::int64_t b) noexcept : kind_(k), combo_(c), button_(b) {}
    Kind kind_;
    Combo combo_;
    std::int64_t button_;
};

// Display name of a mouse button: 鼠标中键, 鼠标后退键, 鼠标前进键, else 鼠标按键 n+1.
std::string mouseButtonName(std::int64_t button);

} // namespace norvane

template <> struct std::hash<norvane::Trigger> {
    std::size_t operator()(const norvane::Trigger& t) const noexcept
    {
        norvane::Hasher h;
        t.hashInto(h);
        return h.value();
    }
};
