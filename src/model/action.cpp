#include "model/action.h"

#include "model/app_names.h"

namespace norvane {

namespace {

constexpr std::array<MediaKeyInfo, 6> mediaKeyTable = {{
    {"playpause", "播放 / 暂停", Icon::playPause, false},
    {"next", "下一首", Icon::next, false},
    {"previous", "上一首", Icon::previous, false},
    {"volumeup", "音量加", Icon::volumeUp, true},
    {"volumedown", "音量减", Icon::volumeDown, true},
    {"mute", "静音", Icon::mute, false},
}};

constexpr std::array<ActionKindInfo, 4> actionKindTable = {{
    {"keys", "改成另一个快捷键", "快捷键", Icon::keyboard},
    {"media", "媒体控制", "媒体", Icon::music},
    {"sendKeys", "把快捷键发给指定应用", "发给应用", Icon::send},
    {"openApp", "打开 / 隐藏应用", "切换应用", Icon::appWindow},
}};

void hashOptional(Hasher& h, const std::optional<Combo>& c)
{
    h.add(c.has_value());
    if (c) {
        c->hashInto(h);
    }
}

void hashOptional(Hasher& h, const std::optional<std::string>& s)
{
    h.add(s.has_value());
    if (s) {
        h.add(*s);
    }
}

} // namespace

const MediaKeyInfo& info(MediaKey key) noexcept
{
    return mediaKeyTable.at(static_cast<std::size_t>(key));
}

std::optional<MediaKey> mediaKeyFromRaw(std::string_view raw) noexcept
{
    for (const auto key : allMediaKeys) {
        if (info(key).id == raw) {
            return key;
        }
    }
    return std::nullopt;
}

const ActionKindInfo& info(ActionKind kind) noexcept
{
    return actionKindTable.at(static_cast<std::size_t>(kind));
}

std::optional<ActionKind> actionKindFromRaw(std::string_view raw) noexcept
{
    for (const auto kind : allActionKinds) {
        if (info(kind).id == raw) {
            return kind;
        }
    }
    return std::nullopt;
}

Action Action::empty(ActionKind kind)
{
    switch (kind) {
    case ActionKind::keys:
        return KeysAction{};
    case ActionKind::media:
        return MediaAction{MediaKey::playPause};
    case ActionKind::sendKeys:
        return SendKeysAction{};
    case ActionKind::openApp:
        return OpenAppAction{};
    }
    return KeysAction{};
}

bool Action::isComplete() const noexcept
{
    switch (kind()) {
    case ActionKind::keys:
        return std::get<KeysAction>(payload_).combo.has_value();
    case ActionKind::media:
        return true;
    case ActionKind::sendKeys: {
        const auto& a = std::get<SendKeysAction>(payload_);
        return a.app.has_value() && a.combo.has_value();
    }
    case ActionKind::openApp:
        return std::get<OpenAppAction>(payload_).app.has_value();
    }
    return false;
}

bool Action::repeats() const noexcept
{
    const auto* m = as<MediaAction>();
    return m != nullptr && info(m->key).repeats;
}

std::string Action::summary() const
{
    switch (kind()) {
    case ActionKind::keys: {
        const auto& c = std::get<KeysAction>(payload_).combo;
        return c ? c->label() : "未设置";
    }
    case ActionKind::media:
        return std::string(info(std::get<MediaAction>(payload_).key).title);
    case ActionKind::sendKeys: {
        const auto& a = std::get<SendKeysAction>(payload_);
        return "发送 " + (a.combo ? a.combo->label() : "?") + " 到 " + (a.app ? appName(*a.app) : "?");
    }
    case ActionKind::openApp: {
        const auto& app = std::get<OpenAppAction>(payload_).app;
        return "切换 " + (app ? appName(*app) : "?");
    }
    }
    return {};
}

void Action::hashInto(Hasher& h) const
{
    h.add(static_cast<std::uint64_t>(payload_.index()));
    switch (kind()) {
    case ActionKind::keys:
        hashOptional(h, std::get<KeysAction>(payload_).combo);
        break;
    case ActionKind::media:
        h.add(std::string(info(std::get<MediaAction>(payload_).key).id));
        break;
    case ActionKind::sendKeys: {
        const auto& a = std::get<SendKeysAction>(payload_);
        hashOptional(h, a.app);
        hashOptional(h, a.combo);
        break;
    }
    case ActionKind::openApp:
        hashOptional(h, std::get<OpenAppAction>(payload_).app);
        break;
    }
}

} // namespace norvane
