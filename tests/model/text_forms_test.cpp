// Text forms of combinations and triggers, their parsers and their labels.
#include "model/keys.h"
#include "model/trigger.h"

#include <gtest/gtest.h>
#include <limits>
#include <map>

namespace norvane {
namespace {

constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

TEST(ComboText, ParsesAndWritesCanonicalForm)
{
    const std::pair<const char*, const char*> cases[] = {
        {"CTRL+Opt+K", "ctrl+opt+k"},
        {"control+alt+k", "ctrl+opt+k"},
        {"Cmd + Shift + K", "shift+cmd+k"},
        {"shift+cmd+k", "shift+cmd+k"},
        {"command+option+control+shift+left", "ctrl+opt+shift+cmd+left"},
        {"cmd++k", "cmd+k"},
        {"k+j", "j"}, // the last key wins
        {"ctrl+k+j", "ctrl+j"},
        {"#-1", "#-1"},
        {"cmd+#200", "cmd+#200"},
        {"alt+#76", "opt+#76"},
        {"#40", "k"},                      // a named key given by number is written by name
        {"\tcmd\u3000+\u00a0k ", "cmd+k"}, // horizontal spaces, also Unicode ones, are trimmed
        {"esc", "esc"},
        {"shift+/", "shift+/"},
    };
    for (const auto& [text, written] : cases) {
        const auto combo = Combo::parse(text);
        ASSERT_TRUE(combo.has_value()) << text;
        EXPECT_EQ(combo->string(), written) << text;
    }
    EXPECT_EQ(Combo::parse("alt+#76"), Combo(76, mod::option));
    EXPECT_EQ(Combo::parse("#-1"), Combo(-1, 0));
}

TEST(ComboText, RejectsTextsThatAreNoCombination)
{
    for (const auto* text : {"", "+", "++", "cmd", "cmd+", "cmd+ ", "#", "#x", "#1.5", "# 1", "fn+k", "ctrl+k\n",
                             "#99999999999999999999", "cmd+#", "k+nope"}) {
        EXPECT_FALSE(Combo::parse(text).has_value()) << '"' << text << '"';
    }
}

TEST(ComboText, EveryCombinationRoundTrips)
{
    std::vector<std::int64_t> codes;
    for (const auto& k : keyCodes) {
        codes.push_back(k.code);
    }
    codes.insert(codes.end(), {-1, -200, 200, 300, 4096 + 30, 65535, int64Min, int64Max});
    for (const auto code : codes) {
        for (std::uint64_t subset = 0; subset < 16; ++subset) {
            std::uint64_t flags = 0;
            for (std::size_t i = 0; i < modifierOrder.size(); ++i) {
                if ((subset & (1U << i)) != 0) {
                    flags |= modifierOrder[i].bit;
                }
            }
            const Combo combo(code, flags);
            EXPECT_EQ(Combo::parse(combo.string()), combo) << combo.string();
            const auto trigger = Trigger::key(combo);
            EXPECT_EQ(Trigger::parse(trigger.string()), trigger) << trigger.string();
        }
    }
    for (const auto button :
         {std::int64_t{0}, std::int64_t{2}, std::int64_t{3}, std::int64_t{-1}, int64Min, int64Max}) {
        EXPECT_EQ(Trigger::parse(Trigger::mouse(button).string()), Trigger::mouse(button));
    }
}

TEST(ComboLabels, UseLinuxKeyNames)
{
    const std::pair<std::int64_t, const char*> keys[] = {
        {40, "K"},       {21, "4"},         {122, "F1"},    {111, "F12"},      {49, "Space"},
        {36, "Enter"},   {53, "Esc"},       {48, "Tab"},    {51, "Backspace"}, {117, "Delete"},
        {116, "PgUp"},   {121, "PgDn"},     {123, "←"},     {126, "↑"},        {57, "Caps Lock"},
        {114, "Insert"}, {76, "Num Enter"}, {300, "键300"}, {-5, "键-5"},
    };
    for (const auto& [code, label] : keys) {
        EXPECT_EQ(Combo(code, 0).keyLabel(), label) << code;
        EXPECT_EQ(Combo(code, 0).label(), label) << code;
    }
    // Modifiers come first, always as Ctrl, Alt, Shift, Super, one keycap each.
    EXPECT_EQ(Combo(123, relevantMask).label(), "Ctrl+Alt+Shift+Super+←");
    EXPECT_EQ(Combo(21, mod::command | mod::shift).symbols(), (std::vector<std::string>{"Shift", "Super", "4"}));
    EXPECT_EQ(Combo(40, mod::option | mod::control).symbols(), (std::vector<std::string>{"Ctrl", "Alt", "K"}));
    // Labels are for people only: the text form keeps its own names.
    const auto combo = Combo::parse("ctrl+opt+delete");
    ASSERT_TRUE(combo.has_value());
    EXPECT_EQ(combo->label(), "Ctrl+Alt+Backspace");
    EXPECT_EQ(combo->string(), "ctrl+opt+delete");
}

TEST(ComboLabels, NoTwoKeysLookAlike)
{
    std::map<std::string, std::int64_t> seen;
    for (std::int64_t code = 0; code < 128; ++code) {
        const auto label = Combo(code, 0).keyLabel();
        const auto [it, fresh] = seen.emplace(label, code);
        EXPECT_TRUE(fresh) << label << " names both " << it->second << " and " << code;
    }
}

TEST(TriggerText, MouseFormAndFallbackToCombination)
{
    EXPECT_EQ(Trigger::parse("mouse:3"), Trigger::mouse(3));
    EXPECT_EQ(Trigger::parse("mouse:-1"), Trigger::mouse(-1));
    EXPECT_EQ(Trigger::parse("ctrl+k"), Trigger::key(Combo(40, mod::control)));
    EXPECT_EQ(Trigger::mouse(3).string(), "mouse:3");
    for (const auto* text : {"mouse:", "MOUSE:3", "mouse:x", "mouse: 3", "mouse:3x", ""}) {
        EXPECT_FALSE(Trigger::parse(text).has_value()) << text;
    }
    EXPECT_NE(Trigger::key(Combo(3, 0)), Trigger::mouse(3)); // same number, different kinds
}

TEST(TriggerLabels, NameMouseButtonsOneBased)
{
    EXPECT_EQ(Trigger::mouse(2).label(), "鼠标中键");
    EXPECT_EQ(Trigger::mouse(4).label(), "鼠标前进键");
    EXPECT_EQ(Trigger::mouse(0).label(), "鼠标按键 1");
    EXPECT_EQ(Trigger::mouse(-1).label(), "鼠标按键 0");
    EXPECT_EQ(mouseButtonName(int64Max), "鼠标按键 9223372036854775808");
    EXPECT_EQ(mouseButtonName(int64Min), "鼠标按键 -9223372036854775807");
    EXPECT_EQ(Trigger::key(Combo(40, mod::command)).label(), "Super+K");
}

} // namespace
} // namespace norvane
