#include "platform/linux/input/dispatcher.h"

#include "platform/linux/input/key_translation.h"

namespace norvane::linux_input {

namespace {

// Backspace + Escape + Enter held together release everything.
constexpr std::array<std::uint16_t, 3> chordKeys = {KEY_BACKSPACE, KEY_ESC, KEY_ENTER};

constexpr bool isChordKey(std::uint16_t code) noexcept
{
    return code == KEY_BACKSPACE || code == KEY_ESC || code == KEY_ENTER;
}

} // namespace

void Dispatcher::onEvent(DeviceKeys& dev, const input_event& ev) noexcept
{
    switch (ev.type) {
    case EV_KEY:
        if (ev.code < KEY_CNT) {
            onKey(dev, ev.code, ev.value);
        }
        break;
    case EV_REL:
        if (dev.forwarding && !passive_) {
            out_->add(EV_REL, ev.code, ev.value);
        }
        break;
    case EV_SYN:
        if (ev.code == SYN_REPORT && dev.forwarding) {
            out_->syn();
        }
        break;
    default:
        // Scan codes would no longer match rewritten keys; LED and switch
        // reports are state, not input.
        break;
    }
}

void Dispatcher::onKey(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept
{
    track(dev, code, value);
    switch (keyKind(code)) {
    case KeyKind::modifier:
        onModifier(dev, code, value);
        break;
    case KeyKind::key:
        onEngineKey(dev, code, value);
        break;
    case KeyKind::extraButton:
        onExtraButton(dev, code, value);
        break;
    case KeyKind::lock:
        onPlainKey(dev, code, value, true);
        break;
    case KeyKind::button:
        onPlainKey(dev, code, value, false);
        break;
    }
}

void Dispatcher::track(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept
{
    int delta = 0;
    if (value == 1 && !dev.held[code]) {
        dev.held.set(code);
        delta = 1;
    } else if (value == 0 && dev.held[code]) {
        dev.held.reset(code);
        delta = -1;
    }
    if (delta == 0 || !counts(dev)) {
        return;
    }
    if (const auto m = modifierIndex(code)) {
        modifierHolders_[*m] = static_cast<std::uint8_t>(modifierHolders_[*m] + delta);
    }
    for (std::size_t i = 0; i < chordKeys.size(); ++i) {
        if (chordKeys[i] == code) {
            chordHolders_[i] = static_cast<std::uint8_t>(chordHolders_[i] + delta);
        }
    }
}

void Dispatcher::countPhysical(const DeviceKeys& dev, int delta) noexcept
{
    for (std::size_t i = 0; i < modifierKeys.size(); ++i) {
        if (dev.held[modifierKeys[i]]) {
            modifierHolders_[i] = static_cast<std::uint8_t>(modifierHolders_[i] + delta);
        }
    }
    for (std::size_t i = 0; i < chordKeys.size(); ++i) {
        if (dev.held[chordKeys[i]]) {
            chordHolders_[i] = static_cast<std::uint8_t>(chordHolders_[i] + delta);
        }
    }
}

bool Dispatcher::chordHeld() const noexcept
{
    for (const auto holders : chordHolders_) {
        if (holders == 0) {
            return false;
        }
    }
    return true;
}

ModifierMask Dispatcher::physicalModifiers() const noexcept
{
    ModifierMask mask = 0;
    for (std::size_t i = 0; i < modifierHolders_.size(); ++i) {
        if (modifierHolders_[i] > 0) {
            mask = static_cast<ModifierMask>(mask | (1U << i));
        }
    }
    return mask;
}

std::uint64_t Dispatcher::physicalFlags() const noexcept
{
    return flagsOf(physicalModifiers()) | (capsLock_ ? mod::capsLock : 0);
}

void Dispatcher::onModifier(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept
{
    if (!dev.forwarding || passive_ || value == 2) {
        return;
    }
    const auto bit = static_cast<ModifierMask>(1U << *modifierIndex(code));
    if (value == 1) {
        if ((emittedMods_ & bit) == 0) {
            emittedMods_ = static_cast<ModifierMask>(emittedMods_ | bit);
            out_->key(code, 1);
        }
    } else if ((physicalModifiers() & bit) == 0 && (emittedMods_ & bit) != 0) {
        // Released on every device that held it.
        emittedMods_ = static_cast<ModifierMask>(emittedMods_ & ~bit);
        out_->key(code, 0);
    }
}

void Dispatcher::onEngineKey(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept
{
    if (!counts(dev)) {
        // Read without a grab while waiting for its keys to come up: the
        // desktop sees this key directly.
        return;
    }
    if (value == 1 && dev.forwarding && isChordKey(code) && chordHeld()) {
        observer_->panicChord();
        return;
    }
    InputEvent event = InputEvent::key(value != 0, virtualKeyFor(code), physicalFlags());
    event.autorepeat = value == 2 ? 1 : 0;
    if (value == 0) {
        dev.handled.reset(code);
    } else {
        dev.handled.set(code);
    }
    const bool deliver = handler_->handle(event);
    if (passive_) {
        return;
    }
    if (value == 0) {
        // Whatever was pressed for this key comes up, whatever the engine
        // decided for the release: nothing stays pressed.
        release(dev, code, true);
        restoreModifiers();
        return;
    }
    if (!deliver) {
        return;
    }
    const auto out = evdevKeyFor(event.keyCode);
    if (!out) {
        return;
    }
    holdFlags(event.flags & relevantMask);
    press(dev, code, *out, value, true);
}

void Dispatcher::onExtraButton(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept
{
    if (value == 2) {
        return;
    }
    const std::int64_t button = *buttonNumberFor(code);
    if (value == 1) {
        // The recorder hears of every press, held device or not.
        observer_->extraButtonPressed(button);
    }
    InputEvent event = InputEvent::mouse(value == 1, button);
    event.flags = physicalFlags();
    // A press of a device that is not held also reaches the desktop: the
    // engine may look at it but must not act on it. A release whose press
    // the engine saw (the grab ended in between) still completes it.
    if (!counts(dev) && !(value == 0 && dev.handled[code])) {
        handler_->observe(event);
        return;
    }
    if (value == 1) {
        dev.handled.set(code);
    } else {
        dev.handled.reset(code);
    }
    const bool deliver = handler_->handle(event);
    if (!dev.forwarding || passive_) {
        return;
    }
    if (value == 0) {
        release(dev, code, false);
    } else if (deliver) {
        press(dev, code, code, 1, false);
    }
}

void Dispatcher::onPlainKey(DeviceKeys& dev, std::uint16_t code, std::int32_t value, bool syncNow) noexcept
{
    if (!dev.forwarding || passive_) {
        return;
    }
    if (value == 0) {
        release(dev, code, syncNow);
    } else {
        press(dev, code, code, value, syncNow);
    }
}

void Dispatcher::press(DeviceKeys& dev, std::uint16_t physical, std::uint16_t out, std::int32_t value,
                       bool syncNow) noexcept
{
    const std::uint16_t previous = dev.emitted[physical];
    if (previous == out) {
        if (value == 2) {
            out_->add(EV_KEY, out, 2);
            if (syncNow) {
                out_->syn();
            }
        }
        return;
    }
    if (previous != 0) {
        // The rules changed while the key was held: its repeat is delivered
        // as another key.
        releaseOut(previous, syncNow);
    }
    dev.emitted[physical] = out;
    pressOut(out, syncNow);
}

void Dispatcher::release(DeviceKeys& dev, std::uint16_t physical, bool syncNow) noexcept
{
    const std::uint16_t previous = dev.emitted[physical];
    if (previous != 0) {
        dev.emitted[physical] = 0;
        releaseOut(previous, syncNow);
    }
}

void Dispatcher::pressOut(std::uint16_t code, bool syncNow) noexcept
{
    auto& count = outCount_[code];
    if (count == UINT8_MAX) {
        return;
    }
    if (count++ == 0) {
        out_->add(EV_KEY, code, 1);
        if (syncNow) {
            out_->syn();
        }
    }
}

void Dispatcher::releaseOut(std::uint16_t code, bool syncNow) noexcept
{
    auto& count = outCount_[code];
    if (count == 0) {
        return;
    }
    if (--count == 0) {
        out_->add(EV_KEY, code, 0);
        if (syncNow) {
            out_->syn();
        }
    }
}

bool Dispatcher::setModifiers(ModifierMask target) noexcept
{
    const auto toRelease = static_cast<ModifierMask>(emittedMods_ & ~target);
    const auto toPress = static_cast<ModifierMask>(target & ~emittedMods_);
    if (toRelease == 0 && toPress == 0) {
        return false;
    }
    for (std::size_t i = 0; i < modifierKeys.size(); ++i) {
        if (toRelease & (1U << i)) {
            out_->key(modifierKeys[i], 0);
        }
    }
    for (std::size_t i = 0; i < modifierKeys.size(); ++i) {
        if (toPress & (1U << i)) {
            out_->key(modifierKeys[i], 1);
        }
    }
    emittedMods_ = target;
    return true;
}

void Dispatcher::holdFlags(std::uint64_t flags) noexcept
{
    if (setModifiers(modifiersFor(flags, emittedMods_, physicalModifiers())) && modifierGap_) {
        out_->gap();
    }
}

void Dispatcher::restoreModifiers() noexcept
{
    setModifiers(physicalModifiers());
}

void Dispatcher::completeHandled(DeviceKeys& dev, bool buttonsToo) noexcept
{
    if (dev.handled.none()) {
        return;
    }
    for (std::uint16_t code = 0; code < KEY_CNT; ++code) {
        if (!dev.handled[code]) {
            continue;
        }
        const KeyKind kind = keyKind(code);
        if (kind == KeyKind::key) {
            InputEvent up = InputEvent::key(false, virtualKeyFor(code), physicalFlags());
            handler_->handle(up);
        } else if (kind == KeyKind::extraButton && buttonsToo) {
            InputEvent up = InputEvent::mouse(false, *buttonNumberFor(code));
            handler_->handle(up);
        } else {
            continue;
        }
        dev.handled.reset(code);
    }
}

void Dispatcher::setForwarding(DeviceKeys& dev, bool on) noexcept
{
    if (dev.forwarding == on || passive_) {
        return;
    }
    if (on) {
        dev.forwarding = true;
        countPhysical(dev, +1);
        return;
    }
    completeHandled(dev, false);
    for (std::uint16_t code = 0; code < KEY_CNT; ++code) {
        release(dev, code, true);
    }
    countPhysical(dev, -1);
    dev.forwarding = false;
    out_->syn();
    restoreModifiers();
}

void Dispatcher::deviceRemoved(DeviceKeys& dev) noexcept
{
    completeHandled(dev, true);
    if (dev.forwarding) {
        for (std::uint16_t code = 0; code < KEY_CNT; ++code) {
            release(dev, code, true);
        }
        out_->syn();
    }
    if (counts(dev)) {
        countPhysical(dev, -1);
    }
    dev.forwarding = false;
    dev.held.reset();
    if (!passive_) {
        restoreModifiers();
    }
}

void Dispatcher::releaseOutput() noexcept
{
    for (std::uint16_t code = 0; code < KEY_CNT; ++code) {
        if (outCount_[code] > 0) {
            outCount_[code] = 0;
            out_->key(code, 0);
        }
    }
    setModifiers(0);
}

void Dispatcher::synthetic(std::uint16_t code, bool down, std::uint64_t flags) noexcept
{
    if (passive_ || code == 0 || code >= KEY_CNT) {
        return;
    }
    if (down) {
        holdFlags(flags & relevantMask);
        pressOut(code, true);
    } else {
        releaseOut(code, true);
        restoreModifiers();
    }
}

} // namespace norvane::linux_input
