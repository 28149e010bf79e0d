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
    {{"ctrl", "control", ""}, 0x40000, "Ctrl"},
    {{"opt", "option", "alt"}, 0x80000, "Alt"},
    {{"shift", "", ""}, 0x20000, "Shift"},
    {{"cmd", "command", ""}, 0x100000, "Super"},
}};

namespace {

struct KeyDisplayEntry {
    std::int64_t code;
    std::string_view label;
};
// Keys whose label is not their upper-cased name, as Linux desktops print
// them. Keys without a text name come only from a PC keyboard and would
// otherwise read 键N.
constexpr KeyDisplayEntry keyDisplayTable[] = {
    // keys with a text name (the trailing comment)
    {123, "←"},        // left
    {124, "→"},        // right
    {126, "↑"},        // up
    {125, "↓"},        // down
    {36, "Enter"},     // return
    {51, "Backspace"}, // delete
    {117, "Delete"},   // forwarddelete
    {48, "Tab"},       // tab
    {49, "Space"},     // space
    {115, "Home"},     // home
    {119, "End"},      // end
    {116, "PgUp"},     // pageup
    {121, "PgDn"},     // pagedown
    {53, "Esc"},       // esc
    // keys without one
    {114, "Insert"},
    {110, "Menu"},
    {57, "Caps Lock"},
    {71, "Num Lock"},
    {82, "Num 0"},
    {83, "Num 1"},
    {84, "Num 2"},
    {85, "Num 3"},
    {86, "Num 4"},
    {87, "Num 5"},
    {88, "Num 6"},
    {89, "Num 7"},
    {91, "Num 8"},
    {92, "Num 9"},
    {65, "Num ."},
    {67, "Num *"},
    {69, "Num +"},
    {75, "Num /"},
    {76, "Num Enter"},
    {78, "Num -"},
    {81, "Num ="},
    {95, "Num ,"},
    {72, "Volume Up"},
    {73, "Volume Down"},
    {74, "Mute"},
};

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

std::optional<std::string_view> keyDisplay(std::int64_t code) noexcept
{
    for (const auto& e : keyDisplayTable) {
        if (e.code == code) {
            return e.label;
        }
    }
    return std::nullopt;
}

} // namespace norvane
