#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

// Why a configuration file could not be read at all.
enum class ConfigReadError : std::uint8_t {
    tooLarge,  // more bytes than any real configuration has
    tooDeep,   // arrays or objects nested beyond maxConfigDepth
    notJson,   // not one well-formed JSON text (invalid UTF-8 included)
    notConfig, // JSON, but neither the current nor the legacy document
    tooMany,   // more entries, or a longer text, than the limits below allow
};

// Limits that keep a damaged or hostile file from exhausting memory, time or
// the stack. A real document nests six levels deep; a thousand groups of ten
// mappings weigh 3 MB and hold about 80,000 JSON values. Every limit is far
// above that, and a document within all of them is read in well under a
// second.
inline constexpr std::size_t maxConfigBytes = std::size_t{16} * 1024 * 1024;
inline constexpr int maxConfigDepth = 64;
// Entries of one list or members of one object: groups, mappings of a group.
inline constexpr std::size_t maxConfigEntries = 10'000;
// Applications and page keywords of one scope ("apps", "urls", "urlContains").
inline constexpr std::size_t maxConfigScopeEntries = 1'000;
// Bytes of one text (names, notes, application ids, keywords, keys).
inline constexpr std::size_t maxConfigTextBytes = 4'096;
// JSON values in the whole document, containers and member values alike.
inline constexpr std::size_t maxConfigValues = 500'000;

// What a reading found wrong, for a person editing the file by hand. Asked
// for only by callers that show it; the normal load passes none and pays
// nothing for it.
struct ConfigDiagnostics {
    // Why the document was refused, with the JSON path of the culprit
    // ("groups[3] is not an object"); empty when it was read.
    std::string refusal;
    // One line per value replaced by its default or left out, each starting
    // with its JSON path ("groups[0].mappings[2].trigger: ...").
    std::vector<std::string> replaced;
};

// Parses one JSON text within the limits above. Never throws: a document
// that is not JSON, too large, too deep or beyond a count limit yields
// nullopt and, when asked for, the reason (and in `diagnostics` the path of
// the value that passed a limit).
std::optional<nlohmann::json> parseConfigJson(std::string_view bytes, ConfigReadError* error = nullptr,
                                              ConfigDiagnostics* diagnostics = nullptr) noexcept;

// A short description of a read error, for people.
const char* describe(ConfigReadError error) noexcept;

} // namespace norvane
