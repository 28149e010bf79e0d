#include "model/config_json.h"

namespace norvane {

namespace {

// Deepest nesting of arrays and objects, counted outside string literals.
// For any text the JSON parser accepts this is exactly the tree's depth;
// for other texts it does not matter, as the parser rejects them anyway.
// Stops counting as soon as the limit is passed.
bool nestsDeeperThan(std::string_view text, int limit) noexcept
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char ch : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (ch == '\\') {
                escaped = true;
            } else if (ch == '"') {
                inString = false;
            }
            continue;
        }
        switch (ch) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > limit) {
                return true;
            }
            break;
        case ']':
        case '}':
            --depth;
            break;
        default:
            break;
        }
    }
    return false;
}

} // namespace

std::optional<nlohmann::json> parseConfigJson(std::string_view bytes, ConfigReadError* error) noexcept
{
    const auto fail = [error](ConfigReadError why) -> std::optional<nlohmann::json> {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    if (bytes.size() > maxConfigBytes) {
        return fail(ConfigReadError::tooLarge);
    }
    // nlohmann's parser is iterative, but copying, comparing and dumping a
    // value recurse once per level: refuse deep documents before building one.
    if (nestsDeeperThan(bytes, maxConfigDepth)) {
        return fail(ConfigReadError::tooDeep);
    }
    try {
        auto value = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false,
                                           /*ignore_comments=*/false);
        if (value.is_discarded()) {
            return fail(ConfigReadError::notJson);
        }
        return value;
    } catch (...) {
        // Only allocation failure can get here; treat it like an unreadable file.
        return fail(ConfigReadError::tooLarge);
    }
}

} // namespace norvane
