#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace norvane {

// Why a configuration file could not be read at all.
enum class ConfigReadError : std::uint8_t {
    tooLarge,  // more bytes than any real configuration has
    tooDeep,   // arrays or objects nested beyond maxConfigDepth
    notJson,   // not one well-formed JSON text (invalid UTF-8 included)
    notConfig, // JSON, but neither the current nor the legacy document
};

// Limits that keep a damaged or hostile file from exhausting memory or the
// stack. A real document nests six levels deep; a thousand groups of ten
// mappings weigh 3 MB.
inline constexpr std::size_t maxConfigBytes = std::size_t{16} * 1024 * 1024;
inline constexpr int maxConfigDepth = 64;

// Parses one JSON text within the limits above. Never throws: a document
// that is not JSON, too large or too deep yields nullopt and, when asked
// for, the reason.
std::optional<nlohmann::json> parseConfigJson(std::string_view bytes, ConfigReadError* error = nullptr) noexcept;

} // namespace norvane
