#include "model/keys.h"

#include <unordered_map>

namespace norvane {

const std::array<KeyName, 81> keyCodes = {{
    // letters
    {"a", 0},
    {"b", 11},
    {"c", 8},
    {"d", 2},
    {"e", 14},
    {"f", 3},
    {"g", 5},
    {"h", 4},
    {"i", 34},
    {"j", 38},
    {"k", 40},
    {"l", 37},
    {"m", 46},
    {"n", 45},
    {"o", 31},
    {"p", 35},
    {"q", 12},
    {"r", 15},
    {"s", 1},
    {"t", 17},
    {"u", 32},
    {"v", 9},
    {"w", 13},
    {"x", 7},
    {"y", 16},
    {"z", 6},
    // digits
    {"0", 29},
    {"1", 18},
    {"2", 19},
    {"3", 20},
    {"4", 21},
    {"5", 23},
    {"6", 22},
    {"7", 26},
    {"8", 28},
    {"9", 25},
    // punctuation
    {"=", 24},
    {"-", 27},
    {"]", 30},
    {"[", 33},
    {"'", 39},
    {";", 41},
    {"\\", 42},
    {",", 43},
    {"/", 44},
    {".", 47},
    {"`", 50},
    // named keys
    {"return", 36},
    {"tab", 48},
    {"space", 49},
    {"delete", 51},
    {"esc", 53},
    {"forwarddelete", 117},
    {"home", 115},
    {"end", 119},
    {"pageup", 116},
    {"pagedown", 121},
    // arrows
    {"left", 123},
    {"right", 124},
    {"down", 125},
    {"up", 126},
    // function keys
    {"f1", 122},
    {"f2", 120},
    {"f3", 99},
    {"f4", 118},
    {"f5", 96},
    {"f6", 97},
    {"f7", 98},
    {"f8", 100},
    {"f9", 101},
    {"f10", 109},
    {"f11", 103},
    {"f12", 111},
    {"f13", 105},
    {"f14", 107},
    {"f15", 113},
    {"f16", 106},
    {"f17", 64},
    {"f18", 79},
    {"f19", 80},
    {"f20", 90},
}};

const std::array<ModifierRow, 4> modifierOrder = {{
    {{"ctrl", "control", ""}, 0x40000, "⌃"},
    {{"opt", "option", "alt"}, 0x80000, "⌥"},
    {{"shift", "", ""}, 0x20000, "⇧"},
    {{"cmd", "command", ""}, 0x100000, "⌘"},
}};

namespace {

struct KeyDisplayEntry {
    std::string_view name;
    std::string_view label;
};
constexpr std::array<KeyDisplayEntry, 14> keyDisplayTable = {{
    {"left", "←"},
    {"right", "→"},
    {"up", "↑"},
    {"down", "↓"},
    {"return", "↩"},
    {"delete", "⌫"},
    {"forwarddelete", "⌦"},
    {"tab", "⇥"},
    {"space", "空格"},
    {"home", "Home"},
    {"end", "End"},
    {"pageup", "PgUp"},
    {"pagedown", "PgDn"},
    {"esc", "esc"},
}};

// Built once on first use; constant afterwards, so reads need no lock.
const std::unordered_map<std::int64_t, std::string_view>& keyNames()
{
    static const auto table = [] {
        std::unordered_map<std::int64_t, std::string_view> m;
        m.reserve(keyCodes.size());
        for (const auto& k : keyCodes) {
            m.emplace(k.code, k.name);
        }
        return m;
    }();
    return table;
}

} // namespace

std::optional<std::int64_t> keyCodeForName(std::string_view name) noexcept
{
    static const auto table = [] {
        std::unordered_map<std::string_view, std::int64_t> m;
        m.reserve(keyCodes.size());
        for (const auto& k : keyCodes) {
            m.emplace(k.name, k.code);
        }
        return m;
    }();
    const auto it = table.find(name);
    if (it == table.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<std::string_view> keyNameForCode(std::int64_t code) noexcept
{
    const auto& names = keyNames();
    const auto it = names.find(code);
    if (it == names.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<std::string_view> keyDisplay(std::string_view name) noexcept
{
    for (const auto& e : keyDisplayTable) {
        if (e.name == name) {
            return e.label;
        }
    }
    return std::nullopt;
}

} // namespace norvane
