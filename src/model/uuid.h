#pragma once

#include "model/hash.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

// A random (version 4) UUID. Written in the 36-character hyphenated form with
// upper-case letters; either case is accepted when parsing.
class Uuid {
public:
    constexpr Uuid() = default; // the nil UUID
    static Uuid random();
    static std::optional<Uuid> parse(std::string_view text);

    [[nodiscard]] std::string string() const; // upper case
    [[nodiscard]] bool isNil() const noexcept;
    [[nodiscard]] const std::array<std::uint8_t, 16>& bytes() const noexcept { return bytes_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;
    void hashInto(Hasher& h) const noexcept;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

} // namespace norvane

template <> struct std::hash<norvane::Uuid> {
    std::size_t operator()(const norvane::Uuid& u) const noexcept
    {
        norvane::Hasher h;
        u.hashInto(h);
        return h.value();
    }
};
