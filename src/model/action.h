#pragma once

#include "model/combo.h"
#include "model/icon.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace norvane {

enum class MediaKey : std::uint8_t { playPause, next, previous, volumeUp, volumeDown, mute };

inline constexpr std::array<MediaKey, 6> allMediaKeys = {MediaKey::playPause, MediaKey::next,       MediaKey::previous,
                                                         MediaKey::volumeUp,  MediaKey::volumeDown, MediaKey::mute};

struct MediaKeyInfo {
    std::string_view id;    // raw value, the key's identity in files
    std::string_view title; // shown to the user
    Icon icon;
    bool repeats; // holding the trigger keeps firing
};

const MediaKeyInfo& info(MediaKey key) noexcept;
std::optional<MediaKey> mediaKeyFromRaw(std::string_view raw) noexcept; // exact, case-sensitive

enum class ActionKind : std::uint8_t { keys, media, sendKeys, openApp };

inline constexpr std::array<ActionKind, 4> allActionKinds = {ActionKind::keys, ActionKind::media, ActionKind::sendKeys,
                                                             ActionKind::openApp};

struct ActionKindInfo {
    std::string_view id;
    std::string_view title;
    std::string_view shortTitle;
    Icon icon;
};

const ActionKindInfo& info(ActionKind kind) noexcept;
std::optional<ActionKind> actionKindFromRaw(std::string_view raw) noexcept;

// The four action payloads. Absent optionals mean "not chosen yet"; an empty
// application text is a present value.
struct KeysAction {
    std::optional<Combo> combo;
    friend bool operator==(const KeysAction&, const KeysAction&) = default;
};
struct MediaAction {
    MediaKey key = MediaKey::playPause;
    friend bool operator==(const MediaAction&, const MediaAction&) = default;
};
struct SendKeysAction {
    std::optional<std::string> app;
    std::optional<Combo> combo;
    friend bool operator==(const SendKeysAction&, const SendKeysAction&) = default;
};
struct OpenAppAction {
    std::optional<std::string> app;
    friend bool operator==(const OpenAppAction&, const OpenAppAction&) = default;
};

// What a mapping does. The variant's index is the ActionKind.
class Action {
public:
    using Payload = std::variant<KeysAction, MediaAction, SendKeysAction, OpenAppAction>;

    Action() = default;                                  // keys with no combination
    Action(KeysAction a) : payload_(a) {}                // NOLINT(google-explicit-constructor)
    Action(MediaAction a) : payload_(a) {}               // NOLINT(google-explicit-constructor)
    Action(SendKeysAction a) : payload_(std::move(a)) {} // NOLINT(google-explicit-constructor)
    Action(OpenAppAction a) : payload_(std::move(a)) {}  // NOLINT(google-explicit-constructor)

    static Action keys(std::optional<Combo> c) { return KeysAction{c}; }
    static Action media(MediaKey k) { return MediaAction{k}; }
    static Action sendKeys(std::optional<std::string> app, std::optional<Combo> c)
    {
        return SendKeysAction{std::move(app), c};
    }
    static Action openApp(std::optional<std::string> app) { return OpenAppAction{std::move(app)}; }
    // The blank action of a kind, used when the user switches kinds.
    static Action empty(ActionKind kind);

    [[nodiscard]] ActionKind kind() const noexcept { return static_cast<ActionKind>(payload_.index()); }
    [[nodiscard]] bool isComplete() const noexcept;
    [[nodiscard]] bool repeats() const noexcept;

    template <typename T> [[nodiscard]] const T* as() const noexcept { return std::get_if<T>(&payload_); }
    [[nodiscard]] const Payload& payload() const noexcept { return payload_; }

    // One-line description; names applications through appName().
    [[nodiscard]] std::string summary() const;

    friend bool operator==(const Action&, const Action&) = default;
    void hashInto(Hasher& h) const;

private:
    Payload payload_;
};

} // namespace norvane
