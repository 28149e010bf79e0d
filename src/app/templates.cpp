#include "app/templates.h"

#include "engine/browsers.h"

#include <algorithm>
#include <cassert>
#include <string>

namespace norvane {

namespace {

using namespace std::string_view_literals;

// Combinations here are fixed texts that always parse.
Combo combo(std::string_view text)
{
    const auto c = Combo::parse(text);
    assert(c.has_value());
    return c.value_or(Combo{});
}

Mapping keyMapping(std::string_view trigger, Action action, std::string note = {})
{
    return Mapping(Trigger::key(combo(trigger)), std::move(action), std::move(note));
}

Scope everywhere()
{
    return Scope{};
}

constexpr std::array documentKeywords = {
    "feishu.cn/docx"sv, "feishu.cn/wiki"sv, "larksuite.com/docx"sv, "notion.so"sv, "docs.google.com/document"sv,
};

constexpr std::array headingNotes = {"正文"sv,     "一级标题"sv, "二级标题"sv, "三级标题"sv,
                                     "四级标题"sv, "五级标题"sv, "六级标题"sv};

constexpr std::array slots = {
    LauncherSlot{"ctrl+opt+1"sv, {"google-chrome"sv, "com.google.Chrome"sv, {}}},
    LauncherSlot{"ctrl+opt+2"sv, {"bytedance-feishu"sv, "bytedance-lark"sv, {}}},
    LauncherSlot{"ctrl+opt+3"sv, {"wechat"sv, "com.tencent.WeChat"sv, {}}},
    LauncherSlot{"ctrl+opt+4"sv, {"org.gnome.Terminal"sv, "org.gnome.Console"sv, "org.kde.konsole"sv}},
};

RuleGroup documentHeadings(Workspace& workspace)
{
    Scope scope;
    scope.mode = ScopeMode::only;
    scope.apps = installedBrowsers(workspace);
    scope.urls.assign(documentKeywords.begin(), documentKeywords.end());
    std::vector<Mapping> mappings;
    for (std::size_t n = 0; n < headingNotes.size(); ++n) {
        const std::string digit = std::to_string(n);
        mappings.push_back(
            keyMapping("cmd+" + digit, Action::keys(combo("ctrl+opt+" + digit)), std::string(headingNotes[n])));
    }
    return RuleGroup("文档标题快捷键", std::move(scope), std::move(mappings));
}

RuleGroup mouseMedia(Workspace& /*workspace*/)
{
    return RuleGroup("鼠标键控制播放", everywhere(),
                     {Mapping(Trigger::mouse(4), Action::media(MediaKey::previous)),
                      Mapping(Trigger::mouse(3), Action::media(MediaKey::next)),
                      Mapping(Trigger::mouse(2), Action::media(MediaKey::playPause))});
}

RuleGroup launcher(Workspace& workspace)
{
    std::vector<Mapping> mappings;
    for (const LauncherSlot& slot : slots) {
        const auto installed = std::find_if(slot.appIDs.begin(), slot.appIDs.end(), [&](std::string_view id) {
            return !id.empty() && workspace.isInstalled(std::string(id));
        });
        if (installed != slot.appIDs.end()) {
            mappings.push_back(keyMapping(slot.combo, Action::openApp(std::string(*installed))));
        }
    }
    return RuleGroup("一键唤起应用", everywhere(), std::move(mappings));
}

// Terminals keep their own Ctrl keys (Ctrl+C interrupts, Ctrl+W deletes a
// word), so the macOS habits stay out of them.
constexpr std::array terminals = {
    "org.gnome.Terminal"sv,
    "org.gnome.Console"sv,
    "org.kde.konsole"sv,
    "debian-xterm"sv,
    "xterm"sv,
    "Alacritty"sv,
    "kitty"sv,
    "foot"sv,
    "footclient"sv,
    "org.wezfurlong.wezterm"sv,
    "com.gexperts.Tilix"sv,
};

struct Habit {
    std::string_view trigger;
    std::string_view target;
    std::string_view note;
};

constexpr std::array macHabits = {
    Habit{"cmd+c", "ctrl+c", "复制"},
    Habit{"cmd+v", "ctrl+v", "粘贴"},
    Habit{"cmd+x", "ctrl+x", "剪切"},
    Habit{"cmd+a", "ctrl+a", "全选"},
    Habit{"cmd+z", "ctrl+z", "撤销"},
    Habit{"shift+cmd+z", "ctrl+shift+z", "重做"},
    Habit{"cmd+f", "ctrl+f", "查找"},
    Habit{"cmd+s", "ctrl+s", "保存"},
    Habit{"cmd+w", "ctrl+w", "关闭标签页"},
    Habit{"cmd+t", "ctrl+t", "新建标签页"},
    Habit{"cmd+left", "home", "行首"},
    Habit{"cmd+right", "end", "行尾"},
    Habit{"shift+cmd+left", "shift+home", "选中到行首"},
    Habit{"shift+cmd+right", "shift+end", "选中到行尾"},
    Habit{"cmd+up", "ctrl+home", "文档开头"},
    Habit{"cmd+down", "ctrl+end", "文档末尾"},
};

RuleGroup macKeys(Workspace& workspace)
{
    Scope scope;
    scope.mode = ScopeMode::except;
    for (const auto id : terminals) {
        std::string text(id);
        if (workspace.isInstalled(text)) {
            scope.apps.push_back(std::move(text));
        }
    }
    std::vector<Mapping> mappings;
    mappings.reserve(macHabits.size());
    for (const Habit& habit : macHabits) {
        mappings.push_back(keyMapping(habit.trigger, Action::keys(combo(habit.target)), std::string(habit.note)));
    }
    return RuleGroup("Mac 键位习惯", std::move(scope), std::move(mappings));
}

RuleGroup keyboardVolume(Workspace& /*workspace*/)
{
    return RuleGroup("键盘调音量", everywhere(),
                     {keyMapping("ctrl+opt+up", Action::media(MediaKey::volumeUp)),
                      keyMapping("ctrl+opt+down", Action::media(MediaKey::volumeDown)),
                      keyMapping("ctrl+opt+0", Action::media(MediaKey::mute)),
                      keyMapping("ctrl+opt+right", Action::media(MediaKey::next)),
                      keyMapping("ctrl+opt+left", Action::media(MediaKey::previous)),
                      keyMapping("ctrl+opt+space", Action::media(MediaKey::playPause))});
}

RuleGroup blank(Workspace& /*workspace*/)
{
    return defaultNewGroup();
}

constexpr std::array all = {
    Template{"doc-headings",
             "文档标题快捷键",
             "在飞书、Notion、Google 文档等网页文档里，Super+1～Super+6 切换标题，Super+0 回到正文",
             Icon::textSize,
             {Rgb{0.25, 0.55, 1.0}, Rgb{0.16, 0.38, 0.95}},
             documentHeadings},
    Template{"mouse-media",
             "鼠标键控制播放",
             "前进键上一首、后退键下一首、中键播放暂停，播放器在后台也能控制",
             Icon::mouse,
             {Rgb{0.98, 0.45, 0.35}, Rgb{0.92, 0.26, 0.36}},
             mouseMedia},
    Template{"launcher",
             "一键唤起应用",
             "按一下打开，再按一下隐藏。给最常用的几个应用各配一个快捷键",
             Icon::appGrid,
             {Rgb{0.32, 0.78, 0.48}, Rgb{0.16, 0.62, 0.36}},
             launcher},
    Template{"mac",
             "Mac 键位习惯",
             "Super+C / V / Z 等照 Mac 的习惯用，Super+方向键跳到行首行尾；终端里保持原样",
             Icon::commandKey,
             {Rgb{0.55, 0.58, 0.66}, Rgb{0.38, 0.41, 0.5}},
             macKeys},
    Template{"volume",
             "键盘调音量",
             "没有媒体键的外接键盘也能调音量、静音、切歌",
             Icon::speaker,
             {Rgb{1.0, 0.38, 0.55}, Rgb{0.86, 0.18, 0.42}},
             keyboardVolume},
    Template{"blank",
             "空白规则组",
             "从零开始，自己录制触发键和动作",
             Icon::plus,
             {Rgb{0.45, 0.47, 1.0}, Rgb{0.36, 0.3, 0.9}},
             blank},
};

} // namespace

std::optional<Mapping> Template::preview(Workspace& workspace) const
{
    RuleGroup group = make(workspace);
    if (group.mappings.empty()) {
        return std::nullopt;
    }
    return std::move(group.mappings.front());
}

std::span<const Template> templates() noexcept
{
    return all;
}

const Template* findTemplate(std::string_view id) noexcept
{
    const auto it = std::find_if(all.begin(), all.end(), [&](const Template& t) { return t.id == id; });
    return it != all.end() ? &*it : nullptr;
}

RuleGroup defaultNewGroup()
{
    return RuleGroup(defaultGroupName, Scope{}, {Mapping(std::nullopt, Action::keys(std::nullopt))});
}

std::span<const std::string_view> documentPageKeywords() noexcept
{
    return documentKeywords;
}

std::span<const LauncherSlot> launcherSlots() noexcept
{
    return slots;
}

} // namespace norvane
