#pragma once

#include "platform/event_tap.h"
#include "platform/linux/input/modifier_state.h"
#include "platform/linux/input/output_batch.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <linux/input.h>

namespace norvane::linux_input {

// What the dispatcher knows about one physical device.
struct DeviceKeys {
    std::bitset<KEY_CNT> held;    // keys and buttons down, as last read
    std::bitset<KEY_CNT> handled; // presses the handler saw whose release it has not seen
    // The output key pressed on behalf of each physical key; 0 when none.
    std::array<std::uint16_t, KEY_CNT> emitted{};
    // Grabbed and passed on: its input reaches the desktop only through the
    // output device. False while it is read without a grab.
    bool forwarding = false;
};

// Things the input thread acts on outside the event path.
class DispatchObserver {
public:
    virtual ~DispatchObserver() = default;
    // An extra mouse button went down on any device, grabbed or not.
    virtual void extraButtonPressed(std::int64_t button) = 0;
    // Backspace, Escape and Enter are held together on grabbed keyboards.
    virtual void panicChord() = 0;
};

// Turns raw evdev input into engine events and engine verdicts into output,
// as a modifier-state diff: the output holds the physical modifiers, except
// around a key the engine delivered with other flags, for which the output's
// modifiers are first brought to exactly those flags. Every key change is
// followed by a SYN_REPORT. Input thread only; nothing allocates.
class Dispatcher {
public:
    // Passive: read-only observation (nothing is grabbed or emitted), the
    // engine sees every device's input and its verdicts are ignored.
    Dispatcher(InputHandler& handler, DispatchObserver& observer, OutputBatch& out, bool passive = false) noexcept
        : handler_(&handler), observer_(&observer), out_(&out), passive_(passive)
    {}

    // One raw event of a device we read.
    void onEvent(DeviceKeys& dev, const input_event& ev) noexcept;

    // Starts or stops forwarding a device (after a grab, before an ungrab).
    // Stopping completes every press the engine saw with its release and
    // releases whatever the device holds on the output.
    void setForwarding(DeviceKeys& dev, bool on) noexcept;
    // The device is gone: every key it held is released.
    void deviceRemoved(DeviceKeys& dev) noexcept;
    // Releases every key and button held on the output, whatever put it there.
    void releaseOutput() noexcept;

    // A synthetic key press or release (evdev code) whose modifiers are exactly
    // `flags`; the physical modifiers are restored after the release.
    void synthetic(std::uint16_t code, bool down, std::uint64_t flags) noexcept;

    // Whether the sink pauses between a modifier change and its key.
    void setModifierGap(bool on) noexcept { modifierGap_ = on; }
    void setCapsLock(bool on) noexcept { capsLock_ = on; }
    [[nodiscard]] bool capsLock() const noexcept { return capsLock_; }

    // Flags the engine sees: physical modifiers and caps lock.
    [[nodiscard]] std::uint64_t physicalFlags() const noexcept;
    [[nodiscard]] ModifierMask physicalModifiers() const noexcept;
    [[nodiscard]] ModifierMask emittedModifiers() const noexcept { return emittedMods_; }
    [[nodiscard]] bool outputHeld(std::uint16_t code) const noexcept { return outCount_[code] > 0; }

private:
    [[nodiscard]] bool counts(const DeviceKeys& dev) const noexcept { return dev.forwarding || passive_; }
    void onKey(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept;
    void onModifier(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept;
    void onEngineKey(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept;
    void onExtraButton(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept;
    void onPlainKey(DeviceKeys& dev, std::uint16_t code, std::int32_t value, bool syncNow) noexcept;

    void track(DeviceKeys& dev, std::uint16_t code, std::int32_t value) noexcept;
    void countPhysical(const DeviceKeys& dev, int delta) noexcept;
    [[nodiscard]] bool chordHeld() const noexcept;

    // Output primitives.
    void press(DeviceKeys& dev, std::uint16_t physical, std::uint16_t out, std::int32_t value, bool syncNow) noexcept;
    void release(DeviceKeys& dev, std::uint16_t physical, bool syncNow) noexcept;
    void pressOut(std::uint16_t code, bool syncNow) noexcept;
    void releaseOut(std::uint16_t code, bool syncNow) noexcept;
    bool setModifiers(ModifierMask target) noexcept;
    void holdFlags(std::uint64_t flags) noexcept;
    void restoreModifiers() noexcept;
    void completeHandled(DeviceKeys& dev, bool buttonsToo) noexcept;

    InputHandler* handler_;
    DispatchObserver* observer_;
    OutputBatch* out_;
    bool passive_;
    bool capsLock_ = false;
    bool modifierGap_ = false;

    // Physical state of the devices that count (forwarding ones, or all in
    // passive mode): how many hold each modifier and each panic-chord key.
    std::array<std::uint8_t, 8> modifierHolders_{};
    std::array<std::uint8_t, 3> chordHolders_{};
    // Output state: presses per output key (a key pressed on behalf of two
    // physical keys is released with the second), and the modifier keys.
    std::array<std::uint8_t, KEY_CNT> outCount_{};
    ModifierMask emittedMods_ = 0;
};

} // namespace norvane::linux_input
