#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace norvane::linux_input {

// One device the input layer reads, as the input thread last saw it.
struct DeviceStatus {
    std::string devnode;
    std::string name;
    bool keyboard = false; // else a mouse with extra buttons
    bool grabbed = false;  // else read without a grab
    friend bool operator==(const DeviceStatus&, const DeviceStatus&) = default;
};

using DeviceList = std::shared_ptr<const std::vector<DeviceStatus>>;

// What the input thread tells the object that runs it. Called on the input
// thread; nothing here may block.
class InputReports {
public:
    virtual ~InputReports() = default;
    // The panic chord released every grab and key; the loop is paused.
    virtual void panicked() = 0;
    // The loop paused (panic) or resumed.
    virtual void pausedChanged(bool paused) = 0;
    // An extra mouse button went down on any device, grabbed or not.
    virtual void extraButtonPressed(std::int64_t button) = 0;
    // Everything posted before the completion `id` has been written.
    virtual void outputDone(std::uint64_t id) = 0;
    // A device came, went, or was grabbed or let go.
    virtual void devicesChanged(DeviceList devices) = 0;
};

} // namespace norvane::linux_input
