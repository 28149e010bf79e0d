#include "model/uuid.h"

#include <random>

namespace norvane {

namespace {

int hexValue(char c) noexcept
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isHyphenPosition(std::size_t i) noexcept
{
    return i == 8 || i == 13 || i == 18 || i == 23;
}

} // namespace

Uuid Uuid::random()
{
    thread_local std::mt19937_64 engine{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    Uuid u;
    for (std::size_t i = 0; i < u.bytes_.size(); i += 8) {
        auto word = engine();
        for (std::size_t j = 0; j < 8; ++j) {
            u.bytes_[i + j] = static_cast<std::uint8_t>(word & 0xFFU);
            word >>= 8U;
        }
    }
    u.bytes_[6] = static_cast<std::uint8_t>((u.bytes_[6] & 0x0FU) | 0x40U); // version 4
    u.bytes_[8] = static_cast<std::uint8_t>((u.bytes_[8] & 0x3FU) | 0x80U); // RFC 4122 variant
    return u;
}

std::optional<Uuid> Uuid::parse(std::string_view text)
{
    if (text.size() != 36) {
        return std::nullopt;
    }
    Uuid u;
    std::size_t byte = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (isHyphenPosition(i)) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            ++i;
            continue;
        }
        const int hi = hexValue(text[i]);
        const int lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0 || isHyphenPosition(i + 1)) {
            return std::nullopt;
        }
        u.bytes_[byte++] = static_cast<std::uint8_t>((hi << 4) | lo);
        i += 2;
    }
    return u;
}

std::string Uuid::string() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(36);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            out += '-';
        }
        out += digits[bytes_[i] >> 4U];
        out += digits[bytes_[i] & 0x0FU];
    }
    return out;
}

bool Uuid::isNil() const noexcept
{
    for (const auto b : bytes_) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

void Uuid::hashInto(Hasher& h) const noexcept
{
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        hi = (hi << 8U) | bytes_[i];
        lo = (lo << 8U) | bytes_[i + 8];
    }
    h.add(hi);
    h.add(lo);
}

} // namespace norvane
