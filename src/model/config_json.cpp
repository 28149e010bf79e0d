#include "model/config_json.h"

#include <algorithm>

namespace norvane {

namespace {

using nlohmann::json;

// Walks the text once, before any value is built, counting as it goes:
// nesting, entries of every list and object, the length of every text and
// the values in all. Stops at the first limit passed. For a text the JSON
// parser accepts the counts are exact (a text's length is its decoded
// UTF-8 length); for other texts they do not matter, as the parser rejects
// them anyway. Needs no stack of its own: a
// million opening brackets stop at the depth limit.
class LimitScan {
public:
    std::optional<ConfigReadError> failure;
    std::string where; // the JSON path of the value that passed a limit
    std::string what;

    void run(std::string_view text)
    {
        text_ = text;
        for (std::size_t i = 0; i < text.size() && !failure; ++i) {
            const char ch = text[i];
            switch (ch) {
            case '"':
                i = string(i);
                break;
            case '{':
            case '[':
                open(ch == '[');
                break;
            case '}':
            case ']':
                if (!frames_.empty()) {
                    frames_.pop_back();
                }
                inScalar_ = false;
                expectKey_ = false;
                break;
            case ',':
                expectKey_ = !frames_.empty() && !frames_.back().array;
                inScalar_ = false;
                break;
            case ' ':
            case '\t':
            case '\n':
            case '\r':
            case ':':
                inScalar_ = false;
                break;
            default:
                if (!inScalar_) {
                    inScalar_ = true; // a number, true, false or null starts
                    value();
                }
                break;
            }
        }
    }

private:
    struct Frame {
        bool array = false;
        std::size_t entries = 0;
        std::size_t limit = maxConfigEntries;
        std::string_view key; // objects: the member being read, as written
    };

    // Reads the string starting at `start` (its opening quote) and answers
    // the position of its closing quote.
    std::size_t string(std::size_t start)
    {
        std::size_t length = 0;
        std::size_t i = start + 1;
        for (; i < text_.size() && text_[i] != '"'; ++i) {
            if (text_[i] == '\\' && i + 1 < text_.size()) {
                ++i;
                if (text_[i] == 'u') {
                    length += escapedLength(text_.substr(i + 1, 4));
                    i += 4;
                    continue;
                }
            }
            ++length;
        }
        const bool isKey = expectKey_;
        expectKey_ = false;
        inScalar_ = false;
        if (isKey) {
            auto& top = frames_.back();
            top.key = text_.substr(start + 1, std::min(i, text_.size()) - start - 1);
            if (length > maxConfigTextBytes) {
                fail(ConfigReadError::tooMany,
                     "a member name of " + std::to_string(length) + " bytes, more than " +
                         std::to_string(maxConfigTextBytes),
                     /*ofContainer=*/true);
            } else {
                count(top);
            }
        } else if (value() && length > maxConfigTextBytes) {
            fail(ConfigReadError::tooMany,
                 "a text of " + std::to_string(length) + " bytes, more than " + std::to_string(maxConfigTextBytes));
        }
        return i;
    }

    // UTF-8 bytes of the character written as \uXXXX: a surrogate pair
    // counts four at its first half.
    static std::size_t escapedLength(std::string_view hex) noexcept
    {
        unsigned code = 0;
        for (const char c : hex) {
            const auto digit = c >= '0' && c <= '9'   ? c - '0'
                               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                      : 0;
            code = code * 16 + static_cast<unsigned>(digit);
        }
        if (code < 0x80) {
            return 1;
        }
        if (code < 0x800) {
            return 2;
        }
        if (code >= 0xDC00 && code <= 0xDFFF) {
            return 0;
        }
        return code >= 0xD800 && code <= 0xDBFF ? 4 : 3;
    }

    // Every value, containers included. Array elements are counted here;
    // object members at their key.
    bool value()
    {
        if (++values_ > maxConfigValues) {
            return fail(ConfigReadError::tooMany, "more than " + std::to_string(maxConfigValues) + " values in all");
        }
        return frames_.empty() || !frames_.back().array || count(frames_.back());
    }

    bool count(Frame& frame)
    {
        if (++frame.entries > frame.limit) {
            return fail(ConfigReadError::tooMany, "more than " + std::to_string(frame.limit) + " entries",
                        /*ofContainer=*/true);
        }
        return true;
    }

    void open(bool array)
    {
        inScalar_ = false;
        if (!value()) {
            return;
        }
        if (static_cast<int>(frames_.size()) >= maxConfigDepth) {
            fail(ConfigReadError::tooDeep, "nested more than " + std::to_string(maxConfigDepth) + " deep");
            return;
        }
        // The member this container is the value of.
        std::string_view member;
        if (!frames_.empty() && !frames_.back().array) {
            member = frames_.back().key;
        }
        const bool scopeList = member == "apps" || member == "urls" || member == "urlContains";
        frames_.push_back(Frame{array, 0, scopeList ? maxConfigScopeEntries : maxConfigEntries, {}});
        expectKey_ = !array;
    }

    bool fail(ConfigReadError error, std::string description, bool ofContainer = false)
    {
        failure = error;
        what = std::move(description);
        where = path(ofContainer);
        return false;
    }

    // The path of the value being read ("groups[3].name"), or of the
    // container being read ("groups[3]").
    [[nodiscard]] std::string path(bool ofContainer) const
    {
        std::string out;
        const auto end = frames_.size() - (ofContainer && !frames_.empty() ? 1 : 0);
        for (std::size_t i = 0; i < end; ++i) {
            const auto& f = frames_[i];
            if (f.array) {
                out += "[" + std::to_string(f.entries == 0 ? 0 : f.entries - 1) + "]";
            } else if (f.entries > 0) {
                out += (out.empty() ? "" : ".") + std::string(f.key);
            }
        }
        return out;
    }

    std::string_view text_;
    std::vector<Frame> frames_;
    std::size_t values_ = 0;
    bool expectKey_ = false;
    bool inScalar_ = false;
};

} // namespace

const char* describe(ConfigReadError error) noexcept
{
    switch (error) {
    case ConfigReadError::tooLarge:
        return "file is too large to be a configuration";
    case ConfigReadError::tooDeep:
        return "JSON is nested too deeply to be a configuration";
    case ConfigReadError::notJson:
        return "not valid JSON";
    case ConfigReadError::notConfig:
        return "neither a version-2 nor a legacy configuration document";
    case ConfigReadError::tooMany:
        return "more entries or longer texts than any real configuration has";
    }
    return "unreadable";
}

std::optional<nlohmann::json> parseConfigJson(std::string_view bytes, ConfigReadError* error,
                                              ConfigDiagnostics* diagnostics) noexcept
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
    try {
        // nlohmann's parser is iterative, but copying, comparing and dumping a
        // value recurse once per level, and every value costs memory and
        // time: refuse deep and crowded documents before building one.
        LimitScan scan;
        scan.run(bytes);
        if (scan.failure) {
            if (diagnostics != nullptr) {
                diagnostics->refusal =
                    (scan.where.empty() ? std::string("the document") : scan.where) + ": " + scan.what;
            }
            return fail(*scan.failure);
        }
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
