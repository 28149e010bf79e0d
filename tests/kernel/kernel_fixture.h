#pragma once

#include "engine/engine.h"
#include "model/config_loader.h"
#include "platform/linux/input/linux_input.h"
#include "platform/sim/sim_platform.h"
#include "vm_devices.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace norvane::kernel_test {

class NullListener final : public EngineListener {
public:
    void recordHit(const CompiledMapping&, const std::optional<std::string>&) override {}
    void probe(const ProbeInfo&) override {}
};

// A key or button change on the output device.
using KeyChange = std::pair<std::uint16_t, std::int32_t>;

// The real input layer and engine, with the rest of the platform simulated;
// the test thread plays the main thread (it runs the executor's tasks).
class KernelTest : public ::testing::Test {
protected:
    KernelTest()
        : engine_(EngineServices{input, input, platform.frontmost, platform.pages, platform.workspace,
                                 platform.notifier, platform.executor, switches, listener_})
    {}
    // The input thread calls into the engine: stop it first.
    ~KernelTest() override { input.stop(); }

    // Loads a configuration the way the app does and compiles it.
    void configure(std::string_view json)
    {
        const auto document = readConfigDocument(json);
        ASSERT_TRUE(document.has_value());
        engine_.compile(document->groups);
        input.setGrabMice(engine_.rules()->buttonTriggerCount() > 0);
    }
    void clearRules()
    {
        engine_.compile({});
        input.setGrabMice(false);
    }

    void start()
    {
        ASSERT_TRUE(engine_.start());
        output = std::make_unique<EventReader>(input.outputDevnode());
        ASSERT_TRUE(output->isOpen());
    }

    void pump() { platform.executor.drain(); }
    [[nodiscard]] const Engine& engine() const noexcept { return engine_; }
    // The engine as the input layer's handler, for starting the input again
    // after a stop (as the app does when its login session returns).
    [[nodiscard]] InputHandler& handler() noexcept { return engine_; }

    // Whether the input layer reads `device` (with a grab, when `grabbedOnly`).
    [[nodiscard]] bool read(const FakeDevice& device, bool grabbedOnly = false) const
    {
        const auto all = input.devices();
        return std::any_of(all.begin(), all.end(), [&](const linux_input::DeviceStatus& d) {
            return d.devnode == device.devnode() && (d.grabbed || !grabbedOnly);
        });
    }
    [[nodiscard]] bool grabbed(const FakeDevice& device) const { return read(device, true); }
    void waitGrabbed(const FakeDevice& device, bool state = true)
    {
        ASSERT_TRUE(waitUntil([&] { return grabbed(device) == state; }, [&] { pump(); }))
            << device.devnode() << (state ? " never grabbed" : " never let go");
    }

    // Every event on the output (SYN_REPORTs included): waits up to 3 s for
    // `keys` key changes, then until `quiet` passes without an event.
    std::vector<input_event> outputEvents(std::size_t keys = 0, std::chrono::milliseconds quiet = 150ms)
    {
        std::vector<input_event> events;
        std::size_t seen = 0;
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        for (auto settle = std::chrono::steady_clock::now() + quiet;
             std::chrono::steady_clock::now() < (seen < keys ? deadline : settle);) {
            pump();
            if (const auto ev = output->next(5ms)) {
                events.push_back(*ev);
                seen += ev->type == EV_KEY ? 1 : 0;
                settle = std::chrono::steady_clock::now() + quiet;
            }
        }
        return events;
    }
    // The key and button changes among them.
    std::vector<KeyChange> outputKeys(std::size_t count = 0)
    {
        std::vector<KeyChange> keys;
        for (const auto& ev : outputEvents(count)) {
            if (ev.type == EV_KEY) {
                keys.emplace_back(ev.code, ev.value);
            }
        }
        return keys;
    }

    sim::Platform platform;
    EngineSwitches switches;
    linux_input::LinuxInput input{linux_input::LinuxInputOptions{&platform.executor, {}, false}};
    std::unique_ptr<EventReader> output;

private:
    NullListener listener_;
    Engine engine_;
};

} // namespace norvane::kernel_test
